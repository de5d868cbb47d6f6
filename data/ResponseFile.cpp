#include "ResponseFile.h"

#include <cmath>
#include <optional>

#include "numbers.h"

namespace data {

namespace {

constexpr double kReadMinimaStart = 999999.0;
constexpr double kReadMaximaStart = -999999.0;

enum class LineResult { kPoint, kSkip, kError };

bool IsSeparator(unsigned char c) { return c <= 32; }

// Reads the next line (without its end) into `line`. Returns false at the end of the stream when
// nothing is left; sets `tooLong` instead of growing `line` beyond kMaxLineLength.
bool NextLine(std::streambuf& buffer, std::string& line, bool& tooLong) {
  using Traits = std::streambuf::traits_type;
  line.clear();
  tooLong = false;
  int c = buffer.sbumpc();
  if (Traits::eq_int_type(c, Traits::eof())) {
    return false;
  }
  while (!Traits::eq_int_type(c, Traits::eof())) {
    if (c == '\n') {
      return true;
    }
    if (c == '\r') {
      if (buffer.sgetc() == '\n') {
        buffer.sbumpc();
      }
      return true;
    }
    if (line.size() == kMaxLineLength) {
      tooLong = true;
      return true;
    }
    line += Traits::to_char_type(c);
    c = buffer.sbumpc();
  }
  return true;
}

std::optional<double> TokenValue(const std::string& token) {
  std::optional<double> value = platform::ParseDecimal(token);
  if (!value && token.size() > 1 && token.back() == ',') {
    value = platform::ParseDecimal(std::string_view(token).substr(0, token.size() - 1));
  }
  return value;
}

// Splits a trimmed data line into the columns of `point`.
LineResult ParseDataLine(std::string_view line, ResponsePoint& point) {
  point = ResponsePoint{};
  std::size_t column = 0;
  bool firstToken = true;
  std::string token;

  auto complete = [&]() {
    const std::optional<double> value = TokenValue(token);
    if (value && !std::isfinite(*value)) {
      return LineResult::kError;
    }
    if (!value && firstToken) {
      return LineResult::kSkip;
    }
    firstToken = false;
    if (value) {
      point[column] = *value;
      token.clear();
      if (column < kPhase) {
        ++column;
      }
    } else {
      point[column] = kNotANumber;
    }
    return LineResult::kPoint;
  };

  std::size_t i = 0;
  while (i < line.size()) {
    const auto c = static_cast<unsigned char>(line[i]);
    ++i;
    if (!IsSeparator(c)) {
      token += static_cast<char>(c);
      continue;
    }
    if (const LineResult r = complete(); r != LineResult::kPoint) {
      return r;
    }
    if (c != '\t') {
      while (i < line.size() && IsSeparator(static_cast<unsigned char>(line[i])) && line[i] != '\t') {
        ++i;
      }
    }
  }
  if (!token.empty()) {
    return complete();
  }
  return LineResult::kPoint;
}

std::string_view TrimBlanks(std::string_view s) {
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool ReadResponseFile(std::istream& in, ResponseSet& set) {
  set.Resize(3);
  set.ResetSummary(kReadMinimaStart, kReadMaximaStart);
  set[2] = ResponsePoint{};
  set[3] = ResponsePoint{};
  int last = 1;

  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr || !in.good()) {
    return false;
  }
  std::string line;
  bool tooLong = false;
  ResponsePoint point;
  try {
    while (NextLine(*buffer, line, tooLong)) {
      if (tooLong) {
        return false;
      }
      const std::string_view text = TrimBlanks(line);
      if (text.empty() || text[0] < '0' || text[0] > '9') {
        continue;
      }
      const LineResult result = ParseDataLine(text, point);
      if (result == LineResult::kError) {
        return false;
      }
      if (result == LineResult::kSkip) {
        continue;
      }
      if (last > 2 && point[kFrequency] < set[last][kFrequency]) {
        continue;
      }
      if (last - 1 == kMaxPoints) {
        return false;
      }
      ++last;
      set.Resize(last);
      set.IncludeInSummary(point);
      set[last] = point;
    }
  } catch (const std::ios_base::failure&) {
    return false;
  }
  return last > kMinPoints;
}

std::string FormatResponseFile(const ResponseSet& set, std::string_view separator) {
  std::string out;
  for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
    const ResponsePoint& p = set[i];
    out += platform::NumberText(p[kFrequency]);
    out += separator;
    out += platform::NumberText(platform::RoundToDecimals(p[kMagnitude], 4));
    out += ' ';
    out += platform::NumberText(p[kPhase]);
    out += "\r\n";
  }
  return out;
}

}  // namespace data
