#include "TickMarks.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "PictureRows.h"
#include "numbers.h"

namespace tracer {

namespace {

constexpr int kInkThreshold = 48;  // largest channel difference from the background that is drawn
constexpr int kLongestTick = 16;   // pixels
constexpr int kWidestTick = 4;

int InkOf(QRgb p, QRgb background) {
  return std::max({std::abs(qRed(p) - qRed(background)), std::abs(qGreen(p) - qGreen(background)),
                   std::abs(qBlue(p) - qBlue(background))});
}

}  // namespace

std::optional<double> FindTick(const QImage& picture, const TickSearch& s) {
  const PictureRows rows(picture);
  const QRgb background = s.background;
  const int along = s.bottomAxis ? rows.Width() : rows.Height();
  const int acrossSize = s.bottomAxis ? rows.Height() : rows.Width();
  const int first = std::max(0, platform::RoundToInt32(std::floor(s.near - s.reach)) - kWidestTick);
  const int last = std::min(along - 1, platform::RoundToInt32(std::floor(s.near + s.reach)) + kWidestTick);
  if (first > last) {
    return std::nullopt;
  }
  const auto inkAt = [&](int i, int k) {  // line i along the axis, pixel k across it
    if (k < 0 || k >= acrossSize) {
      return 0;
    }
    return s.bottomAxis ? InkOf(rows.At(i, k), background) : InkOf(rows.At(k, i), background);
  };
  // The axis line's pixels: those within 1.5 of its centre; ticks start beyond them.
  const int outerStart[2] = {platform::RoundToInt32(std::floor(s.axis + 1.5)),
                             platform::RoundToInt32(std::floor(s.axis - 1.5))};
  std::optional<double> best;
  for (int side = 0; side < 2; ++side) {
    const int step = side == 0 ? 1 : -1;
    std::vector<int> length(std::size_t(last - first + 1), 0);
    for (int i = first; i <= last; ++i) {
      int k = outerStart[side];
      int n = 0;
      while (n < kLongestTick + 1 && inkAt(i, k) > kInkThreshold) {
        k += step;
        ++n;
      }
      length[std::size_t(i - first)] = n;
    }
    for (int i = 0; i < int(length.size());) {
      if (length[std::size_t(i)] < 2 || length[std::size_t(i)] > kLongestTick) {
        ++i;
        continue;
      }
      int j = i;
      while (j + 1 < int(length.size()) && length[std::size_t(j + 1)] >= 2) {
        ++j;
      }
      if (j - i + 1 <= kWidestTick && i > 0 && j + 1 < int(length.size()) && length[std::size_t(i - 1)] == 0 &&
          length[std::size_t(j + 1)] == 0) {
        // The tick's length: the longest count in the run; the anti-aliased lines beside it are
        // weighed over the same length.
        int tickLength = 0;
        for (int m = i; m <= j; ++m) {
          tickLength = std::max(tickLength, length[std::size_t(m)]);
        }
        double sum = 0;
        double moment = 0;
        for (int m = i - 1; m <= j + 1; ++m) {
          double w = 0;
          for (int n = 0, k = outerStart[side]; n < tickLength; ++n, k += step) {
            w += inkAt(first + m, k);
          }
          sum += w;
          moment += w * (first + m + 0.5);
        }
        const double centre = moment / sum;
        if (std::fabs(centre - s.near) <= s.reach &&
            (!best || std::fabs(centre - s.near) < std::fabs(*best - s.near))) {
          best = centre;
        }
      }
      i = j + 1;
    }
  }
  return best;
}

}  // namespace tracer
