// The candidate runs of a picked curve in one column of a graph picture.
//
// Down a column, a pixel shows the curve to the extent c = CurveStyle::Cover (0 background, 1 the
// curve's own colour). A run is a stretch of pixels with c >= kIn around a body of pixels with
// c >= kCore: an anti-aliased or blurred stroke has only its edges lighter, over at most
// CurveStyle::fringe pixels, so lighter pixels farther from the body are something else (another
// curve in a lighter shade of the colour) and cut the run there. Pixels of a straight line in the
// curve's colour (grid, frame) are masked: the pieces of a run that such a line crosses are one
// run; a run that ends against the mask, against a pixel of another colour (something drawn over
// the curve) or against lighter foreign pixels is cut on that side, and that edge is not the
// curve's.
//
// Under area sampling a straight stroke's column slice gives the exact sub-pixel measures:
//   mass = sum c_r = T sqrt(1 + s^2),   centre = sum c_r (r + 0.5) / mass,
//   topEdge = a + 1 - sum_{r <= a} c_r,   bottomEdge = b + sum_{r >= b} c_r
// (T the thickness, s the slope, a and b the first and last pixel of the body, the sums over the
// run and its fringe), so the centre of a whole run is good to a tenth of a pixel on anti-aliased
// and JPEG pictures, and either edge places the curve where the other is cut.
#pragma once

#include <QImage>
#include <vector>

#include "CurvePicker.h"
#include "PictureRows.h"
#include "StraightLines.h"

namespace tracer {

struct CurveRun {
  int top = 0;  // its pixels (c >= kIn), inclusive
  int bottom = 0;
  double topEdge = 0;  // continuous pixels
  double bottomEdge = 0;
  double mass = 0;    // sum of c over the run and its fringe (0 where a line crosses it)
  double centre = 0;  // the centroid, or the middle of the edges where a line crosses it
  bool cutTop = false;
  bool cutBottom = false;
  bool lineTop = false;  // cut by one of the picture's straight lines (not by an unknown thing)
  bool lineBottom = false;
  bool overTop = false;     // against another colour, the edge blended into it: the curve drawn over
  bool overBottom = false;  // that colour, or under it where the run is shorter than the stroke
  bool crossed = false;     // pieces joined across a line of the curve's colour
  bool core = true;         // has a body of pixels of the full colour (a faint thin run has not)

  double Height() const { return bottomEdge - topEdge; }
  bool Cut() const { return cutTop || cutBottom; }
};

class CurveColumns {
 public:
  static constexpr double kIn = 0.4;
  static constexpr double kCore = 0.7;

  // `lines`: the picture's straight lines; those whose colour passes for the curve's are masked.
  CurveColumns(const QImage& picture, const StraightLines& lines, const CurveStyle& style);

  int Width() const { return rows_.Width(); }
  int Height() const { return rows_.Height(); }

  // The runs in `column` that reach into rows lo..hi (read on past them where a run goes on, up
  // to a long steep stretch), top to bottom. Where the stroke crosses the column steeply (slope s),
  // its pixels are only partly covered, down to about T / |s|, and its edges run over |s| pixels:
  // `in` instead of kIn, and a fringe of `slope` pixels more.
  std::vector<CurveRun> Runs(int column, int lo, int hi, double in = kIn, double slope = 0) const;
  // Whether pixel (x, y) lies on a line of the curve's colour.
  bool Masked(int x, int y) const;
  // The vertical straight line (of any colour) whose band covers pixel (x, y), or null.
  const StraightLine* VerticalLineAt(int x, int y) const;
  // The horizontal line of the curve's colour whose band holds a curve of the style wholly at
  // height y in `column` (the curve hidden along it), or null.
  const StraightLine* HidingLineAt(int column, double y) const;

  const CurveStyle& Style() const { return style_; }
  const StraightLines& Lines() const { return lines_; }

 private:
  PictureRows rows_;
  const StraightLines& lines_;
  CurveStyle style_;
  CoverMeter cover_;
  std::vector<char> confusable_;  // per line: its colour passes for the curve's
  int contrast2_ = 0;             // squared RGB distance from the background of something drawn
};

}  // namespace tracer
