// Whether the curve being followed keeps its own texture. A dashed or dotted curve shows its
// pixels in dashes with gaps between them; where it meets a solid curve of its colour (a data
// sheet's response and impedance drawn alike in black), the follower sees one run go on and cannot
// tell the solid curve from a long dash, so it slides onto it. What it has seen tells them apart:
// once the curve has shown itself dashed (gaps in at least `minGapShare` of the columns seen, over
// at least `minColumns`, with `minGaps` gaps or more), a stretch without a gap longer than
// `dashFactor` times its longest dash (plus `slackColumns`) is not the curve.
//
// The columns are noted as the follower walks them: whether it found the curve's own run there or
// not (hidden, a dash's gap). The texture is learnt first around the pick, so that it is known
// wherever the trace meets the other curve. Where the pick lies on a steep flank, whose columns
// never show the gaps, the dash or dot clicked tells it instead: a patch of the curve's colour
// that ends in the background all round within a few thicknesses is a dash, and the curve is
// dashed with dashes no longer than it (until the columns walked show otherwise).
#pragma once

#include <QImage>
#include <QPointF>
#include <algorithm>
#include <optional>
#include <vector>

#include "CurveFollower.h"

namespace tracer {

class CurveTexture {
 public:
  int minColumns = 24;
  double minGapShare = 0.08;
  int minGaps = 4;
  double dashFactor = 2;
  int slackColumns = 4;
  int coveredColumns = 20;  // the most columns on end the curve may run half hidden
  int reachColumns = 600;   // how far from the stretch the texture is taken
  double regularity = 1.2;  // the longest dash at most this many times the average dash and gap

  int maxCrossed = 3;      // the most columns on end across a line that do not end a dash
  int learnColumns = 160;  // how far on each side of the pick the texture is learnt
  int learnStep = 4;       // columns per step of that walk

  void Clear() {
    columns_.Clear();
    covered_.Clear();
    hidden_ = 0;
    learnt_ = false;
    measured_ = false;
    dash_ = {};
    longestPx_ = 0;
    strokePx_ = 0;
  }
  // A dash or dot of a curve: its length (its patch's diagonal) and how far the next patch of the
  // curve's colour lies from it (0 where none is near), pixels.
  struct Dash {
    int length = 0;
    int gap = 0;
    double width = 0;  // across it, from its pixels' spread; 0 for a patch neither long nor filling its spread
    double along = 0;  // along its long axis, likewise: a dash's length, or a bar's drawn across the course
    double axis = 0;   // that axis' angle from the x axis, radians (y down)
    std::optional<QPoint> next;  // the nearest pixel of the next patch (where `gap` was met)
  };
  // The dash or dot of the curve at `at`, or none where the curve's colour runs on from there, or
  // is cut by something else drawn over it.
  // (Across one of the picture's straight `lines` drawn over the curve, where the curve's colour
  // shows again right past it, the patch goes on as the curve does: a pale grid line drawn over a
  // solid curve makes no dash of it.)
  static std::optional<Dash> DashAt(const QImage& picture, const StraightLines& lines, const CurveStyle& style,
                                    QPointF at);
  // Measures the dash clicked once (before the curve is followed: its gaps are bridged).
  void Measure(const QImage& picture, const StraightLines& lines, const CurvePick& pick);
  bool Measured() const { return measured_; }
  // The columns the follower bridges: `usual`, or across the gaps of the dashes clicked.
  int BridgePx(int usual) const { return std::max(usual, dash_.gap); }
  // How far the dash clicked lies from the next one (0 where none is near).
  int GapPx() const { return dash_.gap; }
  // The longer of the dash clicked and the next one (0 where none was clicked).
  int LongestDashPx() const { return longestPx_; }
  // Whether the pick lies on a dash or dot.
  bool Dashed() const { return dash_.length > 0; }
  // Learns the texture around the pick once, before the curve is traced: a dashed curve met by a
  // solid one of its colour right after a point by hand, or on a steep flank where its gaps do not
  // show, is then told from it all the same. The walk on each side stops where the curve is lost
  // or leaves its texture.
  void Learn(const CurveFollower& follower, const CurvePick& pick);
  bool Learnt() const { return learnt_; }
  // The curve's stroke across its course, the median over the whole runs the learning walk found
  // (at least minStrokeColumns of them); 0 where unknown.
  double StrokePx() const { return strokePx_; }
  int minStrokeColumns = 32;

  // Notes the columns the follower walked: whether it found the curve's run there where a gap
  // would show, where the course crossed a line, and whether the run was cut short by something
  // of another colour drawn along it (a thicker curve whose edge the follower may be on instead).
  void Note(const std::vector<CurveFollower::Column>& walked);
  // How many columns on end the curve was last taken as hidden along a line of its colour, its
  // own run not seen.
  int HiddenColumns() const { return hidden_; }
  // The curve shown where it is (a point placed on it by hand): not hidden there.
  void Seen() { hidden_ = 0; }
  // Forgets what was noted in the columns from..to (a stretch found not to be the curve).
  void Forget(int from, int to);
  // Whether the stretch that ends at `column`, walked towards increasing columns (dir 1) or
  // decreasing ones (-1), keeps the curve's texture; where a dashed curve runs on without its
  // gaps, `streakFrom` is set to the column where that stretch began, less a dash (the curve's
  // last dash that ran into the other).
  bool Keeps(int column, int dir, std::optional<int>* streakFrom = nullptr) const;

 private:
  // A small value per column walked (none for the others), stored densely: a trace notes every
  // column it walks and reads back long stretches of them at each step.
  class PerColumn {
   public:
    static constexpr signed char kNone = -1;
    signed char At(int column) const {
      const long i = long(column) - base_;
      return i >= 0 && i < long(values_.size()) ? values_[std::size_t(i)] : kNone;
    }
    void Set(int column, signed char value);
    // Sets the columns from..to (from <= to) to none.
    void Erase(int from, int to);
    void Clear() { values_.clear(); }
    // The first and last column that may hold a value.
    int First() const { return base_; }
    int Last() const { return base_ + int(values_.size()) - 1; }

   private:
    std::vector<signed char> values_;
    int base_ = 0;  // the column of values_[0]
  };
  enum State : signed char { kGap, kFound, kCrossed };
  PerColumn columns_;  // walked so far: the curve's run found, a gap, or a line crossed
  PerColumn covered_;  // walked so far: whether the run found was cut short there (1) or not (0)
  int hidden_ = 0;     // columns on end taken as hidden along a line, lately
  bool learnt_ = false;
  bool measured_ = false;
  Dash dash_;  // the dash clicked, where the pick lies on one; 0 for none
  int longestPx_ = 0;
  double strokePx_ = 0;
};

}  // namespace tracer
