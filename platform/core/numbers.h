// Number handling shared by both programs: checked half-to-even rounding into integers, rounding
// to decimal places, reading the leading number of typed text and the text form of numbers.
//
// Every conversion of a real number to an integer goes through RoundTo<T>: the nearest integer,
// halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). A NaN, an infinity or a result
// outside T's range throws OverflowError instead of invoking undefined behaviour.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

class OverflowError : public std::runtime_error {
 public:
  explicit OverflowError(const std::string& what) : std::runtime_error(what) {}
};

// Nearest integral value of x with halves to even, as a double; x itself when it is not finite.
// Inline and without a library call, because a graph of a million points rounds several times
// per point: below 2^51 in magnitude, adding and taking away 1.5 * 2^52 leaves x rounded to an
// integer in the default rounding mode (to nearest, ties to even), which the programs never
// change; beyond, rint does the same.
inline double RoundHalfEven(double x) {
  constexpr double kShift = 0x1.8p52;
  return std::fabs(x) < 0x1p51 ? (x + kShift) - kShift : std::rint(x);
}

template <typename T>
T RoundTo(double x) {
  static_assert(std::numeric_limits<T>::is_integer);
  const double r = RoundHalfEven(x);
  // Both bounds are exact in a double for every integer type of 32 bits or less; the upper one is
  // taken as max + 1 so that the comparison stays exact for 64-bit types as well.
  constexpr double lowest = static_cast<double>(std::numeric_limits<T>::lowest());
  constexpr double above = static_cast<double>(std::numeric_limits<T>::max() / 2 + 1) * 2.0;
  if (!(r >= lowest && r < above)) {
    throw OverflowError("value out of range");
  }
  return static_cast<T>(r);
}

inline std::int16_t RoundToInt16(double x) { return RoundTo<std::int16_t>(x); }
inline std::int32_t RoundToInt32(double x) { return RoundTo<std::int32_t>(x); }

// Checked narrowing of an integer (a 32-bit twip position into a 16-bit field, for instance).
template <typename T, typename U>
T CheckedNarrow(U value) {
  if (!std::in_range<T>(value)) {
    throw OverflowError("value out of range");
  }
  return static_cast<T>(value);
}

// x rounded to `decimals` places (0..15) on its exact binary value, an exact tie going to the
// even last digit: 85.312349 -> 85.3123, 1.03125 -> 1.0312 (1.03125 is exact in binary).
double RoundToDecimals(double x, int decimals);

// The value of the number that `text` starts with, "." as the decimal point: optional blanks,
// an optional sign, digits with an optional fraction, an optional exponent. "3 dB" reads 3,
// "-.5x" reads -0.5; text that does not start with a number reads 0. A value beyond the range of
// a double throws OverflowError.
double LeadingNumber(std::string_view text);

// The whole of `token` as a number of the form [+-]digits[.digits][(E|e)[+-]digits], where
// either the integer or the fraction part may be empty but not both ("1.", ".5", "-2.5E-3").
// Returns nothing when the token is anything else. The value may be infinite for a token such
// as 1e999; callers decide what that means.
std::optional<double> ParseDecimal(std::string_view token);

// General decimal text of x with at most `significantDigits` significant digits: "." as the
// decimal point, "-" for negative values, no "+", trailing zeros and a trailing point removed,
// a 0 before the point of values below 1 ("0.5"). Values below 0.0001 or at or above
// 10^significantDigits in magnitude use the exponent form: mantissa, "E", sign, at least two
// exponent digits ("1.5E-05", "2E+15"). Zero (of either sign) is "0".
std::string FormatGeneral(double x, int significantDigits);

// The text of a double with 15 significant digits, as written to data files.
inline std::string NumberText(double x) { return FormatGeneral(x, 15); }

// The text of a single-precision value: the 7 significant digits that a float holds.
inline std::string SingleText(float x) { return FormatGeneral(static_cast<double>(x), 7); }

}  // namespace platform
