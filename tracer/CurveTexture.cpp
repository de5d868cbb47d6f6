#include "CurveTexture.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "CurveFollower.h"
#include "PictureRows.h"
#include "numbers.h"

namespace tracer {

void CurveTexture::Measure(const QImage& picture, const StraightLines& lines, const CurvePick& pick) {
  measured_ = true;
  dash_ = DashAt(picture, lines, pick.style, pick.onCurve).value_or(Dash{});
  // (A dash-dot curve clicked on a dot: the next patch is a dash.)
  const std::optional<Dash> next =
      dash_.next ? DashAt(picture, lines, pick.style, QPointF(*dash_.next) + QPointF(0.5, 0.5)) : std::nullopt;
  longestPx_ = std::max(dash_.length, next ? next->length : 0);
}

void CurveTexture::Learn(const CurveFollower& follower, const CurvePick& pick) {
  learnt_ = true;
  std::vector<double> strokes;
  // Walks one way from the pick; true where only the dash clicked stopped it, on a stretch that
  // showed no gap.
  const auto walk = [&](int dir) {
    std::vector<QPointF> path{pick.onCurve};
    for (int step = 1; step * learnStep <= learnColumns; ++step) {
      const double x = pick.onCurve.x() + dir * step * learnStep;
      std::vector<CurveFollower::Column> walked;
      const std::optional<double> y = follower.HeightAt(path, x, &walked);
      Note(walked);
      for (const CurveFollower::Column& column : walked) {
        if (column.across > 0) {
          strokes.push_back(column.across);
        }
      }
      std::optional<int> from;
      if (!walked.empty() && !Keeps(walked.back().column, dir, &from)) {
        const int dash = std::exchange(dash_.length, 0);
        const bool byDash = dash > 0 && Keeps(walked.back().column, dir);
        dash_.length = dash;
        if (from) {
          Forget(*from, walked.back().column);  // another curve met: what the walk found on it is not the curve's
        }
        return byDash;
      }
      if (!y || walked.empty()) {
        return false;
      }
      path.push_back({x, *y});
      if (path.size() > 5) {
        path.erase(path.begin());
      }
    }
    return false;
  };
  const bool right = walk(1);
  const bool left = walk(-1);
  if (right && left) {
    // A solid curve runs on both ways: what looked like a dash was the curve cut short (a thin
    // line's faint pixels). Learnt again without it.
    columns_.Clear();
    dash_ = {};
    strokes.clear();
    walk(1);
    walk(-1);
  }
  covered_.Clear();  // what covers the curve counts only as the trace meets it
  if (strokes.size() >= std::size_t(std::max(1, minStrokeColumns))) {
    std::nth_element(strokes.begin(), strokes.begin() + std::ptrdiff_t(strokes.size() / 2), strokes.end());
    strokePx_ = strokes[strokes.size() / 2];
  }
  hidden_ = 0;
}

std::optional<CurveTexture::Dash> CurveTexture::DashAt(const QImage& picture, const StraightLines& lines,
                                                       const CurveStyle& style, QPointF at) {
  // The patch of pixels that show the curve's colour (at least kFill of it), 8-connected, grown
  // from the pick within a box a few thicknesses wide; a dash ends in the background, so what
  // borders the patch must be background (or as light as a pale grid line).
  constexpr double kFill = 0.3;
  const PictureRows rows(picture);
  const int reach = std::max(12, platform::RoundToInt32(std::ceil(6 * style.thickness)));
  const int x0 = platform::RoundToInt32(std::floor(at.x()));
  const int y0 = platform::RoundToInt32(std::floor(at.y()));
  const int left = x0 - reach;
  const int top = y0 - reach;
  const int size = 2 * reach + 1;
  if (left < 1 || top < 1 || left + size >= rows.Width() || top + size >= rows.Height()) {
    return std::nullopt;
  }
  const int contrast2 = ColourDistance2(style.colour, style.background) / 4;
  const auto cells = static_cast<std::size_t>(size);
  std::vector<char> state(cells * cells, 0);  // 1 in the patch, 2 bordering it
  const auto index = [&](int x, int y) { return static_cast<std::size_t>((y - top) * size + (x - left)); };
  std::vector<std::pair<int, int>> todo;
  for (int dy = -1; dy <= 1 && todo.empty(); ++dy) {
    if (style.Cover(rows.At(x0, y0 + dy)) >= kFill) {
      todo.emplace_back(x0, y0 + dy);
      state[index(x0, y0 + dy)] = 1;
    }
  }
  if (todo.empty()) {
    return std::nullopt;
  }
  // Whether pixel (x, y) shows the curve. On a pale line (a grey grid line under a black curve,
  // blurred by JPEG, shows a third of the colour) only what is clearly darker than the line does:
  // else a dot touching the line grows along it into the next one. On a line of the curve's own
  // colour (a black grid under a black curve) none does: a dash touching the line would grow
  // along it out of the box (the patch goes on across the line where the curve does).
  constexpr double kPale = 0.75;
  constexpr double kOverLine = 0.25;
  const auto fills = [&](int x, int y) {
    const double cover = style.Cover(rows.At(x, y));
    if (cover < kFill) {
      return false;
    }
    const StraightLine* line = lines.LineAt(x, y);
    if (line == nullptr) {
      return true;
    }
    const double lineCover = style.Cover(line->colour);
    return lineCover < kPale && cover >= lineCover + kOverLine;
  };
  // Whether the pixel (x, y) next to the patch lies on a straight line right across which (the
  // way from the patch, dx or dy) the curve's colour shows again: the line hides the curve there.
  const auto goesOnBeyondLine = [&](int x, int y, int dx, int dy) {
    const StraightLine* line = lines.LineAt(x, y);
    if (line == nullptr || fills(x, y) || (line->horizontal ? dy : dx) == 0) {
      return false;
    }
    if (line->horizontal) {
      dx = 0;
    } else {
      dy = 0;
    }
    for (int k = 1; k <= platform::RoundToInt32(std::ceil(line->thickness)) + 1; ++k) {
      const int bx = x + k * dx;
      const int by = y + k * dy;
      if (bx >= 0 && by >= 0 && bx < rows.Width() && by < rows.Height() && fills(bx, by)) {
        return true;
      }
    }
    return false;
  };
  // Whether pixel (x, y) on a straight line is the curve's edge blended with the line's colour
  // (a dash drawn over a grid line): what borders the patch there is the line, nothing drawn over
  // the curve.
  const auto edgeOverLine = [&](int x, int y, QRgb p) {
    const StraightLine* line = lines.LineAt(x, y);
    return line != nullptr && style.CoverOver(p, line->colour) >= 0;
  };
  int minX = todo.front().first;
  int maxX = minX;
  int minY = todo.front().second;
  int maxY = minY;
  while (!todo.empty()) {
    const auto [x, y] = todo.back();
    todo.pop_back();
    if (x == left || y == top || x == left + size - 1 || y == top + size - 1) {
      return std::nullopt;  // runs on beyond a dash's length
    }
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        char& s = state[index(x + dx, y + dy)];
        if (s != 0) {
          continue;
        }
        const QRgb p = rows.At(x + dx, y + dy);
        // (A straight line drawn over the curve, a pale grid line, hides it in its own rows or
        // columns alone: the patch goes on across it, as the curve does.)
        if (fills(x + dx, y + dy) || goesOnBeyondLine(x + dx, y + dy, dx, dy)) {
          s = 1;
          todo.emplace_back(x + dx, y + dy);
        } else if (style.Cover(p) < 0 && ColourDistance2(p, style.background) > contrast2 &&
                   !edgeOverLine(x + dx, y + dy, p)) {
          return std::nullopt;  // cut short by something else drawn over it
        } else {
          s = 2;
        }
      }
    }
  }
  Dash dash;
  dash.length = platform::RoundToInt32(std::ceil(std::hypot(maxX - minX + 1, maxY - minY + 1)));
  // Its width: a stroke w wide spreads its pixels across its length as w^2 / 12 (the smaller
  // principal moment of the patch, each pixel weighed by its cover).
  // (Moments about the patch's own corner, its pixels' offsets small: no loss of precision.)
  double weight = 0;
  double sx = 0;
  double sy = 0;
  double sxx = 0;
  double syy = 0;
  double sxy = 0;
  for (int y = minY; y <= maxY; ++y) {
    for (int x = minX; x <= maxX; ++x) {
      if (state[index(x, y)] == 1) {
        const double w = std::min(1.0, style.Cover(rows.At(x, y)));
        const double dx = x - minX;
        const double dy = y - minY;
        weight += w, sx += w * dx, sy += w * dy, sxx += w * dx * dx, syy += w * dy * dy, sxy += w * dx * dy;
      }
    }
  }
  const double xx = sxx - sx * sx / weight;
  const double yy = syy - sy * sy / weight;
  const double xy = sxy - sx * sy / weight;
  const double mean = (xx + yy) / 2 / weight;
  const double spread = std::hypot((xx - yy) / 2, xy) / weight;
  constexpr double kElongated = 4;  // the larger moment at least this many times the smaller: a dash
  // A dot (a dash no longer than wide: a square, a disc) spreads its pixels so too, w^2 / 12 across
  // any way (a disc of diameter d: w = 0.87 d); so long as it fills the rectangle its moments tell
  // (12 times their geometric mean, its area), not a dash bent over a peak whose spread is no width.
  constexpr double kFilled = 0.82;
  const bool elongated = mean + spread >= kElongated * (mean - spread);
  if (mean - spread > 0 && (elongated || weight >= kFilled * 12 * std::sqrt((mean - spread) * (mean + spread)))) {
    dash.width = std::sqrt(12 * (mean - spread));
  }
  if (elongated) {
    dash.along = std::sqrt(12 * (mean + spread));
    dash.axis = 0.5 * std::atan2(2 * xy, xx - yy);
  }
  // The gap: steps outwards from the patch (through 8 neighbours) to the nearest pixel of the
  // curve's colour beyond it, within kMaxGap.
  constexpr int kMaxGap = 60;
  const int gLeft = std::max(0, minX - kMaxGap);
  const int gTop = std::max(0, minY - kMaxGap);
  const int gRight = std::min(rows.Width() - 1, maxX + kMaxGap);
  const int gBottom = std::min(rows.Height() - 1, maxY + kMaxGap);
  const int gWidth = gRight - gLeft + 1;
  std::vector<char> reached(static_cast<std::size_t>(gWidth) * static_cast<std::size_t>(gBottom - gTop + 1), 0);
  const auto cell = [&](int x, int y) { return static_cast<std::size_t>((y - gTop) * gWidth + (x - gLeft)); };
  std::vector<std::pair<int, int>> ring;
  for (int y = minY; y <= maxY; ++y) {
    for (int x = minX; x <= maxX; ++x) {
      if (state[index(x, y)] == 1) {
        reached[cell(x, y)] = 1;
        ring.emplace_back(x, y);
      }
    }
  }
  bool met = false;
  for (int d = 1; d <= kMaxGap && !ring.empty() && !met; ++d) {
    std::vector<std::pair<int, int>> next;
    for (const auto& [x, y] : ring) {
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx;
          const int ny = y + dy;
          if (nx < gLeft || ny < gTop || nx > gRight || ny > gBottom || reached[cell(nx, ny)] != 0) {
            continue;
          }
          reached[cell(nx, ny)] = 1;
          if (fills(nx, ny) && !met) {
            met = true;
            dash.gap = d - 1;
            dash.next = QPoint(nx, ny);
          }
          next.emplace_back(nx, ny);
        }
      }
    }
    ring = std::move(next);
  }
  return dash;
}

void CurveTexture::Note(const std::vector<CurveFollower::Column>& walked) {
  for (const CurveFollower::Column& column : walked) {
    covered_.Set(column.column, column.covered ? 1 : 0);
    hidden_ = column.hidden ? hidden_ + 1 : column.found ? 0 : hidden_;
    if (column.telling) {
      columns_.Set(column.column, column.found ? kFound : kGap);
    } else if (column.crossed) {
      columns_.Set(column.column, kCrossed);
    }
  }
}

void CurveTexture::PerColumn::Set(int column, signed char value) {
  if (values_.empty()) {
    base_ = column;
  }
  // (Grown by at least its size to the left, as to the right, so that a walk to the left costs no
  // more than one to the right.)
  if (column < base_) {
    const int grow = std::max({base_ - column, int(values_.size()), 64});
    values_.insert(values_.begin(), std::size_t(grow), kNone);
    base_ -= grow;
  } else if (column > Last()) {
    values_.resize(std::size_t(column - base_ + 1), kNone);
  }
  values_[std::size_t(column - base_)] = value;
}

void CurveTexture::PerColumn::Erase(int from, int to) {
  for (int c = std::max(from, First()); c <= std::min(to, Last()); ++c) {
    values_[std::size_t(c - base_)] = kNone;
  }
}

void CurveTexture::Forget(int from, int to) { columns_.Erase(std::min(from, to), std::max(from, to)); }

bool CurveTexture::Keeps(int column, int dir, std::optional<int>* streakFrom) const {
  // Half hidden along something else for long, the curve may as well be the other's edge.
  int covered = 0;
  for (int c = column;; c -= dir) {
    if (covered_.At(c) != 1) {
      break;
    }
    if (++covered > coveredColumns) {
      return false;
    }
  }
  // The gapless stretch that ends at `column`, counted back against the walk.
  // (A few columns across a line, where neither the curve nor its gaps show, do not end it.)
  int streak = 0;
  int from = column;
  int crossing = 0;
  for (int c = column;; c -= dir) {
    const signed char state = columns_.At(c);
    if (state == PerColumn::kNone || state == kGap || (state == kCrossed && ++crossing > maxCrossed)) {
      break;
    }
    if (state == kFound) {
      ++streak;
      crossing = 0;
      from = c;
    }
  }
  if (streak == 0) {
    return true;
  }
  const int first = std::min(from, column);
  const int last = std::max(from, column);
  // The texture seen elsewhere (within reachColumns): columns, gaps among them, and the longest
  // dash. Only adjacent columns make one dash; a column not walked ends it.
  int seen = 0;
  int missing = 0;
  int gaps = 0;
  int longest = 0;
  int dash = 0;
  int previous = 0;
  bool hasPrevious = false;
  for (int c = std::max(column - reachColumns, columns_.First()); c <= std::min(column + reachColumns, columns_.Last());
       ++c) {
    const signed char state = columns_.At(c);
    if (state == PerColumn::kNone) {
      continue;
    }
    if (c >= first && c <= last) {
      hasPrevious = false;
      dash = 0;
      continue;
    }
    if (state == kCrossed) {
      previous = c;  // neither counted nor ending a dash
      continue;
    }
    const bool found = state == kFound;
    ++seen;
    const bool adjacent = hasPrevious && c == previous + 1;
    if (found) {
      dash = adjacent ? dash + 1 : 1;
      longest = std::max(longest, dash);
    } else {
      ++missing;
      if (!adjacent || dash > 0) {
        ++gaps;
      }
      dash = 0;
    }
    previous = c;
    hasPrevious = true;
  }
  // Dashes come at a rhythm: none longer than the average dash and gap together.
  // (Nor is a curve dashed by a few gaps seen near a stretch far longer than them all: a solid
  // curve that other curves crossed or ran along, its long stretch before left behind.)
  bool dashed = seen >= minColumns && missing >= minGapShare * seen && gaps >= minGaps && longest > 0 &&
                longest * gaps <= regularity * seen && streak <= seen;
  if (!dashed && dash_.length > 0 && (seen < minColumns || missing >= minGapShare * seen)) {
    dashed = true;  // the dash clicked tells, unless the columns seen show a solid curve
    longest = std::max(longest, dash_.length);
  }
  if (!dashed || streak <= dashFactor * longest + slackColumns) {
    return true;
  }
  if (streakFrom != nullptr) {
    *streakFrom = from - dir * longest;  // with the dash that ran into it
  }
  return false;
}

}  // namespace tracer
