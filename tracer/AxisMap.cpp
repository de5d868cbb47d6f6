#include "AxisMap.h"

#include <cmath>
#include <limits>

#include "numbers.h"

namespace tracer {

namespace {

// Twips per unit between two references, when that is a usable divisor.
std::optional<double> ScaleOf(double lowPosition, double highPosition, double lowValue, double highValue) {
  const double scale = (highPosition - lowPosition) / (highValue - lowValue);
  if (!std::isfinite(scale) || scale == 0) {
    return std::nullopt;
  }
  return scale;
}

std::optional<std::int32_t> WholeTwips(double twips) {
  try {
    return platform::RoundToInt32(twips);
  } catch (const platform::OverflowError&) {
    return std::nullopt;
  }
}

// x rounded to single precision, when it is finite there.
std::optional<float> AsSingle(double x) {
  if (!(std::fabs(x) <= static_cast<double>(std::numeric_limits<float>::max()))) {
    return std::nullopt;
  }
  const auto single = static_cast<float>(x);
  if (!std::isfinite(single)) {
    return std::nullopt;
  }
  return single;
}

// v = v_L + d / s as single; and base^v as single for a logarithmic scale (base 0: linear).
std::optional<Reading> Read(double distance, double scale, double lowValue, double base) {
  const std::optional<std::int32_t> d = WholeTwips(distance);
  if (!d) {
    return std::nullopt;
  }
  const std::optional<float> v = AsSingle(*d / scale + lowValue);
  if (!v) {
    return std::nullopt;
  }
  if (base == 0) {
    return Reading{scale, *v};
  }
  const std::optional<float> value = AsSingle(std::pow(base, static_cast<double>(*v)));
  if (!value) {
    return std::nullopt;
  }
  return Reading{scale, *value};
}

}  // namespace

double LogBase10(double x) { return x > 1 ? std::log(x) / std::log(10.0) : -10.0; }

double LogBase2(double x) { return x > 1 ? std::log(x) / std::log(2.0) : -1.0; }

double ScaleOhmValue(double ohms, OhmScale scale) {
  switch (scale) {
    case OhmScale::kBase10:
      return LogBase10(ohms);
    case OhmScale::kBase2:
      return LogBase2(ohms);
    case OhmScale::kLinear:
      break;
  }
  return 0;
}

std::optional<Reading> ReadFrequency(double x2, double xLow, double xHigh, double lowFreqLog, double highFreqLog,
                                     int xOffset) {
  const std::optional<double> scale = ScaleOf(xLow, xHigh, lowFreqLog, highFreqLog);
  if (!scale) {
    return std::nullopt;
  }
  return Read(x2 - xLow - xOffset, *scale, lowFreqLog, 10.0);
}

std::optional<Reading> ReadLevel(double y, double yLow, double yHigh, double lowDb, double highDb, int yOffset) {
  // Upwards is positive: the scale runs from the low line up to the high one.
  const std::optional<double> scale = ScaleOf(yHigh, yLow, lowDb, highDb);
  if (!scale) {
    return std::nullopt;
  }
  return Read(yLow - y + yOffset, *scale, lowDb, 0.0);
}

std::optional<Reading> ReadImpedance(double y, const ImpedanceReferences& refs, OhmScale scale, int yOffset) {
  const double distance = refs.yLow - y + yOffset;
  if (scale == OhmScale::kLinear) {
    const std::optional<double> s = ScaleOf(refs.yHigh, refs.yLow, refs.lowOhm, refs.highOhm);
    return s ? Read(distance, *s, refs.lowOhm, 0.0) : std::nullopt;
  }
  const std::optional<double> s = ScaleOf(refs.yHigh, refs.yLow, refs.lowScaled, refs.highScaled);
  return s ? Read(distance, *s, refs.lowScaled, scale == OhmScale::kBase10 ? 10.0 : 2.0) : std::nullopt;
}

std::optional<std::int32_t> FreqToGraphX(double freqLog, double xLow, double xHigh, double lowFreqLog,
                                         double highFreqLog, int xOffset, double& freqScale) {
  const std::optional<double> scale = ScaleOf(xLow, xHigh, lowFreqLog, highFreqLog);
  if (!scale) {
    return std::nullopt;
  }
  freqScale = *scale;
  return WholeTwips((freqLog - lowFreqLog) * *scale + xLow + xOffset);
}

}  // namespace tracer

namespace tracer {

bool UsableFrequencyAxis(double xLow, double xHigh, double lowFreqLog, double highFreqLog) {
  return ReadFrequency(xLow, xLow, xHigh, lowFreqLog, highFreqLog, 0) &&
         ReadFrequency(xHigh, xLow, xHigh, lowFreqLog, highFreqLog, 0);
}

bool UsableLevelAxis(double yLow, double yHigh, double lowDb, double highDb) {
  return ReadLevel(yLow, yLow, yHigh, lowDb, highDb, 0) && ReadLevel(yHigh, yLow, yHigh, lowDb, highDb, 0);
}

bool UsableImpedanceAxis(const ImpedanceReferences& refs, OhmScale scale) {
  return ReadImpedance(refs.yLow, refs, scale, 0) && ReadImpedance(refs.yHigh, refs, scale, 0);
}

std::optional<std::int32_t> NextMovingStep(const std::function<std::optional<std::int32_t>(std::int32_t)>& position,
                                           std::int32_t step, std::int32_t last, std::int32_t x) {
  const auto beyond = [&](std::int32_t k) {
    const std::optional<std::int32_t> at = position(k);
    return !at || *at > x;
  };
  if (step >= last || !beyond(last)) {
    return std::nullopt;
  }
  // beyond(high) holds; the answer lies in (low, high].
  std::int32_t low = step;
  std::int32_t high = last;
  while (high - low > 1) {
    const std::int32_t middle = low + (high - low) / 2;
    (beyond(middle) ? high : low) = middle;
  }
  return high;
}

}  // namespace tracer
