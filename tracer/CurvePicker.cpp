#include "CurvePicker.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

#include "CurveRuns.h"
#include "CurveTexture.h"
#include "LineFit.h"
#include "PictureRows.h"
#include "numbers.h"

namespace tracer {

namespace {

double Distance(QRgb a, QRgb b) { return std::sqrt(double(ColourDistance2(a, b))); }

// Columns near the click that weigh this many times those past them, over no more columns than
// kMarkerWidth times their weight, hold a marker drawn on the stroke; kPastMarker columns on each
// side are walked.
// A line drawing less of its length than this is dotted: most of its pixels are its dots' lighter
// ends, and its mean colour far lighter than its dots' (its body's). Its dots are thinner than
// kDottedThickPx (thicker ones in a row are a dotted curve's flat stretch).
constexpr double kDottedCoverage = 0.6;
constexpr double kDottedThickPx = 2;
constexpr double kDotCore = 1.3;  // how much deeper than the usual shade of its dots a dot's core may be
constexpr double kMarkerShare = 1.6;
constexpr double kMarkerWidth = 1.5;
constexpr int kPastMarker = 16;
constexpr int kMarkerGap = 4;
constexpr std::ptrdiff_t kCourseColumns = 4;  // (two centres alone waver by a pixel)
// Pixels of the curve's full shade, at least, that measure its colour's spread off the lines'
// bands, where all pixels spread over kBlendShare times as far and kBlendPx more.
constexpr int kSpreadPixels = 8;
constexpr double kBlendShare = 2;
constexpr double kBlendPx = 4;
// A dash clicked, wider than the stroke the columns by the click tell by more than this: they lie
// by its end.
constexpr double kDashWiderPx = 1;
// A row's run along a steep course longer than kBothFlanksShare times the stroke across it, and
// kBothFlanksPx more, crosses both flanks of a narrow peak.
constexpr double kBothFlanksShare = 1.5;
constexpr double kBothFlanksPx = 1;
// How far a patch's long axis turns from the course (radians) where it is a bar drawn across it;
// the next bar's as long within kDashWiderPx and this share of the length.
constexpr double kBarTurn = std::numbers::pi / 3;
constexpr double kBarAlike = 0.2;
constexpr double kBarReach = 3;  // how far across it (times its length) the next bar may lie
// How far around a pick whose patch runs on bars are looked for, where the runs beside it tell a
// stroke thinner than kBarThinPx.
constexpr int kBarRing = 8;
constexpr double kBarThinPx = 3;

double Median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// A marker drawn on the curve at the click (a filled circle or square): its columns, a few more
// than it is tall, weigh far more (`near`, the median of the columns' weights by the click) than
// the stroke's past it on both sides, whose weight across the course is then the curve's
// thickness. (A dash's heavy columns run on for its length; on a steep course the runs of a
// dash's end past it are lighter too, so the caller asks only on a shallow one.) The walk past it
// keeps to the runs' course, the marker's centre being off the stroke's. Each weight is taken
// across `slope`, the course through the columns by the click: shallower than the stroke's past
// a marker, it leaves the thickness a little generous, which the follower bears better than the
// stroke's own slope (fewer points by hand on the pictures measured). Where that tells no marker,
// the weights across the course as walked past it (through the last kCourseColumns centres, where
// that is steep) may: a marker on a steep flank flattens the course through the columns by the
// click, and the stroke's columns down the flank past it weigh as much as the marker's. On a
// dotted curve the stroke past the marker shows past a gap of up to kMarkerGap columns.
std::optional<double> StrokePastMarker(const CurveColumns& columns, QPoint seed, double near, double slope) {
  const double window = std::max(3.0, near);
  // Weighed across `slope` ([0]) and across the course as walked ([1]).
  std::vector<double> past[2];
  int heavy[2] = {0, 0};
  for (const int dir : {-1, 1}) {
    std::vector<std::pair<double, double>> course;  // the centres walked, nearest the click first
    bool pastMarker[2] = {false, false};
    int bare = 0;         // columns on end where nothing of the colour lies on the course (a dotted curve's gap)
    bool gapped = false;  // such a gap passed
    for (int k = 0; k <= kPastMarker; ++k) {
      const int column = seed.x() + dir * k;
      double y = seed.y() + 0.5;
      if (course.size() >= 2) {
        const auto& [x1, y1] = course[course.size() - 1];
        const auto& [x0, y0] = course[course.size() - 2];
        y = y1 + (y1 - y0) / (x1 - x0) * (column + 0.5 - x1);
      } else if (!course.empty()) {
        y = course.back().second;
      }
      std::optional<CurveRun> best;
      for (const CurveRun& run : columns.Runs(column, platform::RoundToInt32(std::floor(y - window)),
                                              platform::RoundToInt32(std::floor(y + window)))) {
        if (!best || std::fabs(run.centre - y) < std::fabs(best->centre - y)) {
          best = run;
        }
      }
      // (Past a marker on a dotted curve, the next dot lies past a gap; a patch past a gap as heavy
      // as the one clicked is the next dash of a dashed curve, not the stroke past a marker.)
      if (!best) {
        if (++bare > kMarkerGap) {
          break;
        }
        gapped = true;
        continue;
      }
      if (gapped && best->mass > near / kMarkerShare) {
        break;
      }
      bare = 0;
      course.emplace_back(column + 0.5, best->centre);
      double walkedSlope = slope;
      if (course.size() >= kCourseColumns) {
        const std::optional<FittedLine> walked = FitLine({course.end() - kCourseColumns, course.end()});
        if (walked && std::fabs(walked->slope) >= 1) {
          walkedSlope = walked->slope;
        }
      }
      for (const int i : {0, 1}) {
        const double across = i == 0 ? slope : walkedSlope;
        const double weight = best->mass / std::sqrt(1 + across * across);
        pastMarker[i] = pastMarker[i] || weight * std::sqrt(1 + slope * slope) <= near / kMarkerShare;
        if (!pastMarker[i]) {
          heavy[i] += k > 0 ? 1 : 0;
        } else if (!best->Cut() && !best->crossed) {
          past[i].push_back(weight);
        }
      }
    }
  }
  // (Across the course as walked, only where the columns past the click weigh no more than the
  // click's: a marker is at least as heavy as the stroke's columns beside it on any course, while
  // a dash-dot curve's dot, clicked, is lighter than its dashes' columns on a steep flank, whose
  // runs, cut by the dashes' ends, tell too thin a stroke across the course.)
  for (const int i : {0, 1}) {
    if (past[i].size() >= 4 && heavy[i] + 1 <= kMarkerWidth * near + 2 && near > kMarkerShare * Median(past[i]) &&
        (i == 0 || (!past[0].empty() && Median(past[0]) <= near))) {
      return Median(past[i]);
    }
  }
  return std::nullopt;
}

// t and the squared distance from the segment background..colour of pixel p (see CurveStyle).
std::pair<double, double> Project(QRgb p, QRgb colour, QRgb background) {
  const double d[3] = {double(qRed(colour) - qRed(background)), double(qGreen(colour) - qGreen(background)),
                       double(qBlue(colour) - qBlue(background))};
  const double v[3] = {double(qRed(p) - qRed(background)), double(qGreen(p) - qGreen(background)),
                       double(qBlue(p) - qBlue(background))};
  const double dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  if (dd <= 0) {
    return {0.0, 1e18};
  }
  const double t = (v[0] * d[0] + v[1] * d[1] + v[2] * d[2]) / dd;
  double off = 0;
  for (int i = 0; i < 3; ++i) {
    off += (v[i] - t * d[i]) * (v[i] - t * d[i]);
  }
  return {t, off};
}

}  // namespace

double CurveStyle::Cover(QRgb p) const {
  const auto [t, off] = Project(p, colour, background);
  if (off > tolerance * tolerance || t > darkest) {
    return -1;
  }
  return std::max(0.0, t);
}

double CurveStyle::LineCover(const StraightLine& line) const { return Cover(line.body) < 0 ? -1 : Cover(line.colour); }

double CurveStyle::CoverOver(QRgb p, QRgb under) const {
  const auto [t, off] = Project(p, colour, under);
  if (off > tolerance * tolerance || t > darkest) {
    return -1;
  }
  return std::max(0.0, t);
}

bool CurveStyle::Deeper(QRgb p) const {
  const auto [t, off] = Project(p, colour, background);
  return off <= tolerance * tolerance && t > darkest;
}

std::optional<CurvePick> CurvePicker::Pick(const QImage& picture, const StraightLines& lines, QPointF at) const {
  std::optional<CurvePick> pick = Pick(picture, lines, at, false);
  // A click where the curve crosses a line drawn over it may seed on a pixel of the two blended:
  // the colour measured is neither's, its spread the widest allowed and its stroke thinner than a
  // pixel. Seeded off the lines' bands, the curve's own pixels give it.
  if (pick && pick->style.tolerance >= p_.maxTolerance && pick->style.thickness < 1) {
    if (std::optional<CurvePick> off = Pick(picture, lines, at, true); off && off->style.tolerance < p_.maxTolerance) {
      return off;
    }
  }
  return pick;
}

std::optional<CurvePick> CurvePicker::Pick(const QImage& picture, const StraightLines& lines, QPointF at,
                                           bool offLines) const {
  const PictureRows rows(picture);
  const int W = rows.Width();
  const int H = rows.Height();
  const int cx = platform::RoundToInt32(std::floor(at.x()));
  const int cy = platform::RoundToInt32(std::floor(at.y()));
  if (cx < 0 || cy < 0 || cx >= W || cy >= H) {
    return std::nullopt;
  }
  // The curve's own pixels: inside the picture and off its straight lines.
  // (On a line's band, a pixel far from the line's colour shows the curve drawn over it; but not
  // a thin dotted line's pixel of the shade of its dots, or a little deeper: its mean colour, with
  // its dots' lighter ends, is far lighter than they are.)
  const QRgb paper = StraightLineFinder::Background(picture);  // the lines' background
  const auto usable = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= W || y >= H) {
      return false;
    }
    const StraightLine* line = lines.LineAt(x, y);
    if (line == nullptr) {
      return true;
    }
    const QRgb p = rows.At(x, y);
    if (line->coverage < kDottedCoverage && line->thickness < kDottedThickPx) {
      const auto [t, off] = Project(p, line->body, paper);
      if (t <= kDotCore && off <= 60 * 60) {
        return false;
      }
    }
    return Distance(p, line->colour) > 60;
  };

  // The background near the click: the most common colour of a square's rim around it. (Not of
  // the whole square: a stroke some twenty pixels thick fills most of it, and would be taken for
  // the background; it crosses the rim only twice.)
  std::vector<QRgb> around;
  const int reach = 24;
  const int rim = 6;
  for (int y = cy - reach; y <= cy + reach; ++y) {
    for (int x = cx - reach; x <= cx + reach; ++x) {
      if (std::max(std::abs(x - cx), std::abs(y - cy)) > reach - rim && usable(x, y)) {
        around.push_back(rows.At(x, y));
      }
    }
  }
  CurveStyle style;
  style.background = MostCommonColour(around);

  // The curve's pixel: of the pixels near the click that stand out from the background (at least
  // 0.6 of the strongest), the nearest to the click.
  double strongest = 0;
  for (int y = cy - p_.searchPx; y <= cy + p_.searchPx; ++y) {
    for (int x = cx - p_.searchPx; x <= cx + p_.searchPx; ++x) {
      if (usable(x, y)) {
        strongest = std::max(strongest, Distance(rows.At(x, y), style.background));
      }
    }
  }
  if (strongest < p_.minContrast) {
    return std::nullopt;
  }
  // Of the pixels within searchPx of `centre` that stand out so (off the lines' bands only, with
  // `offLinesOnly`), the nearest to `centre`; `otherwise` where there is none.
  const auto nearestStrong = [&](QPointF centre, bool offLinesOnly, QPoint otherwise) {
    QPoint found = otherwise;
    double nearest = 1e9;
    const int ax = platform::RoundToInt32(std::floor(centre.x()));
    const int ay = platform::RoundToInt32(std::floor(centre.y()));
    for (int y = ay - p_.searchPx; y <= ay + p_.searchPx; ++y) {
      for (int x = ax - p_.searchPx; x <= ax + p_.searchPx; ++x) {
        const double d2 =
            (x + 0.5 - centre.x()) * (x + 0.5 - centre.x()) + (y + 0.5 - centre.y()) * (y + 0.5 - centre.y());
        if (usable(x, y) && (!offLinesOnly || lines.LineAt(x, y) == nullptr) &&
            Distance(rows.At(x, y), style.background) >= 0.6 * strongest && d2 < nearest) {
          nearest = d2;
          found = QPoint(x, y);
        }
      }
    }
    return found;
  };
  const QPoint seed = nearestStrong(at, offLines, QPoint(cx, cy));
  // Its colour: the mean of the pixels near the seed that are as strong as the strongest one of
  // its hue beside it (the curve's body, not its anti-aliased edges, nor a light dot of a dotted
  // curve whose dashes are darker). The hue from the nearest such pixel off the lines' bands where
  // the seed lies on one: clicked on a dotted grid line where the curve crosses it, the seed was a
  // dot's blend with the curve, deeper than the curve's shade, and the curve's own pixels, off that
  // hue, were left out of its colour (measured as the blend's, its stroke a pixel thin).
  const QPoint hueSeed =
      lines.LineAt(seed.x(), seed.y()) == nullptr ? seed : nearestStrong(QPointF(seed) + QPointF(0.5, 0.5), true, seed);
  const QRgb seedColour = rows.At(hueSeed.x(), hueSeed.y());
  QRgb body = seedColour;
  double bodyT = 1;
  for (int y = seed.y() - 5; y <= seed.y() + 5; ++y) {
    for (int x = seed.x() - 5; x <= seed.x() + 5; ++x) {
      if (!usable(x, y)) {
        continue;
      }
      const auto [t, off] = Project(rows.At(x, y), seedColour, style.background);
      if (t > bodyT && off <= 0.0625 * t * t * double(ColourDistance2(seedColour, style.background))) {
        bodyT = t;
        body = rows.At(x, y);
      }
    }
  }
  const double contrast = Distance(body, style.background);
  const int w = p_.windowPx;
  double sum[3] = {0, 0, 0};
  int taken = 0;
  for (int y = seed.y() - w; y <= seed.y() + w; ++y) {
    for (int x = seed.x() - w; x <= seed.x() + w; ++x) {
      if (usable(x, y) && Distance(rows.At(x, y), body) <= 0.25 * contrast) {
        const QRgb p = rows.At(x, y);
        sum[0] += qRed(p);
        sum[1] += qGreen(p);
        sum[2] += qBlue(p);
        ++taken;
      }
    }
  }
  style.colour = qRgb(platform::RoundToInt32(sum[0] / taken), platform::RoundToInt32(sum[1] / taken),
                      platform::RoundToInt32(sum[2] / taken));
  // The spread of the curve's pixels: off the segment background..colour (the tolerance), and
  // along it past the colour (how much darker noise makes the curve's own pixels). Where a line
  // drawn over the curve meets it near the click, their blend lies far off the segment: where the
  // pixels off the lines' bands spread far less than all of them (and enough of them show), they
  // measure it.
  struct Spread {
    double squares = 0;
    double along = 0;
    int counted = 0;
    int full = 0;
    double Off() const { return counted > 0 ? std::sqrt(squares / counted) : 0; }
  };
  // The spread off the segment counts the patch the seed lies in only: another curve in the
  // square (one running beside, apart from the seed) would spread it as far as its colour lies
  // from the curve's, and its fringes would pass for the curve's own pixels.
  const int square = 2 * w + 1;
  std::vector<char> patch(std::size_t(square * square), 0);
  const auto inSquare = [&](int x, int y) { return std::size_t((y - seed.y() + w) * square + x - seed.x() + w); };
  std::vector<QPoint> todo{seed};
  patch[inSquare(seed.x(), seed.y())] = 1;
  while (!todo.empty()) {
    const QPoint q = todo.back();
    todo.pop_back();
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int x = q.x() + dx;
        const int y = q.y() + dy;
        if (std::abs(x - seed.x()) <= w && std::abs(y - seed.y()) <= w && patch[inSquare(x, y)] == 0 && usable(x, y) &&
            Project(rows.At(x, y), style.colour, style.background).first >= 0.5) {
          patch[inSquare(x, y)] = 1;
          todo.emplace_back(x, y);
        }
      }
    }
  }
  Spread all;
  Spread offBands;
  for (int y = seed.y() - w; y <= seed.y() + w; ++y) {
    for (int x = seed.x() - w; x <= seed.x() + w; ++x) {
      if (!usable(x, y)) {
        continue;
      }
      const auto [t, off] = Project(rows.At(x, y), style.colour, style.background);
      const bool inPatch = patch[inSquare(x, y)] != 0;
      for (Spread* each : {&all, lines.LineAt(x, y) == nullptr ? &offBands : nullptr}) {
        if (each == nullptr) {
          continue;
        }
        if (inPatch && t >= 0.5 && t <= 1.6) {
          each->squares += off;
          ++each->counted;
        }
        if (t >= 0.8 && t <= 1.6) {
          each->along += (t - 1) * (t - 1);
          ++each->full;
        }
      }
    }
  }
  const Spread& measuredBy =
      offBands.counted >= kSpreadPixels && all.Off() > kBlendShare * offBands.Off() + kBlendPx ? offBands : all;
  const double along = measuredBy.along;
  const int full = measuredBy.full;
  const double spread = measuredBy.Off();
  style.tolerance = std::clamp(3 * spread + 12, p_.minTolerance, p_.maxTolerance);
  style.darkest = std::min(1.5, 1 + std::max(0.2, 3 * std::sqrt(full > 0 ? along / full : 0.0)));

  // The fringe: the partly covered pixels at the ends of the seed column's run, beyond its body.
  const auto cover = [&](int x, int y) { return usable(x, y) ? style.Cover(rows.At(x, y)) : -1.0; };
  int fringe = 1;
  for (const int dir : {-1, 1}) {
    int y = seed.y();
    while (cover(seed.x(), y + dir) >= CurveColumns::kCore && std::abs(y - seed.y()) < 60) {
      y += dir;
    }
    int partial = 0;
    while (partial < 4 && cover(seed.x(), y + dir * (partial + 1)) > 0.08 &&
           cover(seed.x(), y + dir * (partial + 1)) < CurveColumns::kCore) {
      ++partial;
    }
    fringe = std::max(fringe, partial);
  }
  style.fringe = std::min(3, fringe);
  // Drawn without anti-aliasing where hardly any pixel near the seed is partly covered.
  int partly = 0;
  int wholly = 0;
  for (int y = seed.y() - w; y <= seed.y() + w; ++y) {
    for (int x = seed.x() - w; x <= seed.x() + w; ++x) {
      const double c = cover(x, y);
      partly += c > 0.15 && c < 0.85 ? 1 : 0;
      wholly += c >= 0.85 ? 1 : 0;
    }
  }
  style.aliased = wholly >= 8 && partly * 20 < wholly;
  style.thickness = 1;

  // The runs down the columns beside the seed: their centres give the curve's slope, their mass
  // (T sqrt(1 + s^2) for a straight stroke) its thickness; along a steep stretch the runs along
  // the rows give it better (T sqrt(1 + 1 / s^2)).
  const CurveColumns columns(picture, lines, style);
  const auto runNear = [&](int column, double y) -> std::optional<CurveRun> {
    std::optional<CurveRun> best;
    for (const CurveRun& run :
         columns.Runs(column, platform::RoundToInt32(std::floor(y)) - 3, platform::RoundToInt32(std::floor(y)) + 3)) {
      if (run.top <= y + 2 && run.bottom >= y - 3 &&
          (!best || std::fabs(run.centre - y) < std::fabs(best->centre - y))) {
        best = run;
      }
    }
    return best;
  };
  // Up to 6 columns on each side, the runs measured where nothing cuts them; farther (up to 12,
  // across a dotted curve's gaps) where none is clear so near. Every run passed gives the course:
  // each measured run's mass is taken across the course through its neighbours (the local slope),
  // not through all of them, which would mix a narrow peak's two flanks.
  struct Walked {
    double x;
    double centre;
    double mass;
    bool clean;
    double pastLine = 0;    // cut by a horizontal line drawn over it: the stroke's height as that tells (else 0)
    bool pastBoth = false;  // from both pieces the line parts
    double joined = 0;      // the stroke's height as the pieces read as one run across the band tell it (else 0)
  };
  // A run cut on one side by a horizontal line drawn over the curve (a grid the curve runs
  // along): where the curve's colour shows again right past the line's band, the stroke spans both
  // pieces and the band; else its edge on the cut side lies somewhere under the band, half of it
  // on the average. On a shallow course (`shallow`: the centre moved by less than a pixel from the
  // last column's) the two pieces may also be read as one run joined across the band (a thick
  // curve's square dots over a grid line that parts them): its height is told apart; on a steep
  // course such a run is the stroke's long way down the column, not across it.
  const auto pastLine = [&](int column, const CurveRun& run, bool shallow) -> std::tuple<double, bool, double> {
    if (run.lineTop == run.lineBottom || (run.lineTop ? run.cutBottom : run.cutTop)) {
      return {0.0, false, 0.0};
    }
    const int dir = run.lineTop ? -1 : 1;
    const int edge = run.lineTop ? run.top : run.bottom;
    const StraightLine* line = nullptr;
    for (int k = 1; k <= 2 && line == nullptr; ++k) {
      lines.AnyLineAt(column, edge + dir * k, [&](int, const StraightLine& l) {
        line = l.horizontal ? &l : line;
        return l.horizontal;
      });
    }
    if (line == nullptr) {
      return {0.0, false, 0.0};
    }
    const int beyond = platform::RoundToInt32(std::ceil(line->thickness)) + 3;
    double joined = 0;
    for (const CurveRun& other :
         columns.Runs(column, std::min(edge, edge + dir * beyond), std::max(edge, edge + dir * beyond))) {
      if (run.lineTop ? other.bottom < run.top && other.lineBottom : other.top > run.bottom && other.lineTop) {
        return {run.lineTop ? run.bottomEdge - other.topEdge : other.bottomEdge - run.topEdge, true, 0.0};
      }
      if (shallow && other.crossed && run.lineTop && other.top < run.top && std::abs(other.bottom - run.bottom) <= 1) {
        joined = run.bottomEdge - other.topEdge;
      }
      if (shallow && other.crossed && run.lineBottom && other.bottom > run.bottom &&
          std::abs(other.top - run.top) <= 1) {
        joined = other.bottomEdge - run.topEdge;
      }
    }
    return {run.Height() + line->thickness / 2, false, joined};
  };
  std::vector<Walked> walkedRuns;
  for (const int far : {6, 12}) {
    walkedRuns.clear();
    for (const int dir : {-1, 1}) {
      double y = seed.y() + 0.5;
      int misses = 0;
      for (int k = dir < 0 ? 0 : 1; k <= far && misses <= far - 3; ++k) {
        const int column = seed.x() + dir * k;
        const std::optional<CurveRun> run = runNear(column, y);
        misses = run ? 0 : misses + 1;
        if (run) {
          const auto [past, both, joined] = pastLine(column, *run, std::fabs(run->centre - y) < 1);
          y = run->centre;
          walkedRuns.push_back({column + 0.5, run->centre, run->mass,
                                !run->Cut() && !run->crossed && (k > 6 || far == 6), past, both, joined});
        }
      }
    }
    if (std::count_if(walkedRuns.begin(), walkedRuns.end(), [](const Walked& r) { return r.clean; }) >= 2) {
      break;
    }
  }
  // No run near the click's height in any column: the click lies on a line of the curve's colour
  // (masked) where the curve climbs or falls steeply along it, its runs in the columns beside the
  // line far above or below the click. Those columns are searched farther, each next run expected
  // where the course through the last two found leads.
  if (walkedRuns.empty()) {
    constexpr int kSteepReach = 16;
    for (const int dir : {-1, 1}) {
      double y = seed.y() + 0.5;
      std::optional<double> step;  // the course's change of height per column, outwards
      int misses = 0;
      for (int k = 1; k <= 6 && misses <= 3; ++k) {
        const int column = seed.x() + dir * k;
        const double expected = y + step.value_or(0) * (misses + 1);
        const int window = step ? 3 : kSteepReach;
        std::optional<CurveRun> run;
        for (const CurveRun& r : columns.Runs(column, platform::RoundToInt32(std::floor(expected)) - window,
                                              platform::RoundToInt32(std::floor(expected)) + window)) {
          if (!run || std::fabs(r.centre - expected) < std::fabs(run->centre - expected)) {
            run = r;
          }
        }
        if (!run) {
          ++misses;
          continue;
        }
        if (std::any_of(walkedRuns.begin(), walkedRuns.end(),
                        [&](const Walked& found) { return (found.x - seed.x()) * dir > 0; })) {
          step = (run->centre - y) / (misses + 1);
        }
        misses = 0;
        const auto [past, both, joined] = pastLine(column, *run, std::fabs(run->centre - y) < 1);
        y = run->centre;
        walkedRuns.push_back({column + 0.5, run->centre, run->mass, !run->Cut() && !run->crossed, past, both, joined});
      }
    }
  }
  const auto localSlope = [&](double x) {
    std::vector<std::pair<double, double>> course;
    for (const Walked& n : walkedRuns) {
      if (std::fabs(n.x - x) <= 2) {
        course.emplace_back(n.x, n.centre);
      }
    }
    const std::optional<FittedLine> local = FitLine(course);
    return local ? std::optional(local->slope) : std::nullopt;
  };
  std::vector<double> masses;
  for (const Walked& r : walkedRuns) {
    if (const std::optional<double> s = localSlope(r.x); r.clean && s) {
      masses.push_back(r.mass / std::sqrt(1 + *s * *s));
    }
  }
  // (Where some columns show the curve past the line, they tell it better than those whose edge
  // lies under the line. A single clean column, a dash's end by the click where the rest of the
  // dash runs along the line, measures nothing alone: the columns the line cuts tell it too.)
  // Runs joined across the band count only where most runs are (else such a one is a dash's end
  // beside the next dash's, or another curve's, piece).
  const bool pastBoth = std::any_of(walkedRuns.begin(), walkedRuns.end(), [](const Walked& r) { return r.pastBoth; });
  const auto joined = std::count_if(walkedRuns.begin(), walkedRuns.end(), [](const Walked& r) { return r.joined > 0; });
  const bool joinedCount = 2 * std::size_t(joined) >= walkedRuns.size();
  if (masses.size() < 2) {
    for (const Walked& r : walkedRuns) {
      if (const std::optional<double> s = localSlope(r.x); r.pastLine > 0 && r.pastBoth == pastBoth && s) {
        masses.push_back((joinedCount && r.joined > 0 ? r.joined : r.pastLine) / std::sqrt(1 + *s * *s));
      }
    }
  }
  // Where no column is clean (a steep flank in a JPEG, the colours of every run's fringes bled off
  // the curve's on both sides), the runs cut so still hold the stroke's mass up to their cuts: too
  // thin a stroke rather than none, which would leave the thickness at a pixel.
  const bool allCut = masses.empty();
  if (allCut) {
    for (const Walked& r : walkedRuns) {
      if (const std::optional<double> s = localSlope(r.x); s && r.mass > 0) {
        masses.push_back(r.mass / std::sqrt(1 + *s * *s));
      }
    }
  }
  // The course at the seed: its run and the slope through its neighbours.
  const Walked* atSeed = nullptr;
  for (const Walked& r : walkedRuns) {
    if (atSeed == nullptr || std::fabs(r.x - seed.x() - 0.5) < std::fabs(atSeed->x - seed.x() - 0.5)) {
      atSeed = &r;
    }
  }
  const double slope = atSeed != nullptr ? localSlope(atSeed->x).value_or(0.0) : 0.0;
  // Down the columns for a shallow course, along the rows for a steep one, both in between.
  std::optional<double> byColumns;
  if (!masses.empty() && std::fabs(slope) <= 3) {
    byColumns = Median(masses);
    if (std::fabs(slope) < 1) {
      byColumns = StrokePastMarker(columns, seed, *byColumns, slope).value_or(*byColumns);
    }
  }
  std::optional<double> byRows;
  if (atSeed != nullptr && masses.size() >= 2 && std::fabs(slope) >= 1) {
    // Each row's run through the curve where the course of the centres crosses it (rows whose run
    // meets a pixel of another colour, a line's, are left out).
    const auto rowCover = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < W && y < H ? style.Cover(rows.At(x, y)) : -1.0;
    };
    std::vector<double> across;
    const double cx0 = atSeed->x;
    const double cy0 = atSeed->centre;
    for (int y = seed.y() - 3; y <= seed.y() + 3; ++y) {
      int x0 = platform::RoundToInt32(std::floor(cx0 + (y + 0.5 - cy0) / slope));
      for (const int d : {0, -1, 1, -2, 2}) {
        if (rowCover(x0 + d, y) >= CurveColumns::kIn) {
          x0 += d;
          break;
        }
      }
      if (rowCover(x0, y) < CurveColumns::kIn) {
        continue;
      }
      double mass = 0;
      bool clean = true;
      for (const int dir : {-1, 1}) {
        for (int k = dir < 0 ? 0 : 1; k < 60; ++k) {
          const double c = rowCover(x0 + dir * k, y);
          if (c < 0.05) {
            clean = clean && c >= 0;
            break;
          }
          mass += std::min(1.0, c);
        }
      }
      // (Not a row through a narrow peak's top, across both of its flanks: far longer than the
      // stroke the columns tell.)
      const bool bothFlanks =
          byColumns && mass > kBothFlanksShare * *byColumns * std::sqrt(1 + 1 / (slope * slope)) + kBothFlanksPx;
      if (clean && !bothFlanks) {
        across.push_back(mass);
      }
    }
    if (!across.empty()) {
      byRows = Median(across) / std::sqrt(1 + 1 / (slope * slope));
    }
  }
  if (byColumns && byRows) {
    style.thickness = std::fabs(slope) < 1.5 ? *byColumns : (*byColumns + *byRows) / 2;
  } else {
    style.thickness = byColumns ? *byColumns : byRows ? *byRows : allCut && !masses.empty() ? Median(masses) : 1.0;
  }
  style.thickness = std::max(0.5, style.thickness);
  // Clicked on a thick dash near its square-cut end, the columns there are cut across the stroke
  // and tell too thin a stroke: the dash's own width tells it.
  // A patch long across the course, not along it, with another alike next to it across its long
  // axis, is one of the bars drawn across a thick curve dotted in short marks: the curve is as
  // thick as they are long. The course: as the runs beside the pick show it, or from the patch to
  // the next one (on a steep course the runs down a bar's columns follow the bar). A single mark,
  // a tick or a grid line's dot beside a dash, proves no such texture. Where the patch at the pick
  // runs on (a lighter curve crossing the bars there) and the runs tell a thin stroke, the patches
  // of the curve's full shade around it show them.
  const auto turned = [](double axis, double course) {
    return std::fabs(std::remainder(axis - course, std::numbers::pi)) > kBarTurn;
  };
  const auto alike = [&](const CurveTexture::Dash& a, const CurveTexture::Dash& b) {
    return std::fabs(std::remainder(a.axis - b.axis, std::numbers::pi)) < kBarTurn / 2 &&
           std::fabs(a.along - b.along) < kDashWiderPx + kBarAlike * a.along;
  };
  const auto fullShade = [&](QPoint q) {
    return picture.valid(q) && style.Cover(picture.pixel(q)) >= CurveColumns::kCore;
  };
  const auto barAt = [&](QPoint from, const CurveTexture::Dash& d) -> std::optional<double> {
    if (d.along <= style.thickness + kDashWiderPx) {
      return std::nullopt;
    }
    const double toNext = d.next ? std::atan2(d.next->y() - from.y(), d.next->x() - from.x()) : 0.0;
    if (!turned(d.axis, std::atan(slope)) && !(d.next && turned(d.axis, toNext))) {
      return std::nullopt;
    }
    // The first patch met across the bar's long axis, on either side.
    const double nx = -std::sin(d.axis);
    const double ny = std::cos(d.axis);
    for (const int side : {-1, 1}) {
      for (double t = d.width + 1; t <= kBarReach * d.along; t += 0.5) {
        const QPoint q(platform::RoundToInt32(std::floor(from.x() + 0.5 + side * t * nx)),
                       platform::RoundToInt32(std::floor(from.y() + 0.5 + side * t * ny)));
        if (!fullShade(q)) {
          continue;
        }
        const std::optional<CurveTexture::Dash> other =
            CurveTexture::DashAt(picture, lines, style, QPointF(q) + QPointF(0.5, 0.5));
        if (other && alike(d, *other)) {
          return d.along;
        }
        break;
      }
    }
    return std::nullopt;
  };
  if (const std::optional<CurveTexture::Dash> dash =
          CurveTexture::DashAt(picture, lines, style, QPointF(seed) + QPointF(0.5, 0.5))) {
    if (const std::optional<double> bar = barAt(seed, *dash)) {
      style.thickness = *bar;
    } else if (dash->width > style.thickness + kDashWiderPx) {
      // (Unless the next patch of the colour is no wider than the columns tell: the patch clicked
      // is a marker drawn on a dotted curve, not one of its dashes.)
      const std::optional<CurveTexture::Dash> next =
          dash->next ? CurveTexture::DashAt(picture, lines, style, QPointF(*dash->next) + QPointF(0.5, 0.5))
                     : std::nullopt;
      if (!next || next->width > style.thickness + kDashWiderPx) {
        style.thickness = dash->width;
      }
    }
  } else if (style.thickness < kBarThinPx) {
    bool found = false;
    for (int r = 1; r <= kBarRing && !found; ++r) {
      for (int dy = -r; dy <= r && !found; ++dy) {
        for (int dx = -r; dx <= r && !found; ++dx) {
          const QPoint q = seed + QPoint(dx, dy);
          if (std::max(std::abs(dx), std::abs(dy)) != r || !fullShade(q)) {
            continue;
          }
          if (const std::optional<CurveTexture::Dash> d =
                  CurveTexture::DashAt(picture, lines, style, QPointF(q) + QPointF(0.5, 0.5))) {
            if (const std::optional<double> bar = barAt(q, *d)) {
              style.thickness = *bar;
              found = true;
            }
          }
        }
      }
    }
  }

  // The curve's centre in the clicked column, or in the nearest column beside it clear of lines
  // (a click where the curve meets the frame).
  const CurveColumns measured(picture, lines, style);
  CurvePick pick;
  pick.style = style;
  pick.onCurve = QPointF(at.x(), seed.y() + 0.5);
  for (int d = 0; d <= 4; ++d) {
    for (const int column : {cx - d, cx + d}) {
      if (measured.VerticalLineAt(column, seed.y()) != nullptr) {
        continue;
      }
      std::optional<CurveRun> best;
      for (const CurveRun& run : measured.Runs(column, seed.y() - p_.searchPx - 2, seed.y() + p_.searchPx + 2)) {
        if (!best || std::fabs(run.centre - at.y()) < std::fabs(best->centre - at.y())) {
          best = run;
        }
      }
      if (best) {
        pick.onCurve = QPointF(column == cx ? at.x() : column + 0.5, best->centre);
        return pick;
      }
    }
  }
  return pick;
}

}  // namespace tracer
