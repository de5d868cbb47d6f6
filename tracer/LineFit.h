// The least-squares straight line through points (x, y), which the picture units fit through the
// centres of runs: a line's pieces, a curve's columns near a pick or behind a trace step.
#pragma once

#include <optional>
#include <utility>
#include <vector>

namespace tracer {

struct FittedLine {
  double slope;   // dy / dx
  double offset;  // y at x = 0
};

// None for fewer than two points or points that all share one x.
inline std::optional<FittedLine> FitLine(const std::vector<std::pair<double, double>>& points) {
  if (points.size() < 2) {
    return std::nullopt;
  }
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const auto& [x, y] : points) {
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const double n = double(points.size());
  const double d = n * sxx - sx * sx;
  if (!(d > 0)) {
    return std::nullopt;
  }
  const double slope = (n * sxy - sx * sy) / d;
  return FittedLine{slope, (sy - slope * sx) / n};
}

}  // namespace tracer
