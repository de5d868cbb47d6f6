// How much of the graph the frame shows, and the readout of the pointer's place on it, apart from
// widgets.
//
//   graphSize = round(frameWidth * zoom),   1 <= zoom <= 32   (1.5 at start-up)
//   zooming about a point of the frame keeps it in place:  v' = (v + a) * G' / G - a
// with v a scroll bar's value, a the point's distance from the frame's inner edge (twips) and G,
// G' the graph's size before and after: a point's place on the graph grows with the graph.
#pragma once

#include <QString>
#include <optional>

namespace viewer {

inline constexpr double kStartZoom = 1.5;
inline constexpr double kMinZoom = 1;
inline constexpr double kMaxZoom = 32;
inline constexpr double kZoomStep = 1.4142135623730951;  // one step: the graph's area doubles

double ClampZoom(double zoom);

// The zoom at which `minFrequency`..`maxFrequency` fill `visible` twips of a frame `frameWidth`
// twips wide (the graph spans five decades), within the limits.
double FitZoom(double minFrequency, double maxFrequency, int visible, int frameWidth);

// The scroll value that keeps the point at `anchor` in place when the graph's size changes from
// `oldSize` to `newSize`; throws platform::OverflowError beyond 32 bits.
int ScrollKeeping(int value, int anchor, int oldSize, int newSize);

// The pointer's place as the status bar shows it: frequency (3 significant digits, in kHz from
// 1 kHz on), level with one decimal, and the curve's value there with two, e.g.
// "1.25 kHz  84.2 dB  curve 86.91 dB"; "ohm" for impedance data; no curve part without a value.
// The numbers carry `decimalPoint`, the desktop's decimal separator.
QString CursorReadout(double frequency, double level, std::optional<double> curve, bool impedance,
                      const QString& decimalPoint = QStringLiteral("."));

}  // namespace viewer
