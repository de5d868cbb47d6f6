// The tick mark of an axis near a given place: a short stroke across the axis line, outside the
// plot area or inside it, where a label has no grid line.
//
// Along the axis, each pixel line across it (a column for the bottom axis, a row for a side axis)
// counts its drawn pixels in a row from the axis line outwards, and inwards; a tick is a run of
// at most four neighbouring lines that count at least two (beside it, JPEG ringing may count one).
// Its centre is the ink-weighted centroid c = sum(w_i * (i + 0.5)) / sum(w_i) over the lines i of
// the run and one beside it on each side (continuous pixels), w_i the ink of line i over the
// tick's length.
#pragma once

#include <QImage>
#include <optional>

namespace tracer {

struct TickSearch {
  bool bottomAxis = true;  // true: the bottom axis (ticks are columns); false: a side axis (rows)
  double axis = 0;         // the axis line's centre across (y of the bottom axis, x of a side axis)
  double near = 0;         // where along the axis the tick is looked for
  double reach = 0;        // how far from `near` it may lie
  QRgb background = 0;     // the picture's background colour
};

std::optional<double> FindTick(const QImage& picture, const TickSearch& search);

}  // namespace tracer
