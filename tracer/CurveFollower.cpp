#include "CurveFollower.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "LineFit.h"
#include "numbers.h"

namespace tracer {

namespace {

int Floor(double v) { return platform::RoundToInt32(std::floor(v)); }

// A curve this thick shows its full shade (at least kFullCover) in every column, where its stroke
// spans two pixels across (a thinner one may straddle two, each short of it).
constexpr double kThickPx = 1.5;
constexpr double kFullCover = 0.8;
// A pixel on a line of the curve's colour lighter than that, deeper than the line by this much, is
// the curve drawn over the line.
constexpr double kOverLine = 0.3;
// A curve this thick mostly does too: a lighter run beside one in its full shade is no sure pick.
constexpr double kThinLightPx = 1.25;
// A curve this thick spans at least kThinnerShare of its thickness in every column it is whole in.
constexpr double kThickerPx = 3;
constexpr double kThinnerShare = 0.6;
// On a solid curve at least kThinnerStrokePx thick, a whole run on a course no steeper than
// kThinnerSlope (where a bend changes the stroke down the column little) spans its stroke across
// it, as its runs showed it, less at most kThinnerPx.
constexpr double kThinnerStrokePx = 2.5;
constexpr double kThinnerSlope = 0.3;
constexpr double kThinnerPx = 0.75;
// Two curves of one width running as one pass for a curve up to twice as thick: each at least
// kHalfShare of it.
constexpr double kHalfShare = 0.4;

// How far, beyond a whole run's centre, the centre of a column placed from one edge may be off
// (pixels). With the other edge cut off by something drawn over the curve: kUnsureCut, plus
// kUnsureCutSlope per unit of slope (the run's height, carried over from the columns before,
// grows and wavers with the slope); with the other edge jumping outwards (something merging with
// the curve): kUnsureJump; with it against a line of the curve's colour, or the curve hidden along
// such a line (the line's centre known to a fraction of a pixel): kUnsureLine.
constexpr double kUnsureCut = 0.25;
constexpr double kUnsureCutSlope = 0.4;
constexpr double kUnsureJump = 0.5;
constexpr double kUnsureLine = 0.2;
// How far the middle of the path's last three points stands off the chord of the other two where
// the path turns over a peak's or a dip's top between them (pixels).
constexpr double kTurnPx = 3;
// A run found whole may be up to kGrowthPx taller than the curve's (JPEG noise, a bend); beyond
// that, on a course no steeper than kGrowthSlope (steeper, a bend alone makes the run tall), it
// is merging with something along it, and its centre is pulled towards that by half the growth.
constexpr double kGrowthPx = 1.2;
constexpr double kGrowthSlope = 0.75;
// Grown taller than the run expected on a course up to kGrowthUnsureSlope (a marker of the curve's
// colour drawn on a flank), a run's centre is unsure by half the growth beyond kGrowthPx.
constexpr double kGrowthUnsureSlope = 2;
// A run cut short on one side no taller than this shows only the fringe of something cut off.
constexpr double kSliverPx = 0.1;
// Columns past two runs too close to tell apart in which the one not taken is looked for on the
// course they came after.
constexpr int kRecheckColumns = 6;
// The steepest course on which a vertical line crossing a dash's gap leaves the gap bare.
constexpr double kShallowUnderLine = 1;
// A run far taller than the curve's whose centre lies this near the course (a share of its height:
// a marker drawn on a sloping curve) is something drawn across the curve, not merging with it.
constexpr double kAcrossShare = 0.25;
// The share by which a run may be taller than the stroke across the course where its slope is only
// the path's (at a walk's start).
constexpr double kUnknownRunShare = 1.25;
// A height carried beyond the columns found, on one side of x only, is off by up to this share of
// the slope per column carried (past the first half column).
constexpr double kCarriedShare = 0.5;
// Rows' centres whose course (columns per row) differs from the columns' by more than this share
// of it do not follow the curve.
constexpr double kRowsAlongCourse = 0.5;
// The steepest a curve is taken to turn within a gap, pixels per column.
constexpr double kBesideSlope = 2;
// A gap of fewer columns than this (a dot's gap, a thin line crossing) hides no turn of the curve:
// the runs found on both sides bound its course.
constexpr double kBesideGapColumns = 4;
// A run is taller than the course on each side of it explains by up to this much (a blurred
// picture's fringes) without the curve turning within its column.
constexpr double kZigzagSlackPx = 1.5;
// The columns past a gap that give the course's slope there.
constexpr double kSideColumns = 4;
// x lies inside a bridged stretch where the nearest column found on one side of it is farther than
// kBridgedGapPx; the columns fitted across it stray from the fit by up to kBridgedSlackPx (beyond
// their own unsureness) where they place one course.
constexpr double kBridgedGapPx = 1.5;
constexpr double kBridgedSlackPx = 0.5;
// How far the columns next to x may stray from the fit through them before the height at x is
// taken as less sure by what is beyond it (a fit that cannot follow the curve's knee).
constexpr double kMisfitSlackPx = 0.5;
// Past a dash's end, how far its columns' fit may turn from the path's course (from the dash's
// middle to x) before the height at x is taken as less sure by what is beyond it.
constexpr double kDashTurnSlackPx = 0.5;
// How much taller than a dashed curve's longest dash a run may be (anti-aliased fringes, a dash
// along a steep course spanning its stroke more) and still be one of its dashes.
constexpr double kDashSlackPx = 2;
// Where x lies in a bridged stretch, its height is fitted through so many columns on each side.
constexpr std::size_t kNearestOnEachSide = 3;
// A hollow marker's outline is looked for within kMarkerReachShare of the curve's run height, or
// kMarkerReachPx, of the course.
constexpr double kMarkerReachShare = 4;
constexpr double kMarkerReachPx = 12;
// The steepest course (pixels per column) a marker is bridged over on.
constexpr double kMarkerSlope = 0.5;
// A thick curve's centres within kEnvelopeReach columns of x are placed from its stroke's side
// outside a bend, where the two sides place them kEnvelopeGap or more apart, on courses up to
// kEnvelopeSlope bending by kEnvelopeBend or more (pixels per column, per column).
constexpr double kEnvelopeReach = 3.5;
constexpr double kEnvelopeGap = 0.3;
constexpr double kEnvelopeBend = 0.1;
constexpr double kEnvelopeSlope = 1.5;
constexpr double kEndShare = 0.25;
// How many columns further the fit reaches past columns cut by a vertical line drawn over the curve.
constexpr int kLineBandColumns = 3;
// The most rows of a horizontal line of another colour that may hide a curve drawn under it.
constexpr int kUnderLineRows = 4;
// The least cover of a curve's edge beside a line drawn over the curve.
constexpr double kEdgeCover = 0.2;
// A row across a steep stretch reads the curve where it holds at least this share of the curve's
// stroke along it.
constexpr double kRowShare = 0.75;
// A course at least this steep (the path's, over its last step of at most kNearStepPx columns) is
// read along the rows even where the columns found near x (a dash or dot alone) look shallower.
constexpr double kSteepCourse = 1.5;
constexpr double kNearStepPx = 12;
// A run found whole but shorter than the stroke of a curve at least kShortThickPx thick, by more
// than kShortSlackPx, on a course no steeper than kShortSlope (steeper, a bend alone shortens the
// runs), is an end of the stroke: its centre is off by up to half of what is missing. On a curve
// known to be dashed, each dash's end cuts the runs short on steeper courses too, up to
// kShortSlopeDashed; on any course where the dashes are kThickerPx or thicker (a bend shortens a
// thick stroke's runs far less than a dash's square-cut end does).
constexpr double kShortThickPx = 2;
// A gap of a curve shows in a column where its course is no steeper than kShallowTelling; a dashed
// curve's where it is no steeper than kSteepTelling and the background shows across its run.
constexpr double kShallowTelling = 0.6;
// Past the plot's frame, the columns next to it show nothing of the curve (which ends there): what
// is found first lies at least kPastFramePx (and half the curve's thickness) past it.
constexpr double kPastFramePx = 3;
// How much taller than the stroke across a shallow course a run against a line of the curve's
// colour may be (anti-aliased fringes) and still be the curve's alone.
constexpr double kOverStrokePx = 1;
// How close a run's edge may come to the last run's and still touch it (fringe rounding).
constexpr double kTouchPx = 0.5;
// A dashed curve's run against a line of its colour that falls short of the stroke across by more
// than kDotEndPx (the line's rows counted in) is a dash's end.
constexpr double kDotEndPx = 0.75;
constexpr double kSteepTelling = 1.5;
// Where the path turns, another curve of its colour crossing it there shows along the branch it
// turned onto, carried back against the path (see CrossedAt): the columns read (at most
// kCrossColumns back), where the line lies kCrossClearPx clear of the path's stroke and no more
// than twice the stroke and kCrossReachPx farther; at least kCrossShown of them show the colour
// before more than kCrossMissed do not.
constexpr double kCrossCourseColumns = 4;  // the path's course before the branch: over so many columns
constexpr double kCrossTurn = 1;           // the least turn from it (slope), plus kCrossTurnShare of
constexpr double kCrossTurnShare = 0.25;   // the two slopes' sizes
constexpr double kCrossClearPx = 1.5;
constexpr double kCrossReachPx = 6;
constexpr int kCrossShown = 4;
constexpr int kCrossMissed = 1;
// How much wider per column the band along a course carried past a turn is read (see GoesOnAt),
// and the least turn read so (slope, plus kCrossTurnShare of the two slopes' sizes): less than a
// crossing's (kCrossTurn), as two curves of one colour weaving about each other part at shallow
// angles.
constexpr double kGoesOnWidening = 0.15;
constexpr double kGoesOnTurn = 0.6;
// The steepest course on which a curve meeting a horizontal line of its colour may run on hidden
// along it (one settling onto the line flattens to it); steeper, it crosses the line in a few
// columns (a dotted curve's dots, a few columns apart, meeting a dotted grid line they pass for,
// would otherwise take the line's course).
constexpr double kAlongSlope = 0.4;
// Columns since the curve was last found whose course showed the background: that many rule out
// the curve hidden under a line the course then meets.
constexpr int kBareBeforeLine = 2;
constexpr double kShortSlope = 1;
constexpr double kShortSlopeDashed = 3;
constexpr double kShortSlackPx = 0.5;
// A run this much shorter than the stroke across the course, against a line drawn over the curve,
// is cut by the line.
constexpr double kShortOfStrokePx = 0.5;

// The least-squares polynomial of degree 1 or 2 through `points`, at x (about x, for stability).
std::optional<double> PolyFit(const std::vector<std::pair<double, double>>& points, double x, int degree) {
  const int n = degree + 1;
  double a[3][4] = {};
  for (const auto& [px, py] : points) {
    const double u = px - x;
    const double powers[3] = {1, u, u * u};
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        a[i][j] += powers[i] * powers[j];
      }
      a[i][n] += powers[i] * py;
    }
  }
  // Gaussian elimination with partial pivoting.
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) {
        pivot = r;
      }
    }
    if (std::fabs(a[pivot][col]) < 1e-9) {
      return std::nullopt;
    }
    std::swap(a[col], a[pivot]);
    for (int r = 0; r < n; ++r) {
      if (r != col) {
        const double f = a[r][col] / a[col][col];
        for (int k = col; k <= n; ++k) {
          a[r][k] -= f * a[col][k];
        }
      }
    }
  }
  return a[0][n] / a[0][0];  // the value at u = 0
}

}  // namespace

CurveFollower::CurveFollower(const QImage& picture, const StraightLines& lines, const CurveStyle& style)
    : CurveFollower(picture, lines, style, Parameters()) {}

CurveFollower::CurveFollower(const QImage& picture, const StraightLines& lines, const CurveStyle& style,
                             Parameters parameters)
    : rows_(picture), lines_(lines), style_(style), cover_(style), p_(parameters) {
  for (const StraightLine& line : lines.Lines()) {
    // A vertical line in a deeper shade of the curve's hue (a grey curve, the black frame) has a
    // fringe of blends that pass for the curve all along it: its columns tell nothing either.
    const bool deeper = !line.horizontal && style.Deeper(line.colour);
    confusable_.push_back(deeper || style.LineCover(line) >= p_.minCover ? 1 : 0);
    lineCover_.push_back(deeper ? style.darkest : style.LineCover(line));
  }
  contrast2_ = ColourDistance2(style.colour, style.background) / 4;
}

bool CurveFollower::Masked(int x, int y) const {
  return lines_.AnyLineAt(x, y, [this](int n, const StraightLine&) { return confusable_[std::size_t(n)] != 0; });
}

double CurveFollower::MaskCover(int x, int y) const {
  double under = -1;
  lines_.AnyLineAt(x, y, [&](int n, const StraightLine&) {
    if (confusable_[std::size_t(n)] != 0) {
      under = std::max(under, lineCover_[std::size_t(n)]);
    }
    return false;
  });
  return under;
}

bool CurveFollower::OnVerticalLine(int x, int y) const {
  return lines_.AnyLineAt(x, y, [](int, const StraightLine& line) { return !line.horizontal; });
}

std::vector<CurveFollower::Run> CurveFollower::RunsIn(int column, int lo, int hi, double joinUpTo) const {
  std::vector<Run> runs;
  const int H = rows_.Height();
  if (column < 0 || column >= rows_.Width()) {
    return runs;
  }
  lo = std::max(0, lo);
  hi = std::min(H - 1, hi);
  if (lo > hi) {
    return runs;
  }
  // Per row: the cover, or -2 where a line of the curve's colour lies. (On a line lighter than
  // the curve's full shade, a pixel far deeper than the line is the curve drawn over it.)
  const auto cover = [&](int y) {
    const double under = MaskCover(column, y);
    const double own = cover_(rows_.At(column, y));
    return under < 0 || (under < kFullCover && own >= under + kOverLine) ? own : -2.0;
  };
  // A run that reaches the window's edge is read on, up to a long steep stretch.
  const int cap = std::max(64, 8 * (hi - lo + 1));
  while (lo > 0 && lo > hi - cap && cover(lo) >= p_.minCover) {
    --lo;
  }
  while (hi < H - 1 && hi < lo + cap && cover(hi) >= p_.minCover) {
    ++hi;
  }
  std::vector<double> c(std::size_t(hi - lo + 1));
  for (int y = lo; y <= hi; ++y) {
    c[std::size_t(y - lo)] = cover(y);
  }
  const auto at = [&](int y) { return y < lo || y > hi ? -1.0 : c[std::size_t(y - lo)]; };
  // A curve hidden under a horizontal line of another colour drawn over it shows only its edges,
  // in the rows right above and below the line, each partly covered (a stroke centred on the line
  // may leave less than minCover of either): where both show, they are drawn (and joined below).
  std::vector<char> edge;  // (sized when one is found: seldom)
  const auto otherLine = [&](int y) {
    return at(y) != -2.0 && lines_.AnyLineAt(column, y, [&](int n, const StraightLine& l) {
      return l.horizontal && confusable_[std::size_t(n)] == 0 && std::fabs(y + 0.5 - l.centre) < l.thickness / 2 + 0.25;
    });
  };
  // The rows from `from` on, `step` at a time, that show at least an edge's cover.
  const auto shown = [&](int from, int step) {
    int n = 0;
    while (n < kUnderLineRows + 2 && at(from + n * step) >= kEdgeCover) {
      ++n;
    }
    return n;
  };
  for (int y = lo; y < hi; ++y) {
    if (at(y) < kEdgeCover || otherLine(y) || !otherLine(y + 1) || OnVerticalLine(column, y)) {
      continue;
    }
    int k = 1;
    while (k < kUnderLineRows && y + k + 1 <= hi && otherLine(y + k + 1)) {
      ++k;
    }
    // (As a stroke under the line shows them: alike on both sides, not a curve's whole run on one
    // side and another's edge on the other.)
    if (at(y + k + 1) >= kEdgeCover && !otherLine(y + k + 1) && !OnVerticalLine(column, y + k + 1) &&
        std::abs(shown(y, -1) - shown(y + k + 1, 1)) <= 1) {
      edge.resize(c.size(), 0);
      edge[std::size_t(y - lo)] = 1;
      edge[std::size_t(y + k + 1 - lo)] = 1;
    }
  }
  const auto drawn = [&](int y) {
    return at(y) >= p_.minCover || (!edge.empty() && y >= lo && y <= hi && edge[std::size_t(y - lo)] != 0);
  };
  for (int y = lo; y <= hi;) {
    if (!drawn(y)) {
      ++y;
      continue;
    }
    Run run;
    run.top = y;
    while (y + 1 <= hi && drawn(y + 1)) {
      ++y;
    }
    run.bottom = y;
    ++y;
    for (int r = run.top; r <= run.bottom; ++r) {
      run.peak = std::max(run.peak, at(r));
    }
    run.touchesTop = at(run.top - 1) == -2.0;
    run.touchesBottom = at(run.bottom + 1) == -2.0;
    // Beyond the run (and its fringe), a pixel neither the curve's nor the background's (at least
    // half the curve's contrast), nor a grid line's: another curve drawn over the curve's edge
    // (kOver). On a line of another colour, one neither of the line's shade nor the curve's edge
    // over it: another curve drawn over the line there (kOverLine).
    enum Cover { kClear, kOver, kOverLine };
    const auto coverAt = [&](int row) {
      if (row < 0 || row >= H || at(row) == -2.0) {
        return kClear;
      }
      const QRgb p = rows_.At(column, row);
      if (cover_(p) >= 0 || ColourDistance2(p, style_.background) <= contrast2_) {
        return kClear;
      }
      const StraightLine* line = lines_.LineAt(column, row);
      if (line == nullptr) {
        return kOver;
      }
      return ColourDistance2(p, line->colour) > contrast2_ && style_.CoverOver(p, line->colour) < 0 ? kOverLine
                                                                                                    : kClear;
    };
    // The row beside the run, and the one past it where that one is the run's fringe; what covers
    // the run there, and whether it is the curve's hue in a deeper shade.
    const auto side = [&](int next, int step, bool& over, bool& overLine, bool& deeper) {
      for (const int row : {next, at(next) > 0 ? next + step : -1}) {
        const Cover k = row < 0 ? kClear : coverAt(row);
        over = over || k == kOver;
        overLine = overLine || k == kOverLine;
        deeper = deeper || (k == kOver && style_.Deeper(rows_.At(column, row)));
      }
    };
    side(run.top - 1, -1, run.coveredTop, run.coverTopOnLine, run.deeperTop);
    side(run.bottom + 1, 1, run.coveredBottom, run.coverBottomOnLine, run.deeperBottom);
    // The first row from `next` on, `step` at a time, past rows covered as `covers` tells (a few
    // rows at most: another curve's stroke).
    const auto pastCover = [&](int next, int step, int most, auto covers) {
      int row = next;
      while (std::abs(row - next) <= most && row >= 0 && row < H && covers(coverAt(row))) {
        row += step;
      }
      return row;
    };
    // Past a cover of the curve's hue in a deeper shade (a thicker curve of its colour), a line of
    // the curve's colour, whose edge the curve may have left the cover's for (its fringe rows pass
    // for the line's).
    const auto lineBeyond = [&](int next, int step) {
      int row = pastCover(next, step, 2 * kUnderLineRows, [](Cover k) { return k == kOver; });
      if (row == next || row < 0 || row >= H || !Masked(column, row)) {
        return -1.0;
      }
      while (row + step >= 0 && row + step < H && Masked(column, row + step)) {
        row += step;
      }
      return step < 0 ? double(row) : double(row + 1);
    };
    // The far edge of what covers it (another curve's stroke, over a line or not), the row beside
    // the run counted in.
    const auto coverEnd = [&](int next, int step) {
      const int row = pastCover(next + step, step, 3 * kUnderLineRows, [](Cover k) { return k != kClear; }) - step;
      return step < 0 ? double(row) : double(row + 1);
    };
    if (run.coveredTop) {
      run.coverEndTop = coverEnd(run.top - 1, -1);
    }
    if (run.coveredBottom) {
      run.coverEndBottom = coverEnd(run.bottom + 1, 1);
    }
    if (run.deeperTop) {
      run.lineBeyondTop = lineBeyond(run.top - 1, -1);
    }
    if (run.deeperBottom) {
      run.lineBeyondBottom = lineBeyond(run.bottom + 1, 1);
    }
    // Its edges to a fraction of a pixel: the end pixels' and the fringes' partial cover.
    run.topEdge = run.top + 1 - std::min(1.0, at(run.top)) - std::max(0.0, at(run.top - 1));
    run.bottomEdge = run.bottom + std::min(1.0, at(run.bottom)) + std::max(0.0, at(run.bottom + 1));
    // The centroid of the run and its anti-aliased fringe on each side.
    double weight = 0;
    double moment = 0;
    for (int r = run.top - 1; r <= run.bottom + 1; ++r) {
      const double w = std::max(0.0, at(r));
      weight += w;
      moment += w * (r + 0.5);
    }
    run.centre = moment / weight;
    // Parted from the run before only by a horizontal line of another colour drawn over the curve
    // (a few rows), and together no taller than the curve's run: one run of the curve, hidden
    // under the line there.
    if (!runs.empty()) {
      Run& before = runs.back();
      const int gapRows = run.top - before.bottom - 1;
      bool underLine = gapRows >= 1 && gapRows <= kUnderLineRows;
      for (int r = before.bottom + 1; underLine && r < run.top; ++r) {
        underLine =
            at(r) != -2.0 && lines_.AnyLineAt(column, r, [](int, const StraightLine& l) { return l.horizontal; });
      }
      if (underLine && run.bottomEdge - before.topEdge > joinUpTo) {
        // Together taller than the curve's run: a steeper stretch of it than the course expects
        // (a narrow peak's flank leaving its top), or two curves crossing at the line. Neither
        // piece is the curve's whole run, and neither places it.
        underLine = false;
        before.parted = true;
        run.parted = true;
      }
      if (underLine) {
        double both = 0;
        double bothMoment = 0;
        for (int r = before.top - 1; r <= run.bottom + 1; ++r) {
          const double w = r > before.bottom && r < run.top ? 1.0 : std::max(0.0, at(r));
          both += w;
          bothMoment += w * (r + 0.5);
        }
        before.bottom = run.bottom;
        before.bottomEdge = run.bottomEdge;
        before.centre = bothMoment / both;
        // (The rows under the line count as the curve's full shade, as in the centre.)
        before.peak = std::max({before.peak, run.peak, 1.0});
        before.touchesBottom = run.touchesBottom;
        before.coveredBottom = run.coveredBottom;
        before.deeperBottom = run.deeperBottom;
        continue;
      }
    }
    runs.push_back(run);
  }
  return runs;
}

std::vector<CurveFollower::Found> CurveFollower::NearestOnEachSide(const std::vector<Found>& found, double x,
                                                                   bool skipUnderLine) {
  std::vector<Found> before;
  std::vector<Found> after;
  for (const Found& f : found) {
    if (!(skipUnderLine && f.underLine)) {
      (f.x < x ? before : after).push_back(f);
    }
  }
  const auto byDistance = [x](const Found& a, const Found& b) { return std::fabs(a.x - x) < std::fabs(b.x - x); };
  std::sort(before.begin(), before.end(), byDistance);
  std::sort(after.begin(), after.end(), byDistance);
  std::vector<Found> nearest;
  for (std::size_t i = 0; i < kNearestOnEachSide; ++i) {
    if (i < before.size()) {
      nearest.push_back(before[i]);
    }
    if (i < after.size()) {
      nearest.push_back(after[i]);
    }
  }
  return nearest;
}

double CurveFollower::Fit(const std::vector<Found>& found, double x, std::vector<std::pair<double, double>>* fitted,
                          int* degreeUsed) const {
  // The columns found within fitColumns of x; where x lies in a bridged stretch, the nearest few
  // on each side of it.
  std::vector<std::pair<double, double>> near;
  // (Where a vertical line of another colour drawn over the curve crosses the run in x's own
  // column, and may cut its ends there and in the columns beside it, the columns clear of the line
  // a few further on each side place the curve instead.)
  int clearBefore = 0;
  int clearAfter = 0;
  for (const Found& f : found) {
    if (!f.underLine && std::fabs(f.x - x) <= p_.fitColumns + kLineBandColumns + 0.5) {
      (f.x <= x ? clearBefore : clearAfter) += 1;
    }
  }
  const bool skipUnderLine =
      clearBefore >= 1 && clearAfter >= 1 && clearBefore + clearAfter >= 3 && UnderLineAt(found, x);
  const double reach = p_.fitColumns + (skipUnderLine ? kLineBandColumns : 0) + 0.5;
  for (const Found& f : found) {
    if (skipUnderLine && f.underLine) {
      continue;
    }
    if (std::fabs(f.x - x) <= reach) {
      near.emplace_back(f.x, f.y);
    }
  }
  const bool bothSides = std::any_of(near.begin(), near.end(), [x](const auto& p) { return p.first <= x; }) &&
                         std::any_of(near.begin(), near.end(), [x](const auto& p) { return p.first >= x; });
  if (!bothSides || near.size() < 3) {
    near.clear();
    for (const Found& f : NearestOnEachSide(found, x, skipUnderLine)) {
      near.emplace_back(f.x, f.y);
    }
  }
  const int degree = near.size() >= 5 ? 2 : 1;
  if (fitted != nullptr) {
    *fitted = near;
  }
  if (degreeUsed != nullptr) {
    *degreeUsed = degree;
  }
  if (near.size() == 1) {
    return near[0].second;
  }
  if (const std::optional<double> y = PolyFit(near, x, degree)) {
    return *y;
  }
  return near[0].second;
}

bool CurveFollower::UnderLineAt(const std::vector<Found>& found, double x) {
  return std::any_of(found.begin(), found.end(),
                     [x](const Found& f) { return f.underLine && std::fabs(f.x - x) <= 0.5; });
}

double CurveFollower::Unsure(const std::vector<Found>& found, double x, double courseSlope) const {
  double sum = 0;
  int n = 0;
  const Found* before = nullptr;
  const Found* after = nullptr;
  for (const Found& f : found) {
    if (std::fabs(f.x - x) <= p_.fitColumns + 0.5) {
      sum += f.unsure;
      ++n;
    }
    const Found*& side = f.x < x ? before : after;
    if (side == nullptr || std::fabs(f.x - x) < std::fabs(side->x - x)) {
      side = &f;
    }
  }
  if (n == 0) {
    for (const Found* f : {before, after}) {
      if (f != nullptr) {
        sum += f->unsure;
        ++n;
      }
    }
  }
  double extrapolated = 0;
  if ((before == nullptr) != (after == nullptr)) {
    // Found on one side of x only: the height is carried beyond the columns found, along a slope
    // known only so well.
    const double d = std::fabs((before != nullptr ? before : after)->x - x);
    const double slope = std::max(std::fabs(Fit(found, x + 0.5) - Fit(found, x - 0.5)), std::fabs(courseSlope));
    extrapolated = kCarriedShare * std::max(0.0, d - 0.5) * slope;
  }
  // Inside a stretch bridged over (found on both sides, but a gap on at least one of them): the
  // height is fitted through the nearest columns on each side, and is off by as much as they stray
  // from the fit (a dash's start cut short past the gap, a course that turns within it).
  double bridged = 0;
  if (before != nullptr && after != nullptr && std::max(x - before->x, after->x - x) > kBridgedGapPx) {
    std::vector<std::pair<double, double>> points;
    std::vector<double> own;
    for (const Found& f : NearestOnEachSide(found, x, false)) {
      points.emplace_back(f.x, f.y);
      own.push_back(f.unsure);
    }
    const int degree = points.size() >= 5 ? 2 : 1;
    if (points.size() > std::size_t(degree) + 1) {
      for (std::size_t i = 0; i < points.size(); ++i) {
        const auto [px, py] = points[i];
        bridged =
            std::max(bridged, std::fabs(PolyFit(points, px, degree).value_or(py) - py) - own[i] - kBridgedSlackPx);
      }
    }
  }
  // The fit's own misfit at the columns next to x: a straight line or parabola through the columns
  // around a sharp knee (a narrow peak's steep flank turning into its top within a column or two)
  // cannot follow it, and the height fitted at x is off by about as much as it misses them.
  double misfit = 0;
  std::vector<std::pair<double, double>> fitted;
  int degree = 1;
  Fit(found, x, &fitted, &degree);
  if (fitted.size() > std::size_t(degree) + 1) {
    for (const Found* f : {before, after}) {
      if (f != nullptr && std::fabs(f->x - x) <= 1) {
        misfit = std::max(misfit,
                          std::fabs(PolyFit(fitted, f->x, degree).value_or(f->y) - f->y) - f->unsure - kMisfitSlackPx);
      }
    }
  }
  return (n > 0 ? sum / n : 0) + extrapolated + std::max(bridged, misfit);
}

double CurveFollower::OffCourse(const Found& last, double y, double slope, int dir, int end) const {
  // (Off the stroke across the course, within twice its rows and the curve's thickness more on
  // each side, and as far as the curve may have turned by from the last column found: as far as
  // its next dash lies past a sharp turn.)
  const double across = style_.thickness * std::sqrt(1 + slope * slope);
  std::optional<double> nearest;
  for (int c = Floor(last.x); (c - end) * dir <= 0; c += dir) {
    const double along = last.y + slope * (c + 0.5 - last.x);
    const double reach = 2 * across + 2 * style_.thickness + kBesideSlope * std::fabs(c + 0.5 - last.x);
    // Up to a vertical line and in its columns, not past it (the plot's frame, beyond which lie its
    // labels); a grid line's own columns may hold the next dash.
    const bool onLine = c != Floor(last.x) && OnVerticalLine(c, std::clamp(Floor(along), 0, rows_.Height() - 1));
    for (const Run& run : RunsIn(c, Floor(along - reach), Floor(along + reach), 0)) {
      if (run.topEdge <= along + across / 2 && run.bottomEdge >= along - across / 2) {
        continue;  // on the course: the walk saw it
      }
      if (run.peak < kFullCover || run.bottomEdge - run.topEdge < style_.thickness / 2) {
        continue;  // a speck of the colour's fringe (a grid's dot, noise), no dash
      }
      const double d = std::max({0.0, run.topEdge - y, y - run.bottomEdge});
      nearest = std::min(nearest.value_or(d), d);
    }
    if (onLine) {
      break;
    }
  }
  return nearest.value_or(0);
}

// The stroke of a thick curve is its centre line swept by a disc of half its thickness. Each
// column's run reaches, at its top, a disc whose centre lies on the curve: the curve passes no
// higher at x than the top edges nearby, each lowered by the disc's height at its distance from x
// (the highest of those), nor lower than the bottom edges likewise raised. Where the curve runs
// straight the two meet at the centre between the edges; where it bends sharply, the side outside
// the bend still meets it (a peak's top is a disc's top), while inside the bend the discs' edges
// overlap and the run's centre is pulled that way. Which side is outside tells the way the centres
// bend.
std::vector<CurveFollower::Found> CurveFollower::Enveloped(const std::vector<Found>& found, double x) const {
  const double radius = style_.thickness / 2;
  // (The way the centres bend takes five columns within the disc's reach: a curve over 4 pixels
  // thick.)
  const int reach = platform::RoundToInt32(std::ceil(radius)) - 1;
  if (style_.thickness < kThickerPx || reach < 2) {
    return found;
  }
  std::vector<Found> out = found;
  for (Found& f : out) {
    if (!f.whole || f.height <= 0 || std::fabs(f.x - x) > kEnvelopeReach) {
      continue;
    }
    // The run in each column within the disc's reach (one, clear of lines and of anything drawn
    // over it, else nothing is placed), and the way their centres bend.
    std::vector<std::pair<double, double>> centres;
    double top = -1e9;
    double bottom = 1e9;
    for (int d = -reach; d <= reach && int(centres.size()) == d + reach; ++d) {
      const int c = Floor(f.x) + d;
      const double lo = f.y - f.height / 2 - radius - 1;
      const double hi = f.y + f.height / 2 + radius + 1;
      const Run* only = nullptr;
      int meeting = 0;
      const std::vector<Run> runs = RunsIn(c, Floor(lo) - 1, Floor(hi) + 1, 0);
      for (const Run& run : runs) {
        if (run.bottomEdge >= lo && run.topEdge <= hi) {
          only = &run;
          ++meeting;
        }
      }
      if (meeting != 1 || only->touchesTop || only->touchesBottom || only->coveredTop || only->coveredBottom) {
        break;
      }
      const double dx = c + 0.5 - f.x;
      const double rise = std::sqrt(std::max(0.0, radius * radius - dx * dx));
      top = std::max(top, only->topEdge + rise);
      bottom = std::min(bottom, only->bottomEdge - rise);
      centres.emplace_back(c + 0.5, (only->topEdge + only->bottomEdge) / 2);
    }
    if (int(centres.size()) < 2 * reach + 1) {
      continue;
    }
    const std::optional<double> ahead = PolyFit(centres, f.x + 1, 2);
    const std::optional<double> here = PolyFit(centres, f.x, 2);
    const std::optional<double> behind = PolyFit(centres, f.x - 1, 2);
    if (!ahead || !here || !behind) {
      continue;
    }
    // Only where the centres bend clearly and the two sides place the curve apart, though no
    // further than the disc's radius (else a column's run holds something else too).
    const double bend = *ahead + *behind - 2 * *here;
    if (std::fabs(*ahead - *behind) / 2 > kEnvelopeSlope || std::fabs(bend) < kEnvelopeBend ||
        bottom - top < kEnvelopeGap || bottom - top > radius) {
      continue;
    }
    // Centres bending down on both sides (a peak on the picture): its top side is outside.
    f.y = bend > 0 ? top : bottom;
  }
  return out;
}

double CurveFollower::Refine(const std::vector<Found>& foundAsRun, double x, double courseSlope) const {
  const std::vector<Found> found = Enveloped(foundAsRun, x);
  const double y0 = Fit(found, x);
  std::vector<std::pair<double, double>> near;
  for (const Found& f : found) {
    if (std::fabs(f.x - x) <= 3.5 && f.height > 0) {
      near.emplace_back(f.x, f.y);
    }
  }
  if (near.size() < 3) {
    return y0;
  }
  const std::optional<double> ahead = PolyFit(near, x + 1, 1);
  const std::optional<double> behind = PolyFit(near, x - 1, 1);
  if (!ahead || !behind) {
    return y0;
  }
  double s = (*ahead - *behind) / 2;
  const bool lone = std::fabs(s) < 1.5;
  if (lone) {
    // A few columns only, on a steep course: one dash or dot of the curve, whose runs' centres
    // down the columns need not follow the course (a square dot's lie level); its rows do. (Not a
    // solid curve's columns that turn against the course: a narrow peak's top, found between grid
    // lines drawn over it.)
    const auto [first, last] = std::minmax_element(near.begin(), near.end());
    if (std::fabs(courseSlope) < kSteepCourse || last->first - first->first >= 5 ||
        (!p_.dashed && s * courseSlope < 0)) {
      return y0;
    }
    s = courseSlope;
  }
  // The rows within a column and a half of x on the curve's course.
  const double reach = 1.5 * std::fabs(s);
  const double full = style_.thickness * std::sqrt(1 + 1 / (s * s));  // the stroke along a row
  const double half = full / 2 + 2;
  std::vector<std::pair<double, double>> centres;  // y, x
  bool crossing = false;                           // a vertical line crosses the rows read
  for (int r = Floor(y0 - reach); r <= Floor(y0 + reach); ++r) {
    if (r < 0 || r >= rows_.Height()) {
      continue;
    }
    const double expect = x + (r + 0.5 - y0) / s;
    const int from = std::max(0, Floor(expect - half));
    const int to = std::min(rows_.Width() - 1, Floor(expect + half));
    double weight = 0;
    double moment = 0;
    bool clean = true;
    for (int c = from; c <= to; ++c) {
      if (Masked(c, r)) {
        clean = false;
        break;
      }
      crossing = crossing || OnVerticalLine(c, r);
      const double w = std::max(0.0, cover_(rows_.At(c, r)));
      weight += w;
      moment += w * (c + 0.5);
    }
    // Only rows whose run lies wholly inside the stretch read, clear of lines, and that cross the
    // curve's whole stroke (not a dash's end, cut across the curve, nor its gap).
    if (clean && weight >= std::max(0.5, kRowShare * full) && cover_(rows_.At(from, r)) < p_.minCover &&
        cover_(rows_.At(to, r)) < p_.minCover) {
      centres.emplace_back(r + 0.5, moment / weight);
    }
  }
  // (Rows only to one side of x, the others cut by a vertical line drawn over the curve, carry
  // their course on to x along a slope they measure over a few rows only: the columns place it. So
  // too on a solid curve, whose columns are whole; a dashed one's may be a dash's end, whose rows,
  // though to one side, place it better.)
  const auto [leftmost, rightmost] = std::minmax_element(
      centres.begin(), centres.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  if (centres.size() < 3 || ((crossing || !p_.dashed) && (leftmost->second > x || rightmost->second < x))) {
    return y0;
  }
  // x along the rows as a straight line of y; the height where it meets x.
  const std::optional<double> xAtY0 = PolyFit(centres, y0, 1);
  const std::optional<double> xAbove = PolyFit(centres, y0 + 1, 1);
  if (!xAtY0 || !xAbove || std::fabs(*xAbove - *xAtY0) < 1e-6) {
    return y0;
  }
  // (The centres must run along the course: a round dot's few rows all centre on the dot, and the
  // line through them runs nearly upright, meeting x far off.)
  if (std::fabs(*xAbove - *xAtY0 - 1 / s) > kRowsAlongCourse / std::fabs(s)) {
    return y0;
  }
  const double y = y0 + (x - *xAtY0) / (*xAbove - *xAtY0);
  // (At a lone dash the columns' fit may be off by more: its end cuts their runs short. So may a
  // thick curve's where it turns: the run down a column reaches into the turn on one side only,
  // and its centre is off the curve's by up to half the run; unless a vertical line, the grid's or
  // the frame's, crosses the rows, and may cover or cut off the stroke along them.)
  const double thick = style_.thickness >= kThickerPx && !crossing ? style_.thickness * std::sqrt(1 + s * s) / 2 : 0;
  return std::fabs(y - y0) <= (lone ? 2 * reach : reach) + thick ? y : y0;
}

std::optional<double> CurveFollower::HiddenUnder(int column, double y, bool* lighter) const {
  std::optional<double> centre;
  const int row = Floor(y);
  for (int r = row - 1; r <= row + 1 && !centre; ++r) {
    lines_.AnyLineAt(column, r, [&](int n, const StraightLine& line) {
      // Hidden means wholly under the line's band (its thickness and half a pixel each side).
      if (line.horizontal && confusable_[std::size_t(n)] != 0 &&
          std::fabs(line.centre - y) + style_.thickness / 2 <= line.thickness / 2 + 1) {
        centre = line.centre;
        if (lighter != nullptr) {
          *lighter = cover_(line.colour) < kFullCover;
        }
        return true;
      }
      return false;
    });
  }
  return centre;
}

std::optional<double> CurveFollower::HeightAt(const std::vector<QPointF>& path, double x, std::vector<Column>* walked,
                                              double* unsurePx, double* slopeAt) const {
  if (unsurePx != nullptr) {
    *unsurePx = 0;
  }
  if (slopeAt != nullptr) {
    *slopeAt = 0;
  }
  if (path.empty()) {
    return std::nullopt;
  }
  const QPointF start = path.back();
  const int dir = x >= start.x() ? 1 : -1;
  // The slope the path brings: through its last points (a few steps back at most).
  double pathSlope = 0;
  bool slopeKnown = false;
  for (std::size_t i = path.size() - 1; i-- > 0 && path.size() - i <= 3;) {
    if (std::fabs(start.x() - path[i].x()) >= 1) {
      pathSlope = (start.y() - path[i].y()) / (start.x() - path[i].x());
      slopeKnown = true;
    }
  }
  // Where the path's last step turns back from the two steps before it (a peak's or a dip's top
  // passed between its last points), the chord over the last two steps is no guide to the slope at
  // its end, which is the last step's and then some: the parabola through the last three points
  // gives it. (Not where the steps before turn too: a jagged measurement's zigzag.)
  if (path.size() >= 4) {
    const QPointF& a = path[path.size() - 4];
    const QPointF& b = path[path.size() - 3];
    const QPointF& m = path[path.size() - 2];
    const double w0 = b.x() - a.x();
    const double w1 = m.x() - b.x();
    const double w2 = start.x() - m.x();
    if (std::fabs(w0) >= 1 && std::fabs(w1) >= 1 && std::fabs(w2) >= 1 && w0 * w1 > 0 && w1 * w2 > 0) {
      const double s0 = (b.y() - a.y()) / w0;
      const double s1 = (m.y() - b.y()) / w1;
      const double s2 = (start.y() - m.y()) / w2;
      // (A turn a point a pixel or two off makes, as one placed by hand after it corrects, is
      // smaller: the middle point stands off the chord of its neighbours by less.)
      const double standsOff = std::fabs(s1 - s2) * w1 * w2 / (w1 + w2);
      if (s0 * s1 > 0 && s1 * s2 < 0 && standsOff >= kTurnPx) {
        pathSlope = s2 + (s2 - s1) * w2 / (w1 + w2);
      }
    }
  }
  // How the path's slope turns per column over its last two steps.
  double pathBend = 0;
  if (path.size() >= 3) {
    const QPointF& b = path[path.size() - 3];
    const QPointF& m = path[path.size() - 2];
    const double w1 = m.x() - b.x();
    const double w2 = start.x() - m.x();
    if (std::fabs(w1) >= 1 && std::fabs(w2) >= 1 && w1 * w2 > 0) {
      pathBend = std::fabs((start.y() - m.y()) / w2 - (m.y() - b.y()) / w1) / (std::fabs(w1 + w2) / 2);
    }
  }
  // The path's slope as the course's own only where it comes from a step close by (not a chord
  // from a pick far off).
  const double courseSlope =
      path.size() >= 2 && std::fabs(start.x() - path[path.size() - 2].x()) <= kNearStepPx ? pathSlope : 0;
  const double T = style_.thickness;
  const int bridge = p_.bridgePx + platform::RoundToInt32(3 * T);
  const int target = Floor(x);
  std::vector<Found> found;
  Found last{start.x(), start.y()};
  // The last run taken: its edges (continuous pixels), and how they moved from the run before.
  bool hasEdges = false;
  bool hasMoves = false;
  bool lastWhole = false;  // the last run taken was whole (a piece's edge placed from the other is not)
  double edgeTop = 0;
  double edgeBottom = 0;
  double moveTop = 0;
  double moveBottom = 0;
  int gap = 0;
  // A hollow marker drawn on the curve (its outline parting from the curve's run and closing
  // again round it): the columns up to where it closes are a gap, bridged over (`markerEnd`, the
  // column it closes in; `markerColumns`, of the gap walked, those inside markers).
  std::optional<int> markerEnd;
  int markerColumns = 0;
  // A bridge over a hidden stretch must fit from both sides: the course before it and the one
  // found after it meet in its middle (else what was found after it is something else).
  struct Bridge {
    Found before;           // the last column found before it
    double slope = 0;       // the course's slope there
    double middle = 0;      // its middle
    int width = 0;          // columns
    std::size_t after = 0;  // the first column found after it, in `found`
  };
  // The median run height of the columns found within `reach` of x (none under 4 of them).
  const auto wholeHeight = [&](double nearX, double reach) {
    std::vector<double> heights;
    for (const Found& f : found) {
      if (std::fabs(f.x - nearX) <= reach && f.height > 0) {
        heights.push_back(f.height);
      }
    }
    if (heights.size() < 4) {
      return 0.0;
    }
    std::nth_element(heights.begin(), heights.begin() + long(heights.size() / 2), heights.end());
    return heights[heights.size() / 2];
  };
  const auto bridgeFits = [&](const Bridge& b) {
    // The first columns after it that are cut short (a thick dash's start, cut across the curve)
    // have their centres off the curve's, as a dash's end before it has. (A thin curve's runs vary
    // by a pixel where it climbs.)
    const double whole = wholeHeight(b.before.x, 1e9);
    std::size_t first = b.after;
    while (T >= kShortThickPx && first < b.after + 3 && first + 2 < found.size() && found[first].height > 0 &&
           found[first].height < 0.7 * whole) {
      ++first;
    }
    std::vector<std::pair<double, double>> points;
    for (std::size_t i = first; i < found.size() && points.size() < 5; ++i) {
      points.emplace_back(found[i].x, found[i].y);
    }
    if (points.size() < 2) {
      return false;
    }
    // With few columns after it, the first of them must lie on the course carried over the bridge.
    const std::optional<double> fromAfter =
        points.size() >= 4 ? PolyFit(points, b.middle, 1)
                           : std::optional(points.front().second - b.slope * (points.front().first - b.middle));
    const double fromBefore = b.before.y + b.slope * (b.middle - b.before.x);
    return fromAfter && std::fabs(*fromAfter - fromBefore) <= 1.5 + T / 2 + 0.12 * b.width * (1 + std::fabs(b.slope));
  };
  std::vector<Bridge> bridges;      // not yet checked: too few columns found after them
  std::optional<double> alongLine;  // the line the curve was last hidden along
  // The last run too tall to be the curve's own (merged with another curve) since a column where
  // the curve was found.
  bool merged = false;
  double mergedTop = 0;
  double mergedBottom = 0;
  double mergedX = 0;  // the column it was seen in
  // Checks the bridges with enough columns after them (all of them with `all`): the first that
  // does not fit, if one does not.
  const auto unfitBridge = [&](bool all) -> std::optional<Bridge> {
    for (auto it = bridges.begin(); it != bridges.end();) {
      if (found.size() >= it->after + 4 || all) {
        if (!bridgeFits(*it)) {
          return *it;
        }
        it = bridges.erase(it);
      } else {
        ++it;
      }
    }
    return std::nullopt;
  };
  // On a dashed or dotted curve, a bridge that starts past x, beyond the columns x is fitted
  // through, places nothing at x: with too few columns after it to be checked by (the next dot,
  // a column wide, or the curve's end), it is left unchecked. (Else each dot's bridge would wait
  // for the next one's, to the curve's end.)
  const auto pastX = [&](const Bridge& b) {
    return p_.dashed && dir * (b.before.x - x) > p_.fitColumns && found.size() < b.after + 2;
  };
  const auto dropPastX = [&] { bridges.erase(std::remove_if(bridges.begin(), bridges.end(), pastX), bridges.end()); };

  // Runs of the curve's colour just beside the course in the columns of a gap (read, but outside
  // the rows the curve was looked for in): where one lies in the gap that x is bridged over, the
  // curve may have turned off the straight course there (a dotted curve's dots down a dip, just
  // out of reach, while the bridge meets a dot of the flank past it).
  std::vector<std::pair<double, double>> beside;
  // How sure the height at x is, and the course's slope there, from the columns found around it.
  const auto report = [&](const std::vector<Found>& around) {
    if (unsurePx != nullptr) {
      *unsurePx = Unsure(around, x, courseSlope);
      // A run far taller than the course through the columns on each side of it explains (its
      // slope plus the stroke across it): the curve zigzags within the column (raw measured data
      // drawn small), and where it is at x is not known to better than half the excess.
      for (const Found& f : around) {
        if (std::fabs(f.x - x) > p_.fitColumns + 0.5 || f.height <= 0 || !f.whole) {
          continue;
        }
        const Found* prev = nullptr;
        const Found* next = nullptr;
        for (const Found& g : around) {
          if (g.height > 0 && std::fabs(g.x - (f.x - 1)) < 0.25) {
            prev = &g;
          } else if (g.height > 0 && std::fabs(g.x - (f.x + 1)) < 0.25) {
            next = &g;
          }
        }
        if (prev != nullptr && next != nullptr) {
          const double slope = (next->y - prev->y) / 2;
          const double excess =
              f.height - style_.thickness * std::sqrt(1 + slope * slope) - std::fabs(slope) - kZigzagSlackPx;
          *unsurePx = std::max(*unsurePx, excess / 2);
        }
      }
      // (The nearest columns found on each side of x: the gap x lies in, if any.)
      const Found* before = nullptr;
      const Found* after = nullptr;
      for (const Found& f : around) {
        const Found*& side = f.x < x ? before : after;
        if (side == nullptr || std::fabs(f.x - x) < std::fabs(side->x - x)) {
          side = &f;
        }
      }
      if (before != nullptr && after != nullptr && after->x - before->x >= kBesideGapColumns) {
        for (const auto& [bx, by] : beside) {
          if (bx > before->x && bx < after->x) {
            const double onBridge = before->y + (after->y - before->y) * (bx - before->x) / (after->x - before->x);
            *unsurePx = std::max(*unsurePx, std::fabs(by - onBridge));
          }
        }
      } else if (const Found* side = before != nullptr ? before : after;
                 (before == nullptr) != (after == nullptr) && (side->x - x) * dir > 0) {
        // Carried back over the gap the walk started in from the columns found past it: a run
        // beside the course there may be where the curve went (hidden along a line of its colour
        // just out of reach, while the course carried back runs on through the background).
        for (const auto& [bx, by] : beside) {
          if ((bx - side->x) * (x - side->x) > 0 && std::fabs(bx - side->x) >= kBesideGapColumns) {
            *unsurePx = std::max(*unsurePx, std::fabs(by - Fit(around, bx)));
          }
        }
      }
    }
    if (slopeAt != nullptr) {
      *slopeAt = Fit(around, x + 0.5) - Fit(around, x - 0.5);
    }
  };
  double slopeBefore = pathSlope;
  bool bareStart = true;  // the columns walked before the first one found showed the background on the course
  bool confused = false;  // the columns since the last one found showed two runs too close to tell apart
  // Once one run was taken after such columns: the course they came after (from where and how
  // steep), checked over the next few columns.
  int recheck = 0;
  double beforeX = 0;
  double beforeY = 0;
  double beforeSlope = 0;
  bool partedBefore = false;  // the columns since the last one found showed pieces a line parts
  int twoUnderLine = 0;       // columns on end that showed two pieces under a vertical line, apart
  bool passedBy = false;      // the last column found showed another whole run of the colour on the course
  int bareGap = 0;            // the columns since the last one found that showed the background on the course
  // The columns since the run followed parted into two far thinner than the curve, drifting apart
  // (see below): how far apart the two were in the first of them, and where they lay in the last.
  int split = 0;
  double splitGapFirst = 0;
  double splitTop = 0;
  double splitBottom = 0;
  // What was found after a bridge from before x that does not fit, all of it past x, is not the
  // curve: the curve ends (or hides) at x, and the columns found before the bridge are its last
  // (past the plot's frame, where the curve ends, lie the axis's tick labels). Drops it; false
  // where the bridge does not start before x or what follows it is not all past x.
  // (With `atLine`, only where x lies under a vertical line with nothing found right past it, and
  // the curve found whole right before it: the plot's frame at the curve's end, not a grid line
  // that the curve crosses.)
  const auto dropUnfit = [&](const Bridge& unfit, bool atLine) {
    const int row = std::clamp(Floor(unfit.before.y + unfit.slope * (x - unfit.before.x)), 0, rows_.Height() - 1);
    if (unfit.after >= found.size() || dir * (unfit.before.x - x) >= 0 ||
        dir * (found[unfit.after].x - x) <= p_.fitColumns ||
        (atLine && (!OnVerticalLine(target, row) || !unfit.before.whole ||
                    dir * (found[unfit.after].x - x) < kPastFramePx + T / 2))) {
      return false;
    }
    found.resize(unfit.after);
    bridges.erase(
        std::remove_if(bridges.begin(), bridges.end(), [&](const Bridge& b) { return b.after >= unfit.after; }),
        bridges.end());
    last = unfit.before;
    slopeBefore = unfit.slope;
    return !unfitBridge(true);  // the bridges before it fit still
  };
  // The curve ends (or hides) beyond x, where the walk stopped: its height at x from what was found
  // up to there, if that reaches x.
  const auto endsBeyond = [&]() -> std::optional<double> {
    if (found.empty()) {
      return std::nullopt;
    }
    // The curve ends (or hides) beyond x: what was found reaches x, or to within a pixel and a
    // half.
    if (dir * (last.x - x) >= -1.5) {
      dropPastX();
      if (const std::optional<Bridge> unfit = unfitBridge(true); unfit && !dropUnfit(*unfit, false)) {
        return std::nullopt;
      }
    }
    if (found.empty()) {
      return std::nullopt;
    }
    if (dir * (last.x - x) >= -1.5) {
      report(found);
      if (unsurePx != nullptr) {
        // Nothing found past x: the course may turn there (a narrow peak's flank) by as much as
        // it falls in a quarter of a column.
        *unsurePx += kEndShare * std::fabs(courseSlope);
      }
      // A single column found (the curve's last before the frame, say): the course the path
      // brings carries it to x (a fit through that column alone would hold its height level).
      const bool single = found.size() == 1 && path.size() >= 2 && std::fabs(courseSlope) > 0;
      const double y = single ? found.front().y + courseSlope * (x - found.front().x) : Fit(found, x);
      if (single && slopeAt != nullptr) {
        *slopeAt = courseSlope;
      }
      // A dashed curve may have turned off the course within the gap past x: its next dash lies
      // where the walk did not look. So may a solid one, found no further, within a few columns
      // past the last one found (a marker's tip at a narrow peak's top, past which the curve
      // falls away steeply).
      if (unsurePx != nullptr && p_.dashed) {
        *unsurePx = std::max(*unsurePx, OffCourse(found.back(), y, courseSlope, dir, target + dir));
        // The last dash's columns place the curve at their middle; at x, carried along their fit,
        // it is off by as much as the fit turns from the course the path brings over the columns
        // from there (a large dot's columns centre level on its middle, on any course).
        if (!single) {
          std::size_t first = found.size() - 1;
          while (first > 0 && std::fabs(found[first].x - found[first - 1].x) <= 1.5) {
            --first;
          }
          const double middle = (found[first].x + found.back().x) / 2;
          const double fitSlope = Fit(found, x + 0.5) - Fit(found, x - 0.5);
          *unsurePx += std::max(0.0, std::fabs(fitSlope - courseSlope) * std::fabs(x - middle) - kDashTurnSlackPx);
        }
      } else if (unsurePx != nullptr) {
        const int end = Floor(found.back().x) + dir * platform::RoundToInt32(std::ceil(T + 2));
        *unsurePx = std::max(*unsurePx, OffCourse(found.back(), y, courseSlope, dir, end));
      }
      return y;
    }
    // x lies just under a vertical line (the plot's frame at the curve's end) right after the
    // curve was last seen: the last columns found carry it on.
    // (One column between the last one found and the line, the curve's end against the frame,
    // may show neither.)
    bool underLine = std::fabs(x - last.x) <= 3 + T;
    int bare = 0;
    for (int k = Floor(last.x) + dir; underLine && (k - target) * dir <= 0; k += dir) {
      const int y = std::clamp(Floor(last.y + slopeBefore * (k + 0.5 - last.x)), 0, rows_.Height() - 1);
      bare += OnVerticalLine(k, y) ? 0 : 1;
      underLine = bare <= 1 && (k != target || OnVerticalLine(k, y));
    }
    if (underLine) {
      std::vector<std::pair<double, double>> points;
      for (auto it = found.rbegin(); it != found.rend() && points.size() < 4; ++it) {
        points.emplace_back(it->x, it->y);
      }
      // Too few found on the way: the path's last points carry the course too.
      for (auto it = path.rbegin(); it != path.rend() && points.size() < 2; ++it) {
        if (std::fabs(it->x() - points.front().first) >= 1) {
          points.emplace_back(it->x(), it->y());
        }
      }
      if (points.size() >= 2) {
        report(found);
        const double fitSlope = PolyFit(points, x + 0.5, 1).value_or(0) - PolyFit(points, x - 0.5, 1).value_or(0);
        if (slopeAt != nullptr) {
          *slopeAt = fitSlope;
        }
        if (unsurePx != nullptr) {
          // Carried straight on while the path bends (a narrow peak's top, right before the line):
          // the curve may turn on as it bent, by half the bend per column for each column squared.
          *unsurePx += 0.5 * pathBend * (x - last.x) * (x - last.x);
          // A dashed curve's last columns may be a dash's square-cut end, its runs' centres off
          // the curve's: carried along their slope, the height is unsure by how far that strays
          // from the course the path brings.
          if (p_.dashed) {
            *unsurePx += std::fabs(fitSlope - courseSlope) * std::fabs(x - last.x);
          }
        }
        return PolyFit(points, x, 1);
      }
    }
    return std::nullopt;
  };
  // (Per column, kept across them: their storage is reused.)
  std::vector<std::pair<double, double>> recent;
  std::array<double, 15> lately{};
  for (int c = Floor(start.x());; c += dir) {
    // The slope of the course: through the columns found last, else the path's.
    double s = pathSlope;
    recent.clear();
    for (auto it = found.rbegin(); it != found.rend() && recent.size() < 10; ++it) {
      if (std::fabs(it->x - last.x) <= 14) {
        recent.emplace_back(it->x, it->y);
      }
    }
    // Over too short a stretch (a dash) the columns found are no better than the path's course.
    const double span = recent.size() >= 2 ? std::fabs(recent.front().first - recent.back().first) : 0;
    if (recent.size() >= 2 && (span >= 6 || path.size() < 2)) {
      if (const std::optional<FittedLine> fit = FitLine(recent)) {
        s = fit->slope;
        slopeKnown = true;
      }
    }
    const double centreX = c + 0.5;
    const double g = std::fabs(centreX - last.x);
    const double pred = last.y + s * (centreX - last.x);
    const double h = T * std::sqrt(1 + s * s) + std::fabs(s);
    const double e = p_.slackPx + p_.driftPx * g * (1 + 0.5 * std::fabs(s)) + (slopeKnown ? 0 : 0.5 * g);
    double lo = pred - h / 2 - e;
    double hi = pred + h / 2 + e;
    const bool connected = gap == 0 && hasEdges;
    if (connected) {
      // Right after a column found, its run bounds the next one's too: the curve is connected.
      lo = std::min(lo, edgeTop - p_.slackPx);
      hi = std::max(hi, edgeBottom + p_.slackPx);
    }
    // The run's height expected here, and where its edges go on as they went; never less than the
    // stroke across the course, or the last run's height where that is less (a run taken whole
    // where something drawn across the curve had cut it, its edge off, would else shrink the
    // heights carried on from it down to nothing; at a narrow peak's top the course turns flat).
    // (How the edges moved is a whole run's: after a piece, whose other edge was placed by this
    // height, adding it again would grow the height at every column cut.)
    const double across = T * std::sqrt(1 + s * s);  // the stroke across the course
    const double height = connected
                              ? std::max({T, std::min(across, edgeBottom - edgeTop),
                                          edgeBottom - edgeTop + (hasMoves && lastWhole ? moveBottom - moveTop : 0)})
                              : h;
    const double tolerance = 1.5 + 0.4 * std::max({std::fabs(moveTop), std::fabs(moveBottom), 1.0});
    // The curve's usual run height lately (its median over the last columns found whole), against
    // which a run grown tall by merging slowly with another curve stands out.
    // (Sorted as they are gathered: a few values, at every column walked.)
    std::size_t gathered = 0;
    for (auto it = found.rbegin(); it != found.rend() && gathered < lately.size(); ++it) {
      if (it->height > 0) {
        std::size_t i = gathered++;
        for (; i > 0 && lately[i - 1] > it->height; --i) {
          lately[i] = lately[i - 1];
        }
        lately[i] = it->height;
      }
    }
    const double usual = gathered >= 5 ? lately[gathered / 2] : 0;
    // (Runs parted by a line drawn over the curve are one up to the run's height expected: the last
    // run's as its edges went on, else the stroke across the course, whose slope is known only so
    // well where a walk starts.)
    const double joinUpTo = connected ? std::max(h, height) + kGrowthPx : kUnknownRunShare * h + kGrowthPx;
    const bool inMarker = markerEnd && (c - *markerEnd) * dir < 0;
    std::vector<Run> runs = inMarker ? std::vector<Run>{} : RunsIn(c, Floor(lo) - 2, Floor(hi) + 2, joinUpTo);
    // Right after two runs too close to tell apart, one of them taken where the other did not show
    // (a dash's or dot's gap): where the other shows again on the course they came after, apart
    // from the one taken, which of them the curve goes on as is not known.
    if (recheck > 0) {
      --recheck;
      const double before = beforeY + beforeSlope * (centreX - beforeX);
      if (std::fabs(before - pred) >= std::max(2.0, T) && std::any_of(runs.begin(), runs.end(), [&](const Run& r) {
            return std::fabs(r.centre - before) <= h / 2 + p_.slackPx &&
                   (r.bottomEdge < pred - h / 2 - p_.slackPx || r.topEdge > pred + h / 2 + p_.slackPx);
          })) {
        return std::nullopt;
      }
    }
    // Each run on the course, with where the curve's centre and edges lie in it.
    struct Candidate {
      double centre;
      double top;
      double bottom;
      bool partial;          // one edge placed from the other: the run is cut short or merged there
      bool covered = false;  // cut short by a deeper shade of the curve's hue (a thicker curve's edge)
      bool faint = false;    // too thin and light to be the curve
      double unsure = 0;     // how far the centre may be off the curve's beyond a whole run's
      bool light = false;    // whole, and nowhere in the curve's full shade
      bool thinner = false;  // whole, and far thinner than the curve (faint)
    };
    // A stroke under two pixels across may straddle two of them, neither in its full shade.
    const double fullCover = kFullCover * std::min(1.0, across / 2);
    // A run far taller than the curve's holds something merged with it, which may part from it
    // again where neither can be told (a fork). Not so a run centred on the course right after
    // the curve's own run: something drawn across the curve there (a marker's side, a steep
    // stroke), which the curve goes on through. (Merging curves grow their run on the way.)
    // (At the walk's start, the path's last point is the curve's own.)
    const bool ownBefore = gap <= 2 && (found.empty() ? std::fabs(centreX - start.x()) <= 2
                                                      : found.back().height > 0 &&
                                                            found.back().height <= std::max(h, usual) + 2 * kGrowthPx);
    // The merged run as the columns before left it, and the runs too tall for the curve's that this
    // one leaves out.
    const bool wasMerged = merged;
    const double wasTop = mergedTop + s * (centreX - mergedX);
    const double wasBottom = mergedBottom + s * (centreX - mergedX);
    std::vector<std::pair<double, double>> tallRuns;
    const auto mergeUnlessAcross = [&](const Run& run) {
      if (!ownBefore || std::fabs(run.centre - pred) > kAcrossShare * (run.bottomEdge - run.topEdge)) {
        merged = true, mergedTop = run.topEdge, mergedBottom = run.bottomEdge, mergedX = centreX;
        tallRuns.emplace_back(run.topEdge, run.bottomEdge);
      }
    };
    // A run against a line of the curve's colour with another run against the line's far side: a
    // stroke across the line, taller together than the curve's run by more than a run may grow,
    // holds something thicker than the curve (another curve of its colour along the line), in
    // which the curve may lie anywhere. How far its centre may then be off; 0 where no such run is.
    const auto acrossLine = [&](const Run& run) {
      double unsure = 0;
      for (const Run& other : runs) {
        const bool below = run.touchesBottom && other.touchesTop && other.topEdge > run.bottomEdge &&
                           other.topEdge - run.bottomEdge <= kUnderLineRows + 1;
        const bool above = run.touchesTop && other.touchesBottom && other.bottomEdge < run.topEdge &&
                           run.topEdge - other.bottomEdge <= kUnderLineRows + 1;
        const double extent = std::max(run.bottomEdge, other.bottomEdge) - std::min(run.topEdge, other.topEdge);
        if ((below || above) && extent > h + 2 * kGrowthPx) {
          unsure = std::max(unsure, (extent - h) / 2);
        }
      }
      return unsure;
    };
    std::vector<Candidate> candidates;
    bool parted = false;   // pieces a horizontal line parts lie on the course: two curves, or a steep turn
    bool cutBoth = false;  // a piece cut on both sides lies on the course
    std::vector<std::pair<double, double>> cutPieces;  // those pieces (rows)
    for (const Run& run : runs) {
      const double top = run.topEdge;
      const double bottom = run.bottomEdge;
      if (run.parted) {
        parted = parted || (run.bottomEdge >= lo && run.topEdge <= hi);
        continue;
      }
      if (bottom < lo || top > hi) {
        continue;  // not on the course: another curve, a label, the legend
      }
      // A side against a line of the curve's colour is the line's as much as the curve's: the
      // other side places the curve.
      // A side against something drawn over the curve (another curve, a line of another colour)
      // is cut short there: the other side places the curve too.
      const bool topCut = run.touchesTop || run.coveredTop;
      const bool bottomCut = run.touchesBottom || run.coveredBottom;
      const bool whole = bottom - top >= height - 0.6;  // as tall as the curve's run: nothing cut
      if (topCut && bottomCut && !whole) {
        cutBoth = true;
        cutPieces.emplace_back(top, bottom);
        continue;
      }
      // Nowhere in the full shade of a thick curve, with nothing cut off it: a lighter line or
      // curve whose shade passes for the curve's anti-aliased edge (a grey grid line beside a white
      // curve, a grey curve crossing a black one), never taken for the curve, though it may be
      // what the curve is confused with. (A thin curve's faint dots may be no darker; a thick
      // curve's run, even a dash's end, reaches its full shade.)
      // Likewise a whole run far thinner than a thick curve (as picked, or as its runs were lately,
      // should the pick have measured a dash's end): another, thinner curve of its colour.
      const double own = usual > 0 ? std::min(T, usual) : T;
      // So too, on a solid curve's shallow course, a whole run thinner by kThinnerPx than the
      // stroke its whole runs showed around the pick (taken no thicker than as picked: those runs
      // may hold another curve merged with it): a curve of its colour drawn thinner. (Only between
      // two rows of the background or its blend with the colour: a blend with another colour
      // along an edge leaves the edge short.)
      const double stroke = std::min(T, p_.strokePx);
      const auto bare = [&](int row) { return cover_(rows_.At(c, std::clamp(row, 0, rows_.Height() - 1))) >= 0; };
      const bool thinner =
          (own >= kThickerPx && bottom - top < kThinnerShare * own) ||
          (!p_.dashed && stroke >= kThinnerStrokePx && std::fabs(s) <= kThinnerSlope &&
           bottom - top < stroke * std::sqrt(1 + s * s) - kThinnerPx && bare(run.top - 1) && bare(run.bottom + 1));
      // So is a whole run taller than a dashed curve's longest dash (on any course: its dashes lie
      // apart): another curve of its colour, a solid one it crosses, say.
      const bool overDash = p_.dashed && p_.dashLengthPx > 0 && bottom - top > p_.dashLengthPx + kDashSlackPx;
      if (!topCut && !bottomCut && ((T >= kThickPx && (run.peak < fullCover || thinner)) || overDash)) {
        Candidate faint{run.centre, top, bottom, true};
        faint.faint = true;
        faint.thinner = thinner;
        candidates.push_back(faint);
        continue;
      }
      // Deeper than the curve's own shade where the column before shows, on its centre row, a
      // shade deeper still than the curve may show: a thicker curve of its hue (whose core is
      // beyond the curve's shades), lighter here, not the curve.
      if (const int back = std::clamp(c - dir, 0, rows_.Width() - 1),
          row = std::clamp(Floor(run.centre), 0, rows_.Height() - 1);
          T < kThickPx && run.peak > 1 && cover_(rows_.At(back, row)) < 0 && style_.Deeper(rows_.At(back, row))) {
        Candidate faint{run.centre, top, bottom, true};
        faint.faint = true;
        candidates.push_back(faint);
        continue;
      }
      if ((topCut || bottomCut) && !whole) {
        if (gap > 0 && bottom - top < kSliverPx) {
          continue;  // after a gap, a mere edge of fringe against it places nothing
        }
        if (p_.dashed && (run.touchesTop || run.touchesBottom)) {
          // Against a line of its colour, a dash's or dot's end: too short to reach across the stroke
          // even with the line's rows, its other edge is no guide (bridged over instead).
          // (The line's fringe, half a pixel on each side, may hide the curve's too.)
          double line = 0;
          lines_.AnyLineAt(c, run.touchesTop ? run.top - 1 : run.bottom + 1, [&](int n, const StraightLine& l) {
            line = confusable_[std::size_t(n)] != 0 ? l.thickness + 1 : 0;
            return line > 0;
          });
          if (bottom - top + line < across - kDotEndPx) {
            continue;
          }
        }
        const bool fits = !hasMoves || (topCut ? std::fabs(bottom - (edgeBottom + moveBottom)) <= tolerance
                                               : std::fabs(top - (edgeTop + moveTop)) <= tolerance);
        if (fits && bottom - top <= height + tolerance + 1) {
          // The edge cut off lies under something drawn over the curve (whose fringe blends with
          // the curve's: a sliver of it may pass for the curve), or under a line of its colour.
          const bool underCover = topCut ? run.coveredTop : run.coveredBottom;
          double unsure =
              underCover ? kUnsureCut + kUnsureCutSlope * std::fabs(s) : std::max(kUnsureLine, acrossLine(run));
          // Another sliver cut by the cover from its other side: the curve may lie anywhere under
          // the cover between them (a thin curve under a thicker one whose fringes pass for it),
          // up to the far one's end.
          for (const Run& facing : runs) {
            const bool faces = topCut ? (facing.coveredBottom || facing.coverBottomOnLine) && facing.bottomEdge < top
                                      : (facing.coveredTop || facing.coverTopOnLine) && facing.topEdge > bottom;
            const double toFarEnd = topCut ? bottom - facing.topEdge : facing.bottomEdge - top;
            if (underCover && faces) {
              unsure = std::max(unsure, toFarEnd - height);
            }
          }
          // Right after a column whose run was taller than the curve's by more than a run may grow
          // (two curves of its colour running as one), cut short by a cover: what ran with it may
          // go on under the cover, and the curve with it, anywhere out to the cover's far edge.
          if (underCover && !found.empty() && std::fabs(s) <= kGrowthSlope && found.back().height > h + kGrowthPx) {
            const double coverEnd = topCut ? run.coverEndTop : run.coverEndBottom;
            unsure = std::max(unsure, (topCut ? bottom - coverEnd : coverEnd - top) - height);
          }
          // Past a thicker curve of its colour covering it, a line of its colour: the curve may
          // have left the cover for the line (a thin curve's edge over the thick one's passing for
          // the line's fringe), up to the line's far edge.
          const double lineEnd = !underCover ? -1 : topCut ? run.lineBeyondTop : run.lineBeyondBottom;
          if (lineEnd >= 0) {
            unsure = std::max(unsure, (topCut ? bottom - lineEnd : lineEnd - top) - height);
          }
          // (Placed from its edge by the stroke across the course where no run before gives the
          // height: the edges are where the stroke's cover averages over the column, the column's
          // width on a slope not among them.)
          const double place = connected ? height : across;
          candidates.push_back(
              topCut ? Candidate{bottom - place / 2, bottom - place, bottom, true, run.deeperTop, false, unsure}
                     : Candidate{top + place / 2, top, top + place, true, run.deeperBottom, false, unsure});
        }
        continue;
      }
      // (Against a line of the curve's colour, a run cut by it shows no more than the curve's
      // stroke: taller by more than a whole run may grow, it holds something else too.)
      const bool againstLine = run.touchesTop || run.touchesBottom;
      // (On a shallow course the stroke across it bounds a run against a line better than the run's
      // height carried over the columns before, which a run merged with something may have grown.)
      const bool overStroke = againstLine && std::fabs(s) <= kGrowthSlope && bottom - top > across + kOverStrokePx;
      if (overStroke ||
          ((topCut || bottomCut) && slopeKnown &&
           bottom - top > std::max(height, h) + (againstLine ? std::min(tolerance, kGrowthPx) : tolerance))) {
        // Against a line on one side and far taller than the curve's run: the curve crosses the
        // line where something else runs into it, and neither side of the run places the curve.
        merged = true, mergedTop = top, mergedBottom = bottom, mergedX = centreX;
        continue;
      }
      Candidate candidate{run.centre, top, bottom, false};
      candidate.light = !topCut && !bottomCut && run.peak < kFullCover;
      candidate.unsure = againstLine ? acrossLine(run) : 0;
      // On a shallow course, a run shorter than the stroke across it that ends against a
      // horizontal line drawn over the curve (a grid line along its edge) is cut there: its other
      // edge places the curve. (Not a dashed curve's: a dash's end is as short.)
      if (!p_.dashed && !topCut && !bottomCut && std::fabs(s) <= kGrowthSlope &&
          bottom - top < across - kShortOfStrokePx) {
        const auto bandAt = [&](int row) {
          return lines_.AnyLineAt(
              c, row, [&](int n, const StraightLine& l) { return l.horizontal && confusable_[std::size_t(n)] == 0; });
        };
        const bool bandTop = bandAt(run.top - 1) || bandAt(run.top - 2);
        const bool bandBottom = bandAt(run.bottom + 1) || bandAt(run.bottom + 2);
        if (bandTop != bandBottom) {
          candidate = bandTop ? Candidate{bottom - across / 2, bottom - across, bottom, true, false, false, kUnsureLine}
                              : Candidate{top + across / 2, top, top + across, true, false, false, kUnsureLine};
        }
      }
      if (hasMoves && gap == 0) {
        // Each edge goes on as it went; an edge that jumps outwards belongs to something crossing
        // the curve (another curve of its colour, a marker, a label), and the other edge places
        // it. (An edge that falls short is the curve bending.)
        const bool topFits = std::fabs(top - (edgeTop + moveTop)) <= tolerance;
        const bool bottomFits = std::fabs(bottom - (edgeBottom + moveBottom)) <= tolerance;
        const double jumpUnsure = std::max(kUnsureJump, candidate.unsure);
        // (An edge that jumps more than half a stroke, and a pixel at least, past its wavering is
        // something else's. Placed so, the centre is sure only to half of all the edge jumped past
        // its wavering: had the curve's own edge moved so, its centre would lie that far off.)
        const double jumpPast = std::max(1.0, T / 2);
        if (!topFits && !bottomFits) {
          if (bottom - top > height + 2 * tolerance) {
            mergeUnlessAcross(run);
            continue;  // merged on both sides
          }
          candidate.partial = true;  // a piece (a dash, a dot): its own centre, but no new course
        } else if (const double jump = edgeTop + moveTop - tolerance - top; !topFits && jump > jumpPast) {
          const double unsure = std::max(jumpUnsure, jump / 2);
          candidate = {bottom - height / 2, bottom - height, bottom, true, false, false, unsure};
        } else if (const double drop = bottom - (edgeBottom + moveBottom + tolerance); !bottomFits && drop > jumpPast) {
          const double unsure = std::max(jumpUnsure, drop / 2);
          candidate = {top + height / 2, top, top + height, true, false, false, unsure};
        }
      } else if (slopeKnown && bottom - top > p_.mergedFactor * h + 3) {
        mergeUnlessAcross(run);
        continue;  // far taller than the curve's run: merged with something crossing it
      }
      // (Against the run expected on the course where that is taller: down a narrow peak's flank
      // a thick curve's runs grow from its top's as the course steepens.)
      if (!candidate.partial && usual > 0 && bottom - top > 1.5 * std::max(usual, h) + 1.5 + std::fabs(s) * 0.5) {
        merged = true, mergedTop = top, mergedBottom = bottom, mergedX = centreX;
        tallRuns.emplace_back(top, bottom);
        continue;  // grown tall: merging with another curve along a shallow crossing
      }
      if (!candidate.partial && std::fabs(s) <= kGrowthUnsureSlope) {
        // Taller than the curve, though not so tall as to be left: merging with something. (Not
        // where the centres found step by step climb steeper than the course carried: a flank
        // steepening within the step, whose runs grow with it.)
        const double shown = connected ? std::fabs(candidate.centre - last.y) / std::max(1.0, g) : 0;
        const double grown = std::max(h, T * std::sqrt(1 + shown * shown) + shown);
        // Grown on one side (merging with something), the run's centre is off the curve's by half
        // of what it grew by; grown by up to kGrowthPx (a blurred picture, both sides), not at all.
        // Past that it is taken as one-sided, its whole half counting from twice that on, where the
        // slope is known (else the run may be as tall as a steeper course makes it).
        const double excess = bottom - top - grown - kGrowthPx;
        candidate.unsure =
            std::max(candidate.unsure, slopeKnown ? std::min(excess, (excess + kGrowthPx) / 2) : excess / 2);
      }
      if (!candidate.partial && T >= kShortThickPx &&
          (std::fabs(s) <= (p_.dashed ? kShortSlopeDashed : kShortSlope) || (p_.dashed && T >= kThickerPx))) {
        // Shorter than the curve's stroke across the column: an end of it (a thick dash's, cut
        // across the curve), whose centre is off the curve's by up to half of what is missing.
        candidate.unsure = std::max(candidate.unsure, (T * std::sqrt(1 + s * s) - (bottom - top) - kShortSlackPx) / 2);
      }
      // Taller than the curve's stroke and cut by something drawn over it on one side, past which
      // another piece of the colour lies, cut by it too: the curve may lie anywhere under it
      // between the two (a thin curve under a thicker one of its colour, whose fringes pass for
      // it), up to the far piece's end.
      if (!candidate.partial && (run.coveredTop || run.coveredBottom) && bottom - top > h + kGrowthPx / 2) {
        for (const Run& facing : runs) {
          if (run.coveredBottom && facing.coveredTop && facing.topEdge > bottom &&
              facing.topEdge <= run.coverEndBottom + 1) {
            candidate.unsure = std::max(candidate.unsure, facing.bottomEdge - top - height);
          }
          if (run.coveredTop && facing.coveredBottom && facing.bottomEdge < top &&
              facing.bottomEdge >= run.coverEndTop - 1) {
            candidate.unsure = std::max(candidate.unsure, bottom - facing.topEdge - height);
          }
        }
      }
      candidates.push_back(candidate);
    }
    std::sort(candidates.begin(), candidates.end(), [pred](const Candidate& a, const Candidate& b) {
      return std::fabs(a.centre - pred) < std::fabs(b.centre - pred);
    });
    // The pieces of one run cut by something drawn across it place the curve alike: one candidate.
    while (candidates.size() >= 2 && std::fabs(candidates[1].centre - candidates[0].centre) <= std::max(1.0, T / 4)) {
      candidates[0] = {
          (candidates[0].centre + candidates[1].centre) / 2,    std::min(candidates[0].top, candidates[1].top),
          std::max(candidates[0].bottom, candidates[1].bottom), true,
          candidates[0].covered && candidates[1].covered,       candidates[0].faint && candidates[1].faint,
          std::max(candidates[0].unsure, candidates[1].unsure)};
      candidates.erase(candidates.begin() + 1);
    }
    // A fork: the last run, grown tall where another curve of the colour ran along, parts into two
    // that both touch it. Which of them is the curve cannot be told. So too where the curve was
    // last seen merged with another in a run too tall to be its own, bridged over. (Grown by a
    // stroke's width is enough: two curves running as one part at a shallow angle from there.)
    // (A branch run into a line of the curve's colour, or under something drawn over it, is cut
    // short there and no candidate: it counts as one all the same.)
    const auto fork = [&](double forkTop, double forkBottom) {
      const auto touches = [&](double top, double bottom) {
        return bottom >= forkTop - 0.5 && top <= forkBottom + 0.5;
      };
      int touching = 0;
      for (const Candidate& k : candidates) {
        // (A faint run, too light or far thinner to be the curve, is none of its branches: a
        // marker's thin outline drawn over it, a lighter line's fringe.)
        touching += !k.faint && touches(k.top, k.bottom) ? 1 : 0;
      }
      for (const Run& r : runs) {
        const bool taken = std::any_of(candidates.begin(), candidates.end(), [&](const Candidate& k) {
          return k.bottom >= r.topEdge && k.top <= r.bottomEdge;
        });
        touching += !taken && !r.parted && (r.touchesTop || r.touchesBottom || r.coveredTop || r.coveredBottom) &&
                            r.bottomEdge - r.topEdge >= kHalfShare * T && touches(r.topEdge, r.bottomEdge)
                        ? 1
                        : 0;
      }
      return touching >= 2;
    };
    // The run followed parts into two, each about half as thick as the curve (far thinner than
    // it) with the background between them, drifting apart column after column for as many
    // columns as the curve is thick: two curves of its colour ran as one there (as one, they
    // passed for the curve where it was picked), and which of them is the curve is not known. (A
    // hollow marker's sides part and close again within its width.)
    {
      const double own = usual > 0 ? std::min(T, usual) : T;
      const double fromTop = split > 0 ? splitTop : edgeTop;
      const double fromBottom = split > 0 ? splitBottom : edgeBottom;
      std::vector<const Candidate*> parts;
      for (const Candidate& k : candidates) {
        if (k.thinner && k.bottom - k.top >= kHalfShare * own && k.bottom >= fromTop - kTouchPx &&
            k.top <= fromBottom + kTouchPx) {
          parts.push_back(&k);
        }
      }
      bool parting = (connected || split > 0) && parts.size() == 2;
      if (parting) {
        const Candidate* upper = parts[0]->top < parts[1]->top ? parts[0] : parts[1];
        const Candidate* lower = upper == parts[0] ? parts[1] : parts[0];
        const double apart = lower->top - upper->bottom;
        parting = apart >= 1 && (split == 0 || apart >= splitGapFirst);
        if (parting) {
          splitGapFirst = split == 0 ? apart : splitGapFirst;
          splitTop = upper->top;
          splitBottom = lower->bottom;
          if (++split >= own && apart > splitGapFirst + 1) {
            return std::nullopt;
          }
        }
      }
      if (!parting) {
        split = 0;
      }
    }
    if (connected && edgeBottom - edgeTop > std::min(1.5 * h + 0.5, h + T) && !candidates.empty() &&
        fork(edgeTop, edgeBottom)) {
      // (On a course the path brings steeper than the columns' own, too: a marker's columns
      // flatten the course they give.)
      const std::optional<int> closes =
          std::fabs(pathSlope) <= kMarkerSlope ? MarkerCloses(c, dir, pred, s, std::max(h, usual)) : std::nullopt;
      if (!closes) {
        return std::nullopt;
      }
      markerEnd = c + dir * *closes;
      candidates.clear();
      runs.clear();
    }
    if (merged && !candidates.empty() &&
        fork(mergedTop + s * (centreX - mergedX), mergedBottom + s * (centreX - mergedX))) {
      return std::nullopt;
    }
    // Where the merged run parts into a run that may be the curve's and one still too tall for it,
    // both touching the merged run as it went: the curve may go on in either.
    if (wasMerged && !candidates.empty() && !tallRuns.empty()) {
      const auto touches = [&](double top, double bottom) { return bottom >= wasTop - 0.5 && top <= wasBottom + 0.5; };
      const bool oneTouches = std::any_of(candidates.begin(), candidates.end(),
                                          [&](const Candidate& k) { return !k.faint && touches(k.top, k.bottom); });
      const bool tallTouches =
          std::any_of(tallRuns.begin(), tallRuns.end(), [&](const auto& t) { return touches(t.first, t.second); });
      if (oneTouches && tallTouches) {
        return std::nullopt;
      }
    }
    // Right past columns where the curve ran merged with something, a run of its colour on each
    // side of a horizontal line of its colour, both against it: the merged run may have parted
    // under the line, and which side the curve went on is not known.
    if (wasMerged && !candidates.empty()) {
      for (const Run& above : runs) {
        for (const Run& below : runs) {
          if (above.touchesBottom && below.touchesTop && below.topEdge > above.bottomEdge &&
              below.topEdge - above.bottomEdge <= kUnderLineRows + 1 && above.bottomEdge >= lo - h &&
              below.topEdge <= hi + h) {
            return std::nullopt;
          }
        }
      }
    }
    // (Not while a piece on the course is cut on both sides, by a vertical line or something else
    // drawn over it: the curves merged may part right under it, that piece the other's branch.)
    if (!candidates.empty() && !cutBoth) {
      merged = false;
    }
    // Right after the curve's own run, the one whole run that touches it continues the curve, where
    // no other touches it (two curves of a colour side by side, the background between them): the
    // course may bend there, its carried slope no guide.
    if (connected && candidates.size() >= 2 && std::fabs(s) <= kGrowthSlope) {
      const auto touching = [&](const Candidate& k) {
        return k.bottom >= edgeTop - kTouchPx && k.top <= edgeBottom + kTouchPx;
      };
      const auto own = std::find_if(candidates.begin(), candidates.end(), touching);
      if (std::count_if(candidates.begin(), candidates.end(), touching) == 1 && !own->partial && !own->faint) {
        candidates = {*own};
      }
    }
    // The run nearest the course whole, the only other one far thinner than the curve (a marker's
    // thin outline, a thinner curve of its colour): that one is no branch of the curve (as at a
    // fork), so the two are not too close to tell apart.
    if (std::fabs(s) <= kGrowthSlope && candidates.size() == 2 && !candidates[0].partial && !candidates[0].faint &&
        candidates[0].bottom - candidates[0].top <= h + kGrowthPx && candidates[1].thinner) {
      candidates.pop_back();
    }
    // (After columns where they could not be told apart, the course carried over them is the less
    // sure the farther it is carried.)
    if (candidates.size() >= 2 && std::fabs(candidates[1].centre - pred) - std::fabs(candidates[0].centre - pred) <
                                      std::max(2.0, T) + (confused ? p_.driftPx * g : 0.0)) {
      candidates.clear();  // two of them, too close to tell which continues the curve
      confused = true;
    }
    // Past columns where only pieces that a horizontal line parts lay on the course (two curves
    // crossing at the line, too tall together to be the curve's run), two runs: which of them
    // continues the curve is not known.
    if (partedBefore && candidates.size() >= 2 && !candidates[1].faint) {
      return std::nullopt;
    }
    partedBefore = candidates.empty() && (partedBefore || parted);
    // Under a vertical line of its colour, two pieces on the course with the background between
    // them, column after column: two curves of the colour pass under the line there (one may turn
    // at a peak's top right before it), and which of them the curve goes on as past the line is not
    // known. (A dashed curve's pieces may be a dash's end and the next one's start.)
    {
      std::sort(cutPieces.begin(), cutPieces.end());
      bool apart = false;
      for (std::size_t k = 1; k < cutPieces.size(); ++k) {
        apart = apart || cutPieces[k].first - cutPieces[k - 1].second >= std::max(1.0, T / 2);
      }
      twoUnderLine = candidates.empty() && !p_.dashed && apart ? twoUnderLine + 1 : 0;
      if (twoUnderLine >= 2) {
        return std::nullopt;
      }
    }
    if (!candidates.empty() && candidates.front().faint) {
      candidates.clear();
    }
    // Of a curve nearly as thick, the nearer run is lighter than its full shade and another one
    // is not: which of them is the curve is not sure (a lighter curve beside it).
    if (candidates.size() >= 2 && T >= kThinLightPx && candidates.front().light &&
        std::any_of(candidates.begin() + 1, candidates.end(),
                    [](const Candidate& k) { return !k.light && !k.faint; })) {
      candidates.clear();
    }
    std::optional<double> along;  // the curve hidden along a line of its colour: the line's height
    bool alongLighter = false;    // that line lighter than the curve's full shade
    // (Not after columns that showed the background on the course: a curve that goes under a line
    // shows up to it, and a solid curve gone from its course (turned off it steeply) is not hidden
    // under the next line the course meets. A dashed curve's gaps show the background, up to its
    // dashes' spacing: farther, it too turned off the course, say steeply down from a peak's top.)
    const bool goneFromCourse =
        p_.dashed ? p_.dashGapPx > 0 && bareGap >= p_.dashGapPx + kBareBeforeLine : bareGap >= kBareBeforeLine;
    if (candidates.empty() && slopeKnown && std::fabs(s) <= kAlongSlope && !goneFromCourse) {
      // Nearly parallel to the line: the curve runs along it, hidden under it (and once hidden,
      // its course is the line's).
      along = HiddenUnder(c, alongLine ? *alongLine : pred, &alongLighter);
      // Not where a run against the line on the course is taller than the curve's stroke: the
      // curve shows there (leaving the line, or under a marker drawn on it), not hidden.
      if (along && std::any_of(runs.begin(), runs.end(), [&](const Run& r) {
            return r.bottomEdge >= lo && r.topEdge <= hi && (r.touchesTop || r.touchesBottom) &&
                   r.bottomEdge - r.topEdge > T + 1;
          })) {
        along.reset();
      }
    }
    alongLine = candidates.empty() ? along : std::nullopt;
    if (walked != nullptr && (c - Floor(start.x())) * dir > 0 && (c - target) * dir <= 0) {
      // A gap tells only where the course shows the background: not under a line or another curve.
      const int row = std::clamp(Floor(pred), 0, rows_.Height() - 1);
      const bool bare = !candidates.empty() || (cover_(rows_.At(c, row)) >= 0 && !lines_.OnLine(c, row));
      const bool vertical = OnVerticalLine(c, row);
      // A dashed curve's gaps show on steeper courses too where its dashes are short (dots), and
      // then across the whole run's height: not the pixel at the course alone, which a steep
      // course may miss by a pixel.
      bool telling = std::fabs(s) <= kShallowTelling && bare && !vertical;
      if (p_.dashed && !telling && std::fabs(s) <= kSteepTelling) {
        telling = !candidates.empty();
        for (int y = Floor(pred - h / 2); !telling && y <= Floor(pred + h / 2); ++y) {
          const int r = std::clamp(y, 0, rows_.Height() - 1);
          const double cover = cover_(rows_.At(c, r));
          if (cover < 0 || cover >= p_.minCover || lines_.OnLine(c, r)) {
            break;
          }
          telling = y == Floor(pred + h / 2);
        }
      }
      const bool whole = !candidates.empty() && !candidates.front().partial && !candidates.front().faint &&
                         !candidates.front().light && candidates.front().unsure == 0 && std::fabs(s) <= kThinnerSlope;
      walked->push_back({c, !candidates.empty(), !candidates.empty() && candidates.front().covered, telling,
                         std::fabs(s) <= kShallowTelling && vertical,
                         candidates.empty() && along.has_value() && alongLighter,
                         whole ? (candidates.front().bottom - candidates.front().top) / std::sqrt(1 + s * s) : 0});
    }
    if (!candidates.empty() && gap >= 1) {
      bridges.push_back(Bridge{last, slopeBefore, (last.x + centreX) / 2, gap, found.size()});
    }
    if (gap == 0) {
      slopeBefore = s;
    }
    if (!candidates.empty()) {
      if (confused) {
        recheck = kRecheckColumns;
        beforeX = last.x;
        beforeY = last.y;
        beforeSlope = slopeBefore;
      }
      confused = false;
      const Candidate& taken = candidates.front();
      passedBy = std::any_of(candidates.begin() + 1, candidates.end(),
                             [](const Candidate& k) { return !k.faint && !k.light && !k.partial; });
      if (!taken.partial) {
        hasMoves = connected;
        moveTop = taken.top - edgeTop;
        moveBottom = taken.bottom - edgeBottom;
      }
      lastWhole = !taken.partial;
      edgeTop = taken.top;
      edgeBottom = taken.bottom;
      hasEdges = true;
      last = {centreX, taken.centre, taken.bottom - taken.top, taken.unsure, !taken.partial};
      // A vertical line of another colour drawn over the run may cut its ends in this column.
      // (A vertical line that crosses the run crosses its middle row.)
      if (OnVerticalLine(c, std::clamp(Floor(taken.centre), 0, rows_.Height() - 1))) {
        for (int r = Floor(taken.top) - 1; r <= Floor(taken.bottom) + 1 && !last.underLine; ++r) {
          const int row = std::clamp(r, 0, rows_.Height() - 1);
          last.underLine = OnVerticalLine(c, row) && !Masked(c, row) && cover_(rows_.At(c, row)) < p_.minCover;
        }
      }
      found.push_back(last);
      gap = 0;
      bareGap = 0;
    } else if (along) {
      // (Between runs against both sides of the line that together are far taller than the curve's,
      // the curve may lie anywhere in them.)
      double acrossUnsure = kUnsureLine;
      for (const Run& run : runs) {
        if (run.bottomEdge >= lo - h && run.topEdge <= hi + h) {
          acrossUnsure = std::max(acrossUnsure, acrossLine(run));
        }
      }
      last = {centreX, *along, 0, acrossUnsure};
      found.push_back(last);
      hasEdges = false;
      hasMoves = false;
      moveTop = moveBottom = 0;
      gap = 0;
      bareGap = 0;
    } else {
      ++gap;
      markerColumns += markerEnd && (c - *markerEnd) * dir < 0 ? 1 : 0;
      for (const Run& run : runs) {
        // (Not a dot of a dotted line, grid or frame, drawn in the curve's colour.)
        const double middle = (run.topEdge + run.bottomEdge) / 2;
        if ((run.bottomEdge < lo || run.topEdge > hi) &&
            !lines_.OnLine(c, std::clamp(Floor(middle), 0, rows_.Height() - 1))) {
          beside.emplace_back(centreX, middle);
        }
      }
      // The course shows the background here (the course skimming a line's edge: its row, on the
      // line's band, shows the background itself).
      {
        const int row = std::clamp(Floor(pred), 0, rows_.Height() - 1);
        const QRgb p = rows_.At(c, row);
        const double cover = cover_(p);
        if (ColourDistance2(p, style_.background) <= contrast2_ / 4 ||
            (cover >= 0 && cover < p_.minCover && !lines_.OnLine(c, row))) {
          ++bareGap;
        }
      }
      // Before anything is found: whether the background shows on the course (a dash's gap),
      // rather than something drawn over the curve or two runs too close to tell apart.
      // (A vertical line crossing a shallow course, a grid line, hides a column of it at most, not
      // a steep flank's turn; the column the walk starts in holds the path's last point.)
      if (found.empty() && c != Floor(start.x())) {
        const int row = std::clamp(Floor(pred), 0, rows_.Height() - 1);
        const double atCourse = cover_(rows_.At(c, row));
        // (Nor does a run far taller than the curve's on the course: the curve turning off it
        // steeply, or another one crossing.)
        const bool tall = std::any_of(runs.begin(), runs.end(), [&](const Run& r) {
          return r.bottomEdge >= lo && r.topEdge <= hi && r.bottomEdge - r.topEdge > h + 2;
        });
        bareStart = bareStart && !confused && !tall &&
                    ((OnVerticalLine(c, row) && std::fabs(s) <= kShallowUnderLine) ||
                     (atCourse >= 0 && atCourse < p_.minCover));
      }
      if (gap == 1 && hasEdges && edgeBottom - edgeTop > 1.5 * h + 0.5) {
        // Hidden right where its run had grown tall (merging with another curve of its colour along
        // a shallow crossing, then a vertical line): the two curves may part under the line.
        merged = true, mergedTop = edgeTop, mergedBottom = edgeBottom, mergedX = last.x;
      }
      if (gap == 1) {
        // The columns just before a gap that were cut short (a dash's end, cut across the curve)
        // have their centres off the curve's: the course goes on from the last whole one.
        if (const double whole = wholeHeight(last.x, 14); whole > 0) {
          for (int k = 0; k < 3 && found.size() > 1 && found.back().height < 0.7 * whole; ++k) {
            found.pop_back();
          }
          last = found.back();
          gap = std::max(1, platform::RoundToInt32(std::fabs(centreX - last.x)));
        }
      }
    }
    if (const std::optional<Bridge> unfit = unfitBridge(false)) {
      // What was found after it, all past x, may lie past the curve's end (beyond the plot's frame).
      return dropUnfit(*unfit, true) ? endsBeyond() : std::nullopt;
    }
    const int beyond = (c - target) * dir;
    // Past x, once each bridge that places x has at least two columns found after it to be checked
    // by.
    // (Where x's own column is crossed by a vertical line drawn over the curve, on until a column
    // clear of it past x, or the fit's reach.)
    if (gap == 0 && beyond >= p_.fitColumns &&
        (!found.back().underLine || beyond >= p_.fitColumns + kLineBandColumns || !UnderLineAt(found, x)) &&
        std::all_of(bridges.begin(), bridges.end(),
                    [&](const Bridge& b) { return found.size() >= b.after + 2 || pastX(b); })) {
      break;
    }
    markerColumns = gap == 0 ? 0 : markerColumns;
    if (gap - markerColumns > bridge || c < 0 || c >= rows_.Width()) {
      // Gone from the course short of x right after a column where a whole run of the colour lay
      // beside the one taken: the curve turned off along that one (a thin curve's narrow peak,
      // whose top's fringe lay nearer the course), not ended.
      if (passedBy && gap - markerColumns > bridge && dir * (last.x - x) < 0) {
        return std::nullopt;
      }
      return endsBeyond();
    }
  }
  dropPastX();
  if (const std::optional<Bridge> unfit = unfitBridge(true)) {
    return dropUnfit(*unfit, true) ? endsBeyond() : std::nullopt;
  }
  // From a pick alone, a height found only along a line of the curve's colour is the line's as
  // much as the curve's (the pick may lie where the curve crosses it).
  if (path.size() < 2 && std::none_of(found.begin(), found.end(), [&](const Found& f) {
        return f.height > 0 && std::fabs(f.x - x) <= p_.fitColumns + 0.5;
      })) {
    return std::nullopt;
  }
  // Nothing found on the way to x, which lies in a dash's gap the walk started in (the background
  // shows there): the path's last point holds that side of the fit, not the first columns after
  // the gap alone (a dash's start, cut across the curve).
  if (bareStart && std::none_of(found.begin(), found.end(), [&](const Found& f) { return (f.x - x) * dir < 0; })) {
    std::vector<Found> withStart{Found{start.x(), start.y()}};
    withStart.insert(withStart.end(), found.begin(), found.end());
    report(withStart);
    // Of a solid curve, nothing shows from the path's last point on to the columns found past the
    // gap (the curve behind an opaque box; the last point placed so from the one before): where
    // the course found past the gap turns from the path's, the curve bent somewhere in it, and the
    // height at x may lie off by up to the turn over the rest of the gap. (A dashed curve's gaps
    // are its own, bridged dash by dash.)
    if (std::vector<std::pair<double, double>> after; unsurePx != nullptr && !found.empty() && !p_.dashed) {
      for (const Found& f : found) {
        if (std::fabs(f.x - found.front().x) <= kSideColumns) {
          after.emplace_back(f.x, f.y);
        }
      }
      if (const std::optional<FittedLine> fit = after.size() >= 2 ? FitLine(after) : std::nullopt) {
        *unsurePx += std::fabs(fit->slope - courseSlope) * std::fabs(found.front().x - x) / 2;
      }
    }
    return Refine(withStart, x, courseSlope);
  }
  report(found);
  // A dashed curve found only past x, from a dash's start on (its first columns cut across the
  // curve, their centres off it): carried back to x along their slope, the height is unsure by how
  // far that strays from the path's slope (a chord from the pick, where the path has no step yet).
  if (std::vector<std::pair<double, double>> after;
      unsurePx != nullptr && p_.dashed && !found.empty() &&
      std::none_of(found.begin(), found.end(), [&](const Found& f) { return (f.x - x) * dir < 0; })) {
    for (const Found& f : found) {
      if (std::fabs(f.x - found.front().x) <= kSideColumns) {
        after.emplace_back(f.x, f.y);
      }
    }
    if (const std::optional<FittedLine> fit = after.size() >= 2 ? FitLine(after) : std::nullopt) {
      *unsurePx += std::fabs(fit->slope - pathSlope) * std::fabs(found.front().x - x);
    }
  }
  return Refine(found, x, courseSlope);
}

std::optional<int> CurveFollower::MarkerCloses(int column, int dir, double y, double slope, double h) const {
  // Within a marker's reach of the course: the outline on both sides of the curve's run in one
  // column at least (the course followed on through the curve's runs inside it), then the curve's
  // run alone in two columns in a row, no taller than the curve's (past the outline's far corner).
  // Only on a shallow course: on a steep one the curve runs along two of a diamond's sides, and
  // the columns inside show their corners as much as the curve.
  if (std::fabs(slope) > kMarkerSlope) {
    return std::nullopt;
  }
  const double reach = std::max(kMarkerReachShare * h, kMarkerReachPx);
  const int columns = platform::RoundToInt32(std::ceil(2 * reach)) + 4;
  double course = y;
  bool aroundIt = false;
  int alone = 0;
  for (int k = 1; k <= columns; ++k) {
    const int c = column + dir * k;
    if (c < 0 || c >= rows_.Width()) {
      return std::nullopt;
    }
    course += slope * dir;
    const std::vector<Run> runs = RunsIn(c, Floor(course - reach) - 1, Floor(course + reach) + 1, 0);
    const Run* own = nullptr;
    for (const Run& r : runs) {
      if (r.bottomEdge - r.topEdge <= h + kGrowthPx && std::fabs(r.centre - course) <= h &&
          (own == nullptr || std::fabs(r.centre - course) < std::fabs(own->centre - course))) {
        own = &r;
      }
    }
    if (own == nullptr) {
      alone = 0;
      continue;
    }
    const bool above = std::any_of(runs.begin(), runs.end(), [&](const Run& r) { return r.bottomEdge < own->topEdge; });
    const bool below = std::any_of(runs.begin(), runs.end(), [&](const Run& r) { return r.topEdge > own->bottomEdge; });
    aroundIt = aroundIt || (above && below);
    alone = runs.size() == 1 && own->bottomEdge - own->topEdge <= h + kGrowthPx / 2 ? alone + 1 : 0;
    if (aroundIt && alone >= 2) {
      return k;
    }
    course = own->centre;
  }
  return std::nullopt;
}

bool CurveFollower::ShowsAt(int column, double y, double band) const {
  const std::vector<Run> runs = RunsIn(column, Floor(y - band) - 1, Floor(y + band) + 1, 0);
  return std::any_of(runs.begin(), runs.end(),
                     [&](const Run& r) { return r.bottomEdge >= y - band && r.topEdge <= y + band; });
}

bool CurveFollower::CrossedAt(const std::vector<QPointF>& path, QPointF at, double slope) const {
  if (path.empty() || at.x() == path.back().x()) {
    return false;
  }
  const int dir = at.x() > path.back().x() ? 1 : -1;
  const double T = style_.thickness;
  // Only where the branch turns off the path's course: over its last kCrossCourseColumns, or the
  // as many before them (the path may have turned with it a little already).
  const auto pointBack = [&](double columns) -> std::optional<QPointF> {
    for (std::size_t k = path.size(); k-- > 0;) {
      if (std::fabs(at.x() - path[k].x()) >= columns) {
        return path[k];
      }
    }
    return std::nullopt;
  };
  const auto turnsFrom = [&](QPointF a, QPointF b) {
    const double course = (b.y() - a.y()) / (b.x() - a.x());
    return std::fabs(slope - course) >= kCrossTurn + kCrossTurnShare * (std::fabs(slope) + std::fabs(course));
  };
  const std::optional<QPointF> recent = pointBack(kCrossCourseColumns);
  const std::optional<QPointF> earlier =
      recent ? pointBack(std::fabs(at.x() - recent->x()) + kCrossCourseColumns) : std::nullopt;
  if (!recent || (!turnsFrom(*recent, at) && (!earlier || !turnsFrom(*earlier, *recent)))) {
    return false;
  }
  const double band = std::max(1.0, T / 2);
  int shown = 0;
  int missed = 0;
  // The path's height at column centre cx, between its points (none before its first).
  const auto onPath = [&](double cx) -> std::optional<double> {
    QPointF after = at;
    for (std::size_t k = path.size(); k-- > 0;) {
      const QPointF before = path[k];
      if ((before.x() - cx) * dir <= 0 && (after.x() - cx) * dir >= 0) {
        return std::fabs(after.x() - before.x()) < 1e-9
                   ? before.y()
                   : before.y() + (after.y() - before.y()) * (cx - before.x()) / (after.x() - before.x());
      }
      after = before;
    }
    return std::nullopt;
  };
  for (int c = Floor(at.x()) - dir; std::abs(c - Floor(at.x())) <= kCrossColumns && c >= 0 && c < rows_.Width();
       c -= dir) {
    const double cx = c + 0.5;
    const std::optional<double> pathY = onPath(cx);
    if (!pathY) {
      break;
    }
    const double y = at.y() + slope * (cx - at.x());
    // Only where the line lies clear of the path's own stroke (as tall in the column as the
    // course is steep), and not so far off it that it meets some other curve of the colour that
    // runs nowhere near the crossing.
    const double pathSlope = (*pathY - onPath(cx - dir).value_or(*pathY)) * dir;
    const double nearest = (T * std::sqrt(1 + pathSlope * pathSlope) + std::fabs(pathSlope)) / 2 + band + kCrossClearPx;
    if (std::fabs(y - *pathY) < nearest || std::fabs(y - *pathY) > nearest + 2 * T + kCrossReachPx) {
      continue;
    }
    if (ShowsAt(c, y, band)) {
      ++shown;
    } else if (++missed > kCrossMissed) {
      break;  // the other curve, if any, bends away from the line
    }
  }
  return shown >= kCrossShown;
}

bool CurveFollower::GoesOnAt(const std::vector<QPointF>& path, QPointF at) const {
  if (path.size() < 2 || std::fabs(at.x() - path.back().x()) < 1) {
    return false;
  }
  const QPointF turn = path.back();
  const int dir = at.x() > turn.x() ? 1 : -1;
  const double T = style_.thickness;
  const double branch = (at.y() - turn.y()) / (at.x() - turn.x());
  // The path's point at least `columns` before `from`, if any.
  const auto pointBack = [&](QPointF from, double columns) -> std::optional<QPointF> {
    for (std::size_t k = path.size(); k-- > 0;) {
      if ((from.x() - path[k].x()) * dir >= columns) {
        return path[k];
      }
    }
    return std::nullopt;
  };
  // The course from `a` to `b` carried on past the turn, clear of the branch's stroke, in a band
  // that widens as it is carried: the colour shows in kCrossShown columns before more than
  // kCrossMissed (a dashed curve's gaps too) do not.
  const int missable = kCrossMissed + (p_.dashed ? p_.bridgePx : 0);
  const auto goesOn = [&](QPointF a, QPointF b) {
    const double course = (b.y() - a.y()) / (b.x() - a.x());
    const double share = kCrossTurnShare * (std::fabs(branch) + std::fabs(course));
    if (std::fabs(branch - course) < kGoesOnTurn + share) {
      return false;
    }
    const bool shallow = std::fabs(branch - course) < kCrossTurn + share;
    int shown = 0;
    int missed = 0;
    for (int c = Floor(turn.x()) + dir; std::abs(c - Floor(turn.x())) <= kCrossColumns && c >= 0 && c < rows_.Width();
         c += dir) {
      const double cx = c + 0.5;
      const double y = b.y() + course * (cx - b.x());
      const double band = std::max(1.0, T / 2) + kGoesOnWidening * std::fabs(cx - b.x());
      const double onBranch = turn.y() + branch * (cx - turn.x());
      const double nearest = (T * std::sqrt(1 + branch * branch) + std::fabs(branch)) / 2 + band + kCrossClearPx;
      if (std::fabs(y - onBranch) < nearest) {
        continue;
      }
      // (On a shallow turn, only with another run of the colour off the course towards the branch:
      // a curve bending back onto its old course, a jagged one's wiggle, is no other curve.)
      const auto besides = [&] {
        const double reach = std::fabs(y - onBranch) + 2 * T + kCrossReachPx;
        const std::vector<Run> runs = RunsIn(c, Floor(y - reach) - 1, Floor(y + reach) + 1, 0);
        return std::any_of(runs.begin(), runs.end(), [&](const Run& r) {
          return (r.bottomEdge < y - band || r.topEdge > y + band) && (onBranch > y ? r.topEdge > y : r.bottomEdge < y);
        });
      };
      if (ShowsAt(c, y, band)) {
        if ((!shallow || besides()) && ++shown >= kCrossShown) {
          return true;
        }
      } else if (++missed > missable) {
        return false;
      }
    }
    return false;
  };
  // (The course right before the turn, or the one before it: the path may have turned with the
  // branch a little already.)
  const std::optional<QPointF> recent = pointBack(turn, kCrossCourseColumns);
  const std::optional<QPointF> earlier = recent ? pointBack(*recent, kCrossCourseColumns) : std::nullopt;
  return (recent && goesOn(*recent, turn)) || (earlier && goesOn(*earlier, *recent));
}

}  // namespace tracer
