#include "numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace platform {

namespace {

constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of s matching [+-]?(digits[.digits]|.digits)([eE][+-]?digits)?,
// or 0 when s does not start with a number.
std::size_t NumberPrefixLength(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    ++i;
  }
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) {
    ++i;
    ++digits;
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) {
      ++i;
      ++digits;
    }
  }
  if (digits == 0) {
    return 0;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
      ++j;
    }
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) {
        ++j;
      }
      i = j;
    }
  }
  return i;
}

// Decimal order of magnitude of a well-formed number text (the exponent of its first non-zero
// digit), used only to tell an overflow from an underflow; a number of zeros counts as order 0.
long DecimalOrder(std::string_view s) {
  long exponent = 0;
  const std::size_t e = s.find_first_of("eE");
  if (e != std::string_view::npos) {
    const std::string_view tail = s.substr(e + 1);
    const bool negative = !tail.empty() && tail[0] == '-';
    long value = 0;
    for (const char c : tail) {
      if (IsDigit(c) && value < 100000) {
        value = value * 10 + (c - '0');
      }
    }
    exponent = negative ? -value : value;
    s = s.substr(0, e);
  }
  const std::size_t point = s.find('.');
  const std::string_view whole = s.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
  long position = 0;
  bool seen = false;
  for (const char c : whole) {
    if (!IsDigit(c)) {
      continue;
    }
    if (seen || c != '0') {
      seen = true;
      ++position;
    }
  }
  if (seen) {
    return exponent + position - 1;
  }
  long zeros = 0;
  for (const char c : fraction) {
    if (c != '0') {
      return exponent - zeros - 1;
    }
    ++zeros;
  }
  return 0;
}

}  // namespace

double RoundToDecimals(double x, int decimals) {
  if (!std::isfinite(x) || decimals < 0 || decimals >= static_cast<int>(kPowersOfTen.size())) {
    return x;
  }
  const double scale = kPowersOfTen[static_cast<std::size_t>(decimals)];
  const double p = x * scale;
  // From 2^52 on, a double has no binary fraction digit left at this scale to round away.
  if (!std::isfinite(p) || std::fabs(p) >= 0x1p52) {
    return x;
  }
  // x * scale == p + e exactly; p - n is exact and lies in [-0.5, 0.5]. Only a p that sits on a
  // tie needs e to tell which side of the tie the exact product lies on.
  const double e = std::fma(x, scale, -p);
  double n = RoundHalfEven(p);
  const double t = p - n;
  if (t == 0.5 && e > 0) {
    n += 1.0;
  } else if (t == -0.5 && e < 0) {
    n -= 1.0;
  }
  return n / scale;
}

std::optional<double> ParseDecimal(std::string_view token) {
  if (token.empty() || NumberPrefixLength(token) != token.size()) {
    return std::nullopt;
  }
  const bool negative = token[0] == '-';
  const std::string_view body = (token[0] == '+' || token[0] == '-') ? token.substr(1) : token;
  double value = 0.0;
  const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (error == std::errc::result_out_of_range) {
    value = DecimalOrder(body) > 0 ? HUGE_VAL : 0.0;
  } else if (error != std::errc{} || end != body.data() + body.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

double LeadingNumber(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) {
    ++start;
  }
  const std::string_view rest = text.substr(start);
  const std::size_t length = NumberPrefixLength(rest);
  if (length == 0) {
    return 0.0;
  }
  const std::optional<double> value = ParseDecimal(rest.substr(0, length));
  if (!value || !std::isfinite(*value)) {
    throw OverflowError("number out of range");
  }
  return *value;
}

std::string FormatGeneral(double x, int significantDigits) {
  if (std::isnan(x)) {
    return "NaN";
  }
  if (std::isinf(x)) {
    return x < 0 ? "-Infinity" : "Infinity";
  }
  if (x == 0.0) {
    return "0";
  }
  if (significantDigits < 1) {
    significantDigits = 1;
  }
  // Scientific text with exactly the wanted number of significant digits, e.g. -8.53123490000000e+01.
  std::array<char, 64> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                          std::chars_format::scientific, significantDigits - 1);
  if (error != std::errc{}) {
    return "0";
  }
  const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
  const bool negative = text[0] == '-';
  const std::size_t ePos = text.find('e');
  std::string digits;
  for (const char c : text.substr(0, ePos)) {
    if (IsDigit(c)) {
      digits += c;
    }
  }
  const int exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str());
  while (digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
  }

  std::string out = negative ? "-" : "";
  if (exponent < -4 || exponent >= significantDigits) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    const int magnitude = std::abs(exponent);
    out += exponent < 0 ? "E-" : "E+";
    if (magnitude < 10) {
      out += '0';
    }
    out += std::to_string(magnitude);
    return out;
  }
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const auto wholeDigits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= wholeDigits) {
    out += digits;
    out.append(wholeDigits - digits.size(), '0');
    return out;
  }
  out += digits.substr(0, wholeDigits);
  out += '.';
  out += digits.substr(wholeDigits);
  return out;
}

}  // namespace platform
