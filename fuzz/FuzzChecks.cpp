#include "FuzzChecks.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <sstream>

#include "ResponseFile.h"
#include "numbers.h"

namespace fuzz {

namespace {

using data::ResponseSet;

bool Near(double read, double written, double tolerance) { return std::fabs(read - written) <= tolerance; }

// Half a unit in the 15th significant digit of x, with room for the binary rounding of the text.
double FifteenDigits(double x) { return std::fabs(x) * 6e-15; }

}  // namespace

std::string CheckReader(std::string_view input) {
  ResponseSet set;
  const bool ok = data::ReadResponseText(input, set);
  ResponseSet streamed;
  std::istringstream in{std::string(input)};
  if (data::ReadResponseFile(in, streamed) != ok || !(streamed == set)) {
    return "a stream and memory read differently";
  }
  if (!ok) {
    return {};
  }
  const int count = set.PointCount();
  if (count < data::kMinPoints || count > data::kMaxPoints) {
    return "success with " + std::to_string(count) + " points";
  }
  for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
    for (std::size_t c = 0; c < 3; ++c) {
      if (!std::isfinite(set[i][c])) {
        return "a value that is not finite at point " + std::to_string(i);
      }
    }
    if (i > ResponseSet::kFirstPoint + 1 && set[i][data::kFrequency] < set[i - 1][data::kFrequency]) {
      return "frequencies out of order at point " + std::to_string(i);
    }
  }

  ResponseSet again;
  if (!data::ReadResponseText(data::FormatResponseFile(set, " "), again) || again.PointCount() != count) {
    return "the written file does not read back with the same count";
  }
  for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
    const data::ResponsePoint& p = set[i];
    const data::ResponsePoint& q = again[i];
    const double m = platform::RoundToDecimals(p[data::kMagnitude], 4);
    if (!Near(q[data::kFrequency], p[data::kFrequency], FifteenDigits(p[data::kFrequency])) ||
        !Near(q[data::kMagnitude], m, FifteenDigits(m)) || !Near(m, p[data::kMagnitude], 0.00005 + FifteenDigits(m)) ||
        !Near(q[data::kPhase], p[data::kPhase], FifteenDigits(p[data::kPhase]))) {
      return "point " + std::to_string(i) + " reads back beyond the writer's rounding";
    }
  }
  return {};
}

std::string CheckNumbers(std::string_view input) {
  const std::optional<double> token = platform::ParseDecimal(input);
  if (token && std::isfinite(*token)) {
    const std::optional<double> back = platform::ParseDecimal(platform::FormatGeneral(*token, 17));
    if (!back || *back != *token) {
      return "17-digit text of a token's value does not read back exactly";
    }
  }
  try {
    if (!std::isfinite(platform::LeadingNumber(input))) {
      return "a leading number that is not finite";
    }
  } catch (const platform::OverflowError&) {
  }

  double x = 0;
  if (input.size() <= sizeof x) {
    return {};
  }
  std::memcpy(&x, input.data(), sizeof x);
  const int decimals = static_cast<unsigned char>(input[sizeof x]) % 16;
  if (!std::isfinite(x)) {
    return {};
  }
  const std::string text = platform::NumberText(x);
  const std::optional<double> read = platform::ParseDecimal(text);
  if (!read || (std::isfinite(*read) && !Near(*read, x, FifteenDigits(x)))) {
    return "number text " + text + " does not read back within 15 digits";
  }
  const double rounded = platform::RoundToDecimals(x, decimals);
  const double unit = std::pow(10.0, -decimals);
  if (!(std::fabs(rounded - x) <= unit / 2 + FifteenDigits(x))) {
    return "rounding to decimals moved the value by more than half a unit";
  }
  try {
    const std::int32_t n = platform::RoundToInt32(x);
    if (!(std::fabs(n - x) <= 0.5)) {
      return "rounding to an integer moved the value by more than a half";
    }
  } catch (const platform::OverflowError&) {
    if (std::fabs(x) < 2147483647.0) {
      return "rounding to an integer failed inside the range";
    }
  }
  return {};
}

}  // namespace fuzz
