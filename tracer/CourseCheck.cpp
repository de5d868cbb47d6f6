#include "CourseCheck.h"

#include <cmath>

namespace tracer {

bool CourseCheck::Keeps(const std::vector<QPointF>& recorded, QPointF next) const {
  if (recorded.size() < 3) {
    return true;
  }
  const QPointF a = recorded[recorded.size() - 3];
  const QPointF b = recorded[recorded.size() - 2];
  const QPointF c = recorded.back();
  const double d = next.x() - c.x();
  // The points must go one way along x, each step at least a pixel.
  if (std::fabs(b.x() - a.x()) < 1 || std::fabs(c.x() - b.x()) < 1 || std::fabs(d) < 1 ||
      ((b.x() - a.x()) > 0) != ((c.x() - b.x()) > 0) || ((c.x() - b.x()) > 0) != (d > 0)) {
    return true;
  }
  const double s0 = (b.y() - a.y()) / (b.x() - a.x());
  const double s1 = (c.y() - b.y()) / (c.x() - b.x());
  const double allowed =
      slackPx + bendFactor * std::fabs(s1 - s0) * std::fabs(d) + slopeFactor * std::fabs(s1) * std::fabs(d);
  return std::fabs(next.y() - (c.y() + s1 * d)) <= allowed;
}

}  // namespace tracer
