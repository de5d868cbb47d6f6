// Following a picked curve across a graph picture, column by column, as a path.
//
// From the last point of the path the follower walks the columns towards the one asked for. In
// each column the candidates are the runs of pixels that show the curve's colour (CurveStyle::Cover
// at least minCover) and are not the picture's straight lines of that colour (grid, frame, axes);
// the run taken is the one that continues the path: it must meet the course expected from the
// recent columns, y_pred = y_last + s (x - x_last) with s the slope fitted through them, within
//   |y - y_pred| <= h / 2 + slack + drift * g,     h = T sqrt(1 + s^2) + |s|
// (T the curve's thickness, h the height of its run in a column, g the columns since the last
// one found). Columns where the curve is hidden (under a grid line, the frame, another curve, a
// dash's gap) or unsure (a run merged with something else, touching a line of the curve's colour,
// two candidates too close to tell apart) are bridged from the columns on both sides, up to
// bridgePx columns; beyond that the curve is lost and there is no result, never a guess. The
// height at the asked x comes from a least-squares fit (a parabola, or a straight line for few
// points) through the centres of the columns found around it.
//
// Only the rows near the path are read, through their scan lines.
#pragma once

#include <QImage>
#include <QPointF>
#include <optional>
#include <vector>

#include "CurvePicker.h"
#include "PictureRows.h"
#include "StraightLines.h"

namespace tracer {

class CurveFollower {
 public:
  struct Parameters {
    double minCover = 0.45;     // share of the curve's colour that makes a pixel the curve's
    int bridgePx = 10;          // columns bridged where the curve is hidden, plus 3 per pixel of thickness
    double slackPx = 1.5;       // how far a run may lie beyond the expected course and still continue it
    double driftPx = 0.3;       // how much farther per column since the last one found
    int fitColumns = 2;         // columns on each side of the asked x that its height is fitted through
    double mergedFactor = 1.8;  // a run this many times the expected height (plus 3 px) is merged with something
    bool dashed = false;        // the curve is drawn in dashes (its runs are cut short where each ends)
    int dashLengthPx = 0;       // the longest of its dashes, as the one clicked and the next showed them (0: unknown)
    int dashGapPx = 0;          // how far apart its dashes lie, as the one clicked showed it (0: unknown)
    double strokePx = 0;        // the stroke across the course, as the curve's whole runs showed it (0: unknown)
  };

  // `lines`: the picture's straight lines; those whose colour the curve's style takes for its own
  // are never candidates.
  CurveFollower(const QImage& picture, const StraightLines& lines, const CurveStyle& style);
  CurveFollower(const QImage& picture, const StraightLines& lines, const CurveStyle& style, Parameters parameters);

  // A column passed on the way (after the path's last point, up to x).
  struct Column {
    int column;
    bool found;           // whether the curve's own run was found there
    bool covered;         // the run found cut short by a deeper shade of the curve's hue: it may be the
                          // edge of a thicker curve of that hue, not the curve
    bool telling;         // whether a dashed curve's gaps would show there: not where the course climbs
                          // or falls steeply (the dashes overlap in the columns), nor under a line
    bool crossed;         // a shallow course crossing a vertical line: neither the curve nor a gap shows
    bool hidden = false;  // the curve taken as hidden along a line of its colour lighter than its
                          // full shade (the line's height), which the curve drawn over it would show on
    double across = 0;    // the stroke across a shallow course where the run found is whole (else 0)
  };
  // The curve's height at `x` (continuous pixels), followed from the last point of `path` (recent
  // points on the curve, oldest first; at least one); none where the curve is lost on the way.
  // `walked` gets each column passed on the way; `unsurePx` how much less sure than a curve found
  // whole the height is: the mean over the columns it is fitted through of how far each one's
  // centre may be off (a column placed from one edge, the other cut off by something drawn over
  // the curve, is sure only to about that something's fringe); `slopeAt` the course's slope at x.
  std::optional<double> HeightAt(const std::vector<QPointF>& path, double x, std::vector<Column>* walked = nullptr,
                                 double* unsurePx = nullptr, double* slopeAt = nullptr) const;
  // Whether another stroke of the curve's colour runs along the line through `at` with `slope`,
  // back the way the path came but off it: where two curves of the colour cross, the branch that
  // leaves the crossing at `slope` is then the other curve's, or may be (a dashed curve whose gap
  // falls on the crossing shows only the other one past it). At a peak's top or a dip's bottom
  // that line runs over the background instead. `path`: the points recorded before `at`, in order.
  bool CrossedAt(const std::vector<QPointF>& path, QPointF at, double slope) const;
  // Whether, where the path turns at its last point onto the branch to `at`, another curve of the
  // colour runs on along the path's course past the turn: the curve may have gone on along it.
  bool GoesOnAt(const std::vector<QPointF>& path, QPointF at) const;
  static constexpr int kCrossColumns = 24;  // how far back CrossedAt reads the path

 private:
  struct Run {
    int top = 0;  // rows, inclusive
    int bottom = 0;
    double centre = 0;   // continuous pixels
    double topEdge = 0;  // its edges to a fraction of a pixel (continuous pixels)
    double bottomEdge = 0;
    double peak = 0;          // the largest cover in it
    bool touchesTop = false;  // a line of the curve's colour just above it, or below
    bool touchesBottom = false;
    bool coveredTop = false;  // something of another colour drawn over the curve there
    bool coveredBottom = false;
    bool coverTopOnLine = false;  // as covered, though on a line of another colour (a curve drawn over it)
    bool coverBottomOnLine = false;
    // Right past a deeper shade of its hue covering it there, a line of the curve's colour: the
    // line's far edge (rows), -1 for none.
    double lineBeyondTop = -1;
    double lineBeyondBottom = -1;
    double coverEndTop = 0;  // where what covers it there ends, if covered (rows)
    double coverEndBottom = 0;
    bool deeperTop = false;  // what covers it there is the curve's hue in a deeper shade
    bool deeperBottom = false;
    bool parted = false;  // one of two pieces a horizontal line drawn over the curve parts, together
                          // too tall to be the curve's run
  };
  struct Found {
    double x;
    double y;
    double height = 0;       // of its run (0 where the curve hides along a line)
    double unsure = 0;       // how far its centre may be off the curve's beyond a whole run's, pixels
    bool whole = false;      // its centre halfway between the run's edges (nothing cut off it)
    bool underLine = false;  // in a column a vertical line of another colour crosses, drawn over the run
  };

  // The runs of the curve's pixels in `column` between rows lo and hi (read further where a run
  // goes on past them).
  // Two runs parted only by a few rows of a horizontal line of another colour (drawn over the
  // curve) are one, where together they are no taller than `joinUpTo` (the curve's run and what a
  // whole run may grow by: taller, they are two curves crossing at the line).
  std::vector<Run> RunsIn(int column, int lo, int hi, double joinUpTo) const;
  // Where the run followed forks in `column` (walking `dir`, the course at height y there with
  // `slope`, the curve's run h tall): the columns on to where a hollow marker's outline around the
  // curve closes again, or none (no such outline: the fork may be another curve's).
  std::optional<int> MarkerCloses(int column, int dir, double y, double slope, double h) const;
  // Whether a run of the colour reaches within `band` of height y in the column.
  bool ShowsAt(int column, double y, double band) const;
  // Whether pixel (x, y) lies on a line of the curve's colour (masked), or on any line (hidden).
  bool Masked(int x, int y) const;
  // The cover of the curve's colour that the lines of its colour at (x, y) show, -1 for none.
  double MaskCover(int x, int y) const;
  bool OnVerticalLine(int x, int y) const;
  // The centre of a line of the curve's colour running along the course at height y in `column`,
  // where the curve hides under it; none if there is none.
  // `lighter`: whether that line is lighter than the curve's full shade.
  std::optional<double> HiddenUnder(int column, double y, bool* lighter = nullptr) const;
  // The columns found nearest x on each side of it (those under a vertical line drawn over the
  // curve left out with `skipUnderLine`), for a height fitted across a bridged stretch.
  static std::vector<Found> NearestOnEachSide(const std::vector<Found>& found, double x, bool skipUnderLine);
  // The height at x fitted through the columns found around it (`fitted` gets their centres,
  // `degreeUsed` the fit's degree).
  double Fit(const std::vector<Found>& found, double x, std::vector<std::pair<double, double>>* fitted = nullptr,
             int* degreeUsed = nullptr) const;
  // Whether x's own column, among those found, is crossed by a vertical line drawn over the run.
  static bool UnderLineAt(const std::vector<Found>& found, double x);
  // The mean unsureness of the columns found within fitColumns of x, or of the nearest on each
  // side where there are none.
  // Found on one side of x only, the height carried to x is the less sure the steeper the course
  // (the columns', or `courseSlope` where steeper: a dash's columns may lie level). Inside a
  // bridged stretch, the less sure the farther the columns fitted across it stray from one course;
  // anywhere, the less sure the farther the columns next to x lie off the fit through those around
  // it (a knee the fit cannot follow).
  double Unsure(const std::vector<Found>& found, double x, double courseSlope) const;
  // On a steep stretch the curve's height at x is better read along the rows across it: their
  // runs' centres give x at each row, and the height is where that line of centres meets x.
  // `courseSlope` is the path's, for where the columns near x are too few to tell the slope.
  double Refine(const std::vector<Found>& found, double x, double courseSlope) const;
  // A dashed curve lost right past `last`: how far from height y (in the columns from it up to
  // column `end`) the nearest run of its colour off the course lies, where its next dash may have
  // gone (the curve turned within the gap, past a peak's top); 0 where none does.
  double OffCourse(const Found& last, double y, double slope, int dir, int end) const;
  // A thick curve's centres placed from the side of its stroke outside the bend, where it bends
  // sharply (a narrow peak's top): see the definition.
  std::vector<Found> Enveloped(const std::vector<Found>& found, double x) const;

  PictureRows rows_;
  const StraightLines& lines_;
  CurveStyle style_;
  CoverMeter cover_;  // style_.Cover, worked out faster
  Parameters p_;
  std::vector<char> confusable_;   // per line: its colour (or, vertical, its edge) passes for the curve's
  std::vector<double> lineCover_;  // per line: how much of the curve's colour it shows
  int contrast2_ = 0;              // squared RGB distance from the background of something drawn over it
};

}  // namespace tracer
