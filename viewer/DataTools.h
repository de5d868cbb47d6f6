// The computations of the viewer's two data tools, without widgets: re-sampling a curve onto a
// new frequency grid (Normalize Data) and shifting its magnitude (Adjust Magnitude).
//
// Re-sampling interpolates the magnitude linearly on a logarithmic frequency axis:
//   m(f) = ya + (log10 f - xa) / (xb - xa) * (yb - ya)
// between the neighbouring source points (xa = log10 fa, ya) and (xb = log10 fb, yb). Below the
// lowest source frequency the line runs from 0 dB at 1 Hz (10 Hz when the source starts at 10 Hz
// or above) to the first point; above the highest from the last point down to 0 dB at 100 kHz
// (10 kHz when the source ends at 10 kHz or below). Every logarithm is GlobalVariables::SafeLog10.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ResponseSet.h"

namespace viewer {

// The grid of a re-sampling run, as the Normalize Data dialog stores it.
struct NormalizeSettings {
  double startFreq = 1;  // Hz, at most stopFreq
  double stopFreq = 50000;
  int points = 1000;  // over the whole range, or per decade when perDecade is set; at least 1
  bool perDecade = false;
};

// Sentinels from which a re-sampled or shifted set starts its summary rows.
inline constexpr double kToolMinimaStart = 99999;
inline constexpr double kToolMaximaStart = -99999;

// Grid spread evenly over frequency. Over the entire range: startFreq + k * (stop - start) /
// points for k = 0, 1, ... while at most stopFreq, and at most `points` points (so the stop
// frequency itself is not reached). Per decade: from startFreq to stopFreq in steps of
// PerDecadeStep of the frequency just tried.
data::ResponseSet NormalizeLinear(const data::ResponseSet& source, const NormalizeSettings& settings);

// Grid spread evenly over the logarithm of frequency: f(k+1) = 10^(log10 f(k) + d) from startFreq
// while at most stopFreq, with d = 1 / points per decade, else log10(stop / start) / points.
data::ResponseSet NormalizeLog(const data::ResponseSet& source, const NormalizeSettings& settings);

// The linear step for f's decade: the decade's upper edge (10, 100, ..., 100000) divided by
// `points`; frequencies of 10000 and above take 100000 / points.
double PerDecadeStep(double f, int points);

// The source's magnitude at ascending frequencies. At(f) gives nothing when f lies outside
// 1..100000 Hz, lies below (above) the source while its first (last) magnitude is negative, or is
// not enclosed by any pair of points from the cursor on. The cursor is the index at which the
// search for the enclosing pair starts (2 at first); the search leaves it at the pair found, and
// the logarithm of each source frequency is taken at most once, when first needed, so that a whole
// grid costs one pass over the source. `magnitudes`, when given, stand for the source's own (one
// for each point, element 2 first), as for the curve the graph draws smoothed.
class MagnitudeInterpolator {
 public:
  explicit MagnitudeInterpolator(const data::ResponseSet& source, std::int32_t cursor = data::ResponseSet::kFirstPoint,
                                 std::span<const double> magnitudes = {})
      : source_(source), cursor_(cursor), magnitudes_(magnitudes) {}

  std::optional<double> At(double f);
  // The same with logF = SafeLog10(f) already known.
  std::optional<double> At(double f, double logF);
  std::int32_t Cursor() const { return cursor_; }

 private:
  double SourceLog(std::int32_t index);
  double Magnitude(std::int32_t index) const;

  const data::ResponseSet& source_;
  std::int32_t cursor_;
  std::span<const double> magnitudes_;
  std::vector<double> logs_;  // SafeLog10 of the source's frequencies from index 2 on; NaN: not yet taken
};

// The source's points with `offset` added to each magnitude; frequency and phase unchanged.
data::ResponseSet AdjustMagnitude(double offset, const data::ResponseSet& source);

}  // namespace viewer
