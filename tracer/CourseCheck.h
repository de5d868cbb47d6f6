// Whether a height found for the next trace point keeps to the course of the points recorded
// before it: a curve drawn from measured data bends smoothly, so a point that leaves the straight
// line through the last two by more than their own bending allows has most likely jumped to
// something else (another curve, a label, a marker) and is not recorded without a word.
//
// With a, b, c the last three points (picture pixels) and x the next column:
//   s1 = slope(b, c),  s0 = slope(a, b),  d = x - c.x
//   |y - (c.y + s1 d)|  <=  slackPx + bendFactor |s1 - s0| |d| + slopeFactor |s1| |d|
// Fewer than three points, points not in order along x, or recorded less than a pixel apart, leave
// nothing to check against.
#pragma once

#include <QPointF>
#include <vector>

namespace tracer {

struct CourseCheck {
  double slackPx = 3;        // pixels allowed off the straight course whatever the bending
  double bendFactor = 2;     // times the bending the last three points show
  double slopeFactor = 0.3;  // times the height the course climbs or falls over the step

  bool Keeps(const std::vector<QPointF>& recorded, QPointF next) const;
};

// The last `count` of `points` (in order along x) that lie at least `spacing` columns apart, and
// that far before `next`: in steps under a column the points next to each other tell no slope nor
// bend (a fraction of a pixel off in each moves the slope between them by a whole one).
std::vector<QPointF> Spaced(const std::vector<QPointF>& points, QPointF next, std::size_t count, double spacing);

}  // namespace tracer
