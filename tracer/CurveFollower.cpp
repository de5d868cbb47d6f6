#include "CurveFollower.h"

#include <algorithm>
#include <cmath>

#include "numbers.h"

namespace tracer {

namespace {

int Floor(double v) { return platform::RoundToInt32(std::floor(v)); }

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
    : rows_(picture), lines_(lines), style_(style), p_(parameters) {
  for (const StraightLine& line : lines.Lines()) {
    confusable_.push_back(style.Cover(line.colour) >= p_.minCover * 0.8 ? 1 : 0);
  }
}

bool CurveFollower::Masked(int x, int y) const {
  return lines_.AnyLineAt(x, y, [this](int n, const StraightLine&) { return confusable_[std::size_t(n)] != 0; });
}

bool CurveFollower::OnVerticalLine(int x, int y) const {
  return lines_.AnyLineAt(x, y, [](int, const StraightLine& line) { return !line.horizontal; });
}

std::vector<CurveFollower::Run> CurveFollower::RunsIn(int column, int lo, int hi) const {
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
  // Per row: the cover, or -2 where a line of the curve's colour lies.
  const auto cover = [&](int y) { return Masked(column, y) ? -2.0 : style_.Cover(rows_.At(column, y)); };
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
  for (int y = lo; y <= hi;) {
    if (at(y) < p_.minCover) {
      ++y;
      continue;
    }
    Run run;
    run.top = y;
    while (y + 1 <= hi && at(y + 1) >= p_.minCover) {
      ++y;
    }
    run.bottom = y;
    ++y;
    run.touchesLine = at(run.top - 1) == -2.0 || at(run.bottom + 1) == -2.0;
    // The centroid of the run and its anti-aliased fringe on each side.
    double weight = 0;
    double moment = 0;
    for (int r = run.top - 1; r <= run.bottom + 1; ++r) {
      const double w = std::max(0.0, at(r));
      weight += w;
      moment += w * (r + 0.5);
    }
    run.centre = moment / weight;
    runs.push_back(run);
  }
  return runs;
}

double CurveFollower::Fit(const std::vector<Found>& found, double x) const {
  // The columns found within fitColumns of x; where x lies in a bridged stretch, the nearest few
  // on each side of it.
  std::vector<std::pair<double, double>> near;
  std::vector<std::pair<double, double>> before;
  std::vector<std::pair<double, double>> after;
  for (const Found& f : found) {
    if (std::fabs(f.x - x) <= p_.fitColumns + 0.5) {
      near.emplace_back(f.x, f.y);
    }
    (f.x < x ? before : after).emplace_back(f.x, f.y);
  }
  const auto byDistance = [x](const auto& a, const auto& b) { return std::fabs(a.first - x) < std::fabs(b.first - x); };
  std::sort(before.begin(), before.end(), byDistance);
  std::sort(after.begin(), after.end(), byDistance);
  const bool bothSides = std::any_of(near.begin(), near.end(), [x](const auto& p) { return p.first <= x; }) &&
                         std::any_of(near.begin(), near.end(), [x](const auto& p) { return p.first >= x; });
  if (!bothSides || near.size() < 3) {
    near.clear();
    for (std::size_t i = 0; i < 3; ++i) {
      if (i < before.size()) {
        near.push_back(before[i]);
      }
      if (i < after.size()) {
        near.push_back(after[i]);
      }
    }
  }
  if (near.size() == 1) {
    return near[0].second;
  }
  const int degree = near.size() >= 5 ? 2 : 1;
  if (const std::optional<double> y = PolyFit(near, x, degree)) {
    return *y;
  }
  return near[0].second;
}

std::optional<double> CurveFollower::HeightAt(const std::vector<QPointF>& path, double x) const {
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
  const double T = style_.thickness;
  const int bridge = p_.bridgePx + platform::RoundToInt32(3 * T);
  const int target = Floor(x);
  std::vector<Found> found;
  Found last{start.x(), start.y()};
  // The last run found (its edges, continuous pixels) and how its edges moved from the one before.
  bool hasEdges = false;
  bool hasMoves = false;
  double edgeTop = 0;
  double edgeBottom = 0;
  double moveTop = 0;
  double moveBottom = 0;
  int gap = 0;
  int hiddenFrom = 0;  // of the columns since the curve was last seen, the first ones on a vertical line
  for (int c = Floor(start.x());; c += dir) {
    // The slope of the course: through the columns found last, else the path's.
    double s = pathSlope;
    std::vector<std::pair<double, double>> recent;
    for (auto it = found.rbegin(); it != found.rend() && recent.size() < 6; ++it) {
      if (std::fabs(it->x - last.x) <= 8) {
        recent.emplace_back(it->x, it->y);
      }
    }
    if (recent.size() >= 2) {
      double sx = 0, sy = 0, sxx = 0, sxy = 0;
      for (const auto& [px, py] : recent) {
        sx += px;
        sy += py;
        sxx += px * px;
        sxy += px * py;
      }
      const double n = double(recent.size());
      const double d = n * sxx - sx * sx;
      if (d > 0) {
        s = (n * sxy - sx * sy) / d;
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
    if (gap == 0 && hasEdges) {
      // Right after a column found, its run bounds the next one's too: the curve is connected.
      lo = std::min(lo, edgeTop - p_.slackPx);
      hi = std::max(hi, edgeBottom + p_.slackPx);
    }
    const std::vector<Run> runs = RunsIn(c, Floor(lo) - 2, Floor(hi) + 2);
    // Each run on the course, with where the curve's centre and edges lie in it.
    struct Candidate {
      double centre;
      double top;
      double bottom;
      bool partial;  // one edge placed from the other, the run being cut short or merged there
    };
    std::vector<Candidate> candidates;
    bool unsure = false;
    for (const Run& run : runs) {
      const double top = run.top;
      const double bottom = run.bottom + 1.0;
      if (bottom < lo || top > hi) {
        continue;  // not on the course: another curve, a label, the legend
      }
      if (run.touchesLine) {
        unsure = true;  // against a line of its colour: its extent is the line's as much as its own
        continue;
      }
      Candidate candidate{run.centre, top, bottom, false};
      if (gap == 0 && hasMoves) {
        // Each edge goes on as it went; an edge that jumps belongs to something crossing the
        // curve (another curve of its colour, a marker, a label), and the other edge places it.
        const double tolerance = 1.5 + 0.4 * std::max({std::fabs(moveTop), std::fabs(moveBottom), 1.0});
        const double expectTop = edgeTop + moveTop;
        const double expectBottom = edgeBottom + moveBottom;
        const bool topFits = std::fabs(top - expectTop) <= tolerance;
        const bool bottomFits = std::fabs(bottom - expectBottom) <= tolerance;
        const double height = expectBottom - expectTop;
        if (!topFits && !bottomFits) {
          if (bottom - top > height + 2 * tolerance) {
            unsure = true;  // merged on both sides
            continue;
          }
          candidate.partial = true;  // a piece (a dash, a dot): its own centre, but no new course
        } else if (!topFits) {
          candidate = {bottom - height / 2, expectTop, bottom, true};
        } else if (!bottomFits) {
          candidate = {top + height / 2, top, expectBottom, true};
        }
      } else if (slopeKnown && found.size() >= 2 && bottom - top > p_.mergedFactor * h + 3) {
        unsure = true;  // far taller than the curve's run: merged with something crossing it
        continue;
      }
      candidates.push_back(candidate);
    }
    std::sort(candidates.begin(), candidates.end(), [pred](const Candidate& a, const Candidate& b) {
      return std::fabs(a.centre - pred) < std::fabs(b.centre - pred);
    });
    if (candidates.size() >= 2 &&
        std::fabs(candidates[1].centre - pred) - std::fabs(candidates[0].centre - pred) < std::max(2.0, T)) {
      candidates.clear();  // two of them, too close to tell which continues the curve
    }
    if (!candidates.empty()) {
      const Candidate& taken = candidates.front();
      if (!taken.partial) {
        hasMoves = gap == 0 && hasEdges;
        moveTop = taken.top - edgeTop;
        moveBottom = taken.bottom - edgeBottom;
      }
      edgeTop = taken.top;
      edgeBottom = taken.bottom;
      hasEdges = true;
      last = {centreX, taken.centre};
      found.push_back(last);
      gap = 0;
      hiddenFrom = 0;
    } else {
      ++gap;
      // Columns under a vertical line, counted from the last one found while they last.
      const int y = std::clamp(Floor(pred), 0, rows_.Height() - 1);
      if (hiddenFrom == gap - 1 && OnVerticalLine(c, y)) {
        hiddenFrom = gap;
      }
    }
    const int beyond = (c - target) * dir;
    if (gap == 0 && beyond >= p_.fitColumns) {
      break;
    }
    if (gap > bridge || c < 0 || c >= rows_.Width()) {
      if (found.empty()) {
        return std::nullopt;
      }
      // The curve ends (or hides) beyond x: what was found reaches x.
      if (dir * (last.x - x) >= -0.5) {
        return Fit(found, x);
      }
      // x lies just under a vertical line (the plot's frame at the curve's end) right after the
      // curve was last seen: the last columns found carry it on.
      const int lastColumn = Floor(last.x);
      if ((target - lastColumn) * dir <= hiddenFrom && std::fabs(x - last.x) <= 3 + T) {
        std::vector<std::pair<double, double>> points;
        for (auto it = found.rbegin(); it != found.rend() && points.size() < 4; ++it) {
          points.emplace_back(it->x, it->y);
        }
        if (points.size() >= 2) {
          return PolyFit(points, x, 1);
        }
      }
      return std::nullopt;
    }
  }
  return Fit(found, x);
}

}  // namespace tracer
