#include "DataTools.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "GlobalVariables.h"
#include "numbers.h"

namespace viewer {

namespace {

using data::kFrequency;
using data::kMagnitude;
using data::ResponsePoint;
using data::ResponseSet;

double Log(double x) { return GlobalVariables::SafeLog10(x); }

}  // namespace

double MagnitudeInterpolator::SourceLog(std::int32_t index) {
  if (logs_.empty()) {
    logs_.assign(static_cast<std::size_t>(std::max(0, source_.PointCount())), std::nan(""));
  }
  double& log = logs_[static_cast<std::size_t>(index - ResponseSet::kFirstPoint)];
  if (std::isnan(log)) {
    log = Log(source_[index][kFrequency]);
  }
  return log;
}

double MagnitudeInterpolator::Magnitude(std::int32_t index) const {
  return magnitudes_.empty() ? source_[index][kMagnitude]
                             : magnitudes_[static_cast<std::size_t>(index - ResponseSet::kFirstPoint)];
}

std::optional<double> MagnitudeInterpolator::At(double f) { return At(f, Log(f)); }

std::optional<double> MagnitudeInterpolator::At(double f, double lf) {
  if (!(f >= 1 && f <= 100000)) {
    return std::nullopt;
  }
  if (cursor_ < ResponseSet::kFirstPoint) {
    cursor_ = ResponseSet::kFirstPoint;
  }
  const int last = source_.LastIndex();
  if (last < ResponseSet::kFirstPoint) {
    return std::nullopt;  // a set without points
  }

  double xa = 0;
  double ya = 0;
  double xb = 0;
  double yb = 0;
  if (f < source_.Minima()[kFrequency]) {
    // Below the source: from 0 at 1 Hz (10 Hz) up to the first point.
    yb = Magnitude(ResponseSet::kFirstPoint);
    if (yb < 0) {
      return std::nullopt;
    }
    xa = source_.Minima()[kFrequency] < 10 ? 0 : 1;
    xb = SourceLog(ResponseSet::kFirstPoint);
  } else if (f > source_.Maxima()[kFrequency]) {
    // Above the source: from the last point down to 0 at 100 kHz (10 kHz).
    ya = Magnitude(last);
    if (ya < 0) {
      return std::nullopt;
    }
    xa = SourceLog(last);
    xb = source_.Maxima()[kFrequency] > 10000 ? 5 : 4;
  } else {
    // Inside: the first pair from the cursor on that encloses f. A point's partner is the next
    // point of a higher frequency (or the last point), so that runs of equal frequencies are
    // stepped over without reading past the end of the set.
    bool enclosed = false;
    for (std::int32_t i = cursor_; i < last; ++i) {
      // A pair whose frequencies lie apart and below f by a relative kApart encloses nothing, and
      // the logarithms would say the same: for 0.1 <= fa < fb < f, SafeLog10 differs by at least
      // log10(1 + kApart) = 4e-10, far beyond its rounding error (below 1e-12 for x up to 1e308).
      constexpr double kApart = 1e-9;
      const double fa = source_[i][kFrequency];
      const double fb = source_[i + 1][kFrequency];
      if (fa >= 0.1 && fb > fa * (1 + kApart) && fb < f * (1 - kApart)) {
        continue;
      }
      xa = SourceLog(i);
      int j = i + 1;
      while (SourceLog(j) <= xa && j < last) {
        ++j;
      }
      xb = SourceLog(j);
      if (xa <= lf && lf <= xb) {
        ya = Magnitude(i);
        yb = Magnitude(j);
        cursor_ = i;
        enclosed = true;
        break;
      }
    }
    // No enclosing pair (the source's first points out of order, or a cursor already past f):
    // there is no value to give.
    if (!enclosed) {
      return std::nullopt;
    }
  }

  if (!(xb > xa)) {
    return std::nullopt;
  }
  return (lf - xa) / (xb - xa) * (yb - ya) + ya;
}

namespace {

// Collects the points of a re-sampled set. The set starts with bounds 0..3 (two summary rows
// holding the sentinels, and two rows of zeros that the first point replaces) and grows by one
// point for each grid frequency at which the source has a value.
class GridBuilder {
 public:
  GridBuilder(const ResponseSet& source, const NormalizeSettings& settings) : interpolator_(source) {
    result_.Resize(3);
    result_.ResetSummary(kToolMinimaStart, kToolMaximaStart);
    // Room for the grid: `points` over the range, or per decade over the five decades at most.
    result_.Reserve(std::clamp(settings.points, 1, 1000000) * (settings.perDecade ? 5 : 1) + 1);
  }

  // Appends the point for grid frequency f (whose logarithm is lf) if the source has a value
  // there; returns whether it did. The point's frequency is f + 0.00004 rounded to 4 decimals
  // (halves to even), its phase 0.
  bool Try(double f, double lf) {
    const std::optional<double> magnitude = interpolator_.At(f, lf);
    if (!magnitude) {
      return false;
    }
    ResponsePoint point;
    point[kFrequency] = platform::RoundToDecimals(f + 0.00004, 4);
    point[kMagnitude] = *magnitude;
    result_.StoreNext(next_, point);
    ++next_;
    return true;
  }

  ResponseSet Take() { return std::move(result_); }

 private:
  MagnitudeInterpolator interpolator_;
  ResponseSet result_;
  int next_ = ResponseSet::kFirstPoint;
};

}  // namespace

double PerDecadeStep(double f, int points) {
  double upperEdge = 10;
  if (f >= 10000) {
    upperEdge = 100000;
  } else if (f >= 1000) {
    upperEdge = 10000;
  } else if (f >= 100) {
    upperEdge = 1000;
  } else if (f >= 10) {
    upperEdge = 100;
  }
  return upperEdge / points;
}

data::ResponseSet NormalizeLinear(const data::ResponseSet& source, const NormalizeSettings& settings) {
  GridBuilder grid(source, settings);
  double f = settings.startFreq;
  double step = (settings.stopFreq - settings.startFreq) / settings.points;
  int appended = 0;
  while (f <= settings.stopFreq && (settings.perDecade || appended < settings.points)) {
    if (grid.Try(f, Log(f))) {
      ++appended;
    }
    if (settings.perDecade) {
      step = PerDecadeStep(f, settings.points);
    }
    const double next = f + step;
    // Equal start and stop frequencies give a step of 0: the grid is that one frequency.
    if (!(next > f)) {
      break;
    }
    f = next;
  }
  return grid.Take();
}

data::ResponseSet NormalizeLog(const data::ResponseSet& source, const NormalizeSettings& settings) {
  GridBuilder grid(source, settings);
  double f = settings.startFreq;
  const double d =
      settings.perDecade ? 1.0 / settings.points : Log(settings.stopFreq / settings.startFreq) / settings.points;
  while (f <= settings.stopFreq) {
    const double lf = Log(f);
    grid.Try(f, lf);
    const double next = std::pow(10.0, lf + d);
    // Equal start and stop frequencies give d = 0 over the entire range: the grid is that one
    // frequency.
    if (!(next > f)) {
      break;
    }
    f = next;
  }
  return grid.Take();
}

data::ResponseSet AdjustMagnitude(double offset, const data::ResponseSet& source) {
  const int last = source.LastIndex();
  ResponseSet result;
  result.Resize(last);
  result.ResetSummary(kToolMinimaStart, kToolMaximaStart);
  for (int i = ResponseSet::kFirstPoint; i <= last; ++i) {
    ResponsePoint& point = result[i];
    point[kFrequency] = source[i][kFrequency];
    point[kMagnitude] = source[i][kMagnitude] + offset;
    point[data::kPhase] = source[i][data::kPhase];
    result.IncludeInSummary(point);
  }
  return result;
}

}  // namespace viewer
