// The tracer's axis mappings between positions on the graph picture (twips, Y growing downwards)
// and the values its axes stand for, each interpolated between two reference lines (positions
// p_L, p_H) and their reference values (v_L, v_H):
//
//   v(p) = v_L + round(d(p)) / s,   s = (p_H - p_L) / (v_H - v_L),   p(v) = round(p_L + (v - v_L) * s)
//
// with d the distance from the low line towards the high one (whole twips, halves to even) and v
// the quantity on its scale: log10 f for frequency (f = 10^v), dB for level, and log10 Z, log2 Z
// or Z itself for impedance (Z = 10^v, 2^v or v). Read values are single precision, as recorded.
// A mapping whose scale is zero or not finite (equal reference values, coinciding lines), or
// whose result does not fit, has no result.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace tracer {

// Logarithms guarded for reference and trace values: arguments at or below 1 (or not a number)
// give -10 and -1; otherwise ln(x) / ln(10) and ln(x) / ln(2), exactly as written.
double LogBase10(double x);
double LogBase2(double x);

enum class OhmScale { kBase10, kBase2, kLinear };

// An impedance on the chosen scale: its base-10 or base-2 logarithm, or 0 on the linear scale
// (which maps the impedances themselves).
double ScaleOhmValue(double ohms, OhmScale scale);

// What a mapping read at a position: its scale (twips per unit of v) and the value.
struct Reading {
  double scale = 0;
  float value = 0;
};

// The frequency at the trace line's right end `x2`, which lies `xOffset` to the right of the
// position it measures. xLow, xHigh: the frequency reference lines.
std::optional<Reading> ReadFrequency(double x2, double xLow, double xHigh, double lowFreqLog, double highFreqLog,
                                     int xOffset);
// The level at height `y` (plus `yOffset`); yLow, yHigh: the amplitude reference lines.
std::optional<Reading> ReadLevel(double y, double yLow, double yHigh, double lowDb, double highDb, int yOffset);

struct ImpedanceReferences {
  double yLow = 0;  // the lines
  double yHigh = 0;
  double lowOhm = 0;  // the values
  double highOhm = 0;
  double lowScaled = 0;  // the values on the logarithmic scale (ScaleOhmValue)
  double highScaled = 0;
};
std::optional<Reading> ReadImpedance(double y, const ImpedanceReferences& refs, OhmScale scale, int yOffset);

// The X position (twips) of the frequency whose base-10 logarithm is `freqLog`, plus `xOffset`;
// `freqScale` receives the frequency scale.
std::optional<std::int32_t> FreqToGraphX(double freqLog, double xLow, double xHigh, double lowFreqLog,
                                         double highFreqLog, int xOffset, double& freqScale);

// Whether an axis's two references make a usable mapping: read at either reference line it gives a
// value (so the lines lie apart, the values differ, and both are finite in single precision).
bool UsableFrequencyAxis(double xLow, double xHigh, double lowFreqLog, double highFreqLog);
bool UsableLevelAxis(double yLow, double yHigh, double lowDb, double highDb);
bool UsableImpedanceAxis(const ImpedanceReferences& refs, OhmScale scale);

// A limited trace has the steps k = 0 .. last, step k at the frequency 10^(startLog + k * logStep)
// and at the position position(k) (whole twips; none where it does not fit, which counts as beyond
// every column). The first step after `step` whose position lies right of the column `x`, found by
// bisection for positions that never fall as k grows; none when no step up to `last` moves on.
std::optional<std::int32_t> NextMovingStep(const std::function<std::optional<std::int32_t>(std::int32_t)>& position,
                                           std::int32_t step, std::int32_t last, std::int32_t x);

}  // namespace tracer
