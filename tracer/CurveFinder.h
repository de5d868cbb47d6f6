// Finding a curve of one colour on a graph picture, for tracing by colour.
//
// A pixel belongs to the curve when its colour lies within `tolerance` of the curve's colour
// (Euclidean distance in RGB). In a column the curve's pixels form runs; the curve's height there
// is the middle of the run nearest to a given height, so that another curve or a legend of the
// same colour further away is not taken. Heights are in picture pixels, a pixel's centre at +0.5.
#pragma once

#include <QImage>
#include <QRgb>
#include <optional>

namespace tracer {

inline constexpr int kColourTolerance = 90;

// The colour to trace for a click at `at` (picture pixels): of the pixels within two of it, the most
// colourful one, or the darkest where none has a colour (a black curve). None outside the picture
// or where all of them are light (the background).
std::optional<QRgb> PickCurveColour(const QImage& picture, QPointF at);

// The curve's height at the horizontal position `x` (picture pixels), interpolated between the
// nearest columns on either side of x that show it, so that a column where the curve is hidden (a
// grid line, a label or the plot's frame drawn over it) is bridged; near a side without the curve,
// extended along the two nearest columns on the other. None where no column within three pixels of
// x shows it (a gap, or past the end of the curve).
std::optional<double> FindCurve(const QImage& picture, double x, QRgb colour, double nearY,
                                int tolerance = kColourTolerance);

}  // namespace tracer
