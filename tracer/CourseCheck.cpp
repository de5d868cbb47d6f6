#include "CourseCheck.h"

#include <algorithm>
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
  // The points must go one way along x, the three recorded at least a pixel apart (the next one
  // may lie closer: in small steps it is checked all the same).
  if (std::fabs(b.x() - a.x()) < 1 || std::fabs(c.x() - b.x()) < 1 || d == 0 ||
      ((b.x() - a.x()) > 0) != ((c.x() - b.x()) > 0) || ((c.x() - b.x()) > 0) != (d > 0)) {
    return true;
  }
  const double s0 = (b.y() - a.y()) / (b.x() - a.x());
  const double s1 = (c.y() - b.y()) / (c.x() - b.x());
  const double allowed =
      slackPx + bendFactor * std::fabs(s1 - s0) * std::fabs(d) + slopeFactor * std::fabs(s1) * std::fabs(d);
  return std::fabs(next.y() - (c.y() + s1 * d)) <= allowed;
}

std::vector<QPointF> Spaced(const std::vector<QPointF>& points, QPointF next, std::size_t count, double spacing) {
  std::vector<QPointF> spaced;
  QPointF after = next;
  for (std::size_t i = points.size(); i-- > 0 && spaced.size() < count;) {
    if (std::fabs(after.x() - points[i].x()) >= spacing) {
      spaced.push_back(points[i]);
      after = points[i];
    }
  }
  std::reverse(spaced.begin(), spaced.end());
  return spaced;
}

}  // namespace tracer
