#include "CurveRuns.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "numbers.h"

namespace tracer {

namespace {

// What lies against a run's side.
enum class Side { kClear, kMasked, kLine, kOther, kOver, kForeign };

constexpr double kMaskedPixel = -2;  // on a line of the curve's colour
constexpr double kOtherPixel = -1;   // of another colour, drawn
constexpr double kOutside = -3;      // beyond the picture

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

}  // namespace

CurveColumns::CurveColumns(const QImage& picture, const StraightLines& lines, const CurveStyle& style)
    : rows_(picture), lines_(lines), style_(style), cover_(style) {
  for (const StraightLine& line : lines.Lines()) {
    confusable_.push_back(style.LineCover(line) >= kIn ? 1 : 0);
  }
  contrast2_ = ColourDistance2(style.colour, style.background) / 9;
}

bool CurveColumns::Masked(int x, int y) const {
  return lines_.AnyLineAt(x, y, [this](int n, const StraightLine&) { return confusable_[std::size_t(n)] != 0; });
}

const StraightLine* CurveColumns::VerticalLineAt(int x, int y) const {
  const StraightLine* found = nullptr;
  lines_.AnyLineAt(x, y, [&found](int, const StraightLine& line) {
    if (!line.horizontal) {
      found = &line;
    }
    return found != nullptr;
  });
  return found;
}

const StraightLine* CurveColumns::HidingLineAt(int column, double y) const {
  const StraightLine* found = nullptr;
  const int row = platform::RoundToInt32(std::floor(std::clamp(y, -1.0, double(Height()))));
  for (int r = row - 1; r <= row + 1 && found == nullptr; ++r) {
    lines_.AnyLineAt(column, r, [&](int n, const StraightLine& line) {
      // Wholly under the line's band: its thickness and half a pixel of anti-aliasing each side.
      if (line.horizontal && confusable_[std::size_t(n)] != 0 &&
          std::fabs(line.centre - y) + style_.thickness / 2 <= line.thickness / 2 + 0.5) {
        found = &line;
      }
      return found != nullptr;
    });
  }
  return found;
}

std::vector<CurveRun> CurveColumns::Runs(int column, int lo, int hi, double in, double slope) const {
  std::vector<CurveRun> runs;
  const int H = rows_.Height();
  if (column < 0 || column >= rows_.Width() || H <= 0) {
    return runs;
  }
  lo = std::max(0, lo);
  hi = std::min(H - 1, hi);
  if (lo > hi) {
    return runs;
  }
  const auto value = [&](int y) {
    if (Masked(column, y)) {
      return kMaskedPixel;
    }
    const QRgb p = rows_.At(column, y);
    const double c = cover_(p);
    if (c >= 0) {
      return c;
    }
    return ColourDistance2(p, style_.background) > contrast2_ ? kOtherPixel : 0.0;
  };
  // A run that reaches the window's edge is read on, up to a long steep stretch.
  const int cap = std::max(64, 8 * (hi - lo + 1));
  while (lo > 0 && lo > hi - cap && value(lo) >= in) {
    --lo;
  }
  while (hi < H - 1 && hi < lo + cap && value(hi) >= in) {
    ++hi;
  }
  const int F = std::max(1, style_.fringe) + platform::RoundToInt32(std::min(32.0, std::ceil(std::fabs(slope))));
  const int first = std::max(0, lo - F - 1);
  const int last = std::min(H - 1, hi + F + 1);
  std::vector<double> v(std::size_t(last - first + 1));
  for (int y = first; y <= last; ++y) {
    v[std::size_t(y - first)] = value(y);
  }
  const auto at = [&](int y) { return y < first || y > last ? kOutside : v[std::size_t(y - first)]; };

  struct Segment {
    int top, bottom;  // pixels
    int a, b;         // its body (the first and last pixel of the full colour)
    bool core;
    Side above, below;
  };
  std::vector<Segment> segments;
  for (int y = lo; y <= hi;) {
    if (at(y) < in) {
      ++y;
      continue;
    }
    const int rt = y;
    while (y + 1 <= last && at(y + 1) >= in) {
      ++y;
    }
    const int rb = y;
    ++y;
    std::vector<int> body;
    for (int r = rt; r <= rb; ++r) {
      if (at(r) >= kCore) {
        body.push_back(r);
      }
    }
    if (body.empty()) {
      // No pixel of the full colour: a thin stroke crossing the column steeply, or a dash's end.
      int peak = rt;
      for (int r = rt; r <= rb; ++r) {
        peak = at(r) > at(peak) ? r : peak;
      }
      segments.push_back({rt, rb, peak, peak, false, Side::kClear, Side::kClear});
      continue;
    }
    // Bodies apart by more than two fringes of lighter pixels are two runs; lighter pixels
    // beyond a fringe from a body are foreign.
    std::size_t from = 0;
    for (std::size_t k = 0; k < body.size(); ++k) {
      if (k + 1 < body.size() && body[k + 1] - body[k] - 1 <= 2 * F) {
        continue;
      }
      const int a = body[from];
      const int b = body[k];
      const int top = std::max(rt, a - F);
      const int bottom = std::min(rb, b + F);
      segments.push_back({top, bottom, a, b, true, top > rt ? Side::kForeign : Side::kClear,
                          bottom < rb ? Side::kForeign : Side::kClear});
      from = k + 1;
    }
  }

  // What lies against a run ending at pixel `end`, going `step` (-1 up, 1 down), and its fringe.
  const auto side = [&](int end, int step, Side initial, int& fringe) {
    fringe = 0;
    if (initial != Side::kClear) {
      return initial;
    }
    for (int k = 1; k <= F; ++k) {
      const int y = end + step * k;
      const double c = at(y);
      if (c == kMaskedPixel) {
        return Side::kMasked;
      }
      if (c == kOtherPixel) {
        if (lines_.OnLine(column, y)) {
          return Side::kLine;
        }
        // Another colour right against the run: the curve's edge blended into it, where that
        // colour lies beyond and the pixels between are mixtures of the two.
        const int beyond = end + step * (F + 2);
        if (k != 1 || at(beyond) != kOtherPixel || lines_.OnLine(column, beyond)) {
          return Side::kOther;
        }
        const QRgb under = rows_.At(column, beyond);
        for (int j = 1; j <= F + 1; ++j) {
          const int yj = end + step * j;
          const double t = style_.CoverOver(rows_.At(column, yj), under);
          if (t < 0) {
            return Side::kOther;
          }
          if (t < 0.05) {
            break;
          }
          v[std::size_t(yj - first)] = std::min(t, 1.0);
          fringe = j;
        }
        return Side::kOver;
      }
      if (c == kOutside || c < 0.05 || c >= in) {
        return Side::kClear;
      }
      fringe = k;
    }
    return Side::kClear;
  };
  for (const Segment& s : segments) {
    CurveRun run;
    run.top = s.top;
    run.bottom = s.bottom;
    run.core = s.core;
    // The fringe on each side: partly covered pixels up to F of them, until the background; a
    // line of the curve's colour or a pixel of another colour within it cuts that side, unless
    // the pixels there are the curve's edge blended into that other colour.
    int fa = 0;
    const Side above = side(s.top, -1, s.above, fa);
    int fb = 0;
    const Side below = side(s.bottom, 1, s.below, fb);
    double mass = 0;
    double moment = 0;
    for (int r = s.top - fa; r <= s.bottom + fb; ++r) {
      const double c = Clamp01(at(r));
      mass += c;
      moment += c * (r + 0.5);
    }
    run.mass = mass;
    run.centre = mass > 0 ? moment / mass : s.a + 0.5;
    if (s.core) {
      double upper = 0;
      for (int r = s.top - fa; r <= s.a; ++r) {
        upper += Clamp01(at(r));
      }
      double lower = 0;
      for (int r = s.b; r <= s.bottom + fb; ++r) {
        lower += Clamp01(at(r));
      }
      run.topEdge = s.a + 1 - upper;
      run.bottomEdge = s.b + lower;
    } else {
      run.topEdge = run.centre - mass / 2;
      run.bottomEdge = run.centre + mass / 2;
    }
    run.cutTop = above != Side::kClear && above != Side::kOver;
    run.cutBottom = below != Side::kClear && below != Side::kOver;
    run.overTop = above == Side::kOver;
    run.overBottom = below == Side::kOver;
    run.lineTop = above == Side::kMasked || above == Side::kLine;
    run.lineBottom = below == Side::kMasked || below == Side::kLine;
    // The pieces of one run that a line of the curve's colour crosses are one run: nothing but
    // the line (and the fringes beside it) lies between them.
    if (!runs.empty() && runs.back().cutBottom && above == Side::kMasked) {
      CurveRun& before = runs.back();
      bool onlyLine = true;
      for (int r = before.bottom + 1; r < s.top && onlyLine; ++r) {
        onlyLine = at(r) == kMaskedPixel || (at(r) >= 0 && at(r) < in);
      }
      bool lineBetween = false;
      for (int r = before.bottom + 1; r < s.top; ++r) {
        lineBetween = lineBetween || at(r) == kMaskedPixel;
      }
      if (onlyLine && lineBetween) {
        before.bottom = run.bottom;
        before.bottomEdge = run.bottomEdge;
        before.cutBottom = run.cutBottom;
        before.lineBottom = run.lineBottom;
        before.crossed = true;
        before.mass = 0;
        before.core = before.core || run.core;
        before.centre = (before.topEdge + before.bottomEdge) / 2;
        continue;
      }
    }
    runs.push_back(run);
  }
  return runs;
}

}  // namespace tracer
