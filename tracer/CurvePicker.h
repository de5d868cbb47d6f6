// Picking a curve on a graph picture: its colour, how far its pixels stray from that colour, and
// its thickness, measured around the user's click.
//
// A pixel p shows the curve of colour C drawn on background B to the extent
//   t = (p - B) . (C - B) / |C - B|^2        (0: background, 1: the curve's own colour)
// provided its distance from the segment B..C, |(p - B) - t (C - B)|, is within the tolerance;
// otherwise it is not the curve's at all (another curve, a grid line of another colour). The
// projection takes anti-aliased edges and JPEG noise for what they are, a partial or noisy cover
// of the same colour. The tolerance comes from the spread of the curve's pixels near the click.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRgb>
#include <optional>

namespace tracer {

struct CurveStyle {
  QRgb colour = 0;       // the curve's own colour
  QRgb background = 0;   // what it is drawn on, near the click
  double tolerance = 0;  // RGB distance from the segment background..colour that still counts
  double thickness = 1;  // across the curve, pixels

  // How much of the curve's colour pixel p shows (t above, up to 1.5), or -1 where p's colour is
  // not the curve's (off the segment, or t beyond 1.6).
  double Cover(QRgb p) const;
};

struct CurvePick {
  CurveStyle style;
  QPointF onCurve;  // the curve's centre in the clicked column (continuous pixels)
};

class CurvePicker {
 public:
  struct Parameters {
    int searchPx = 3;          // how far from the click the curve may be
    int windowPx = 6;          // half-size of the square whose pixels measure the colour's spread
    int minContrast = 40;      // RGB distance from the background that a curve's colour needs
    double minTolerance = 24;  // RGB distance: the tolerance's floor (anti-aliasing on a clean picture)
    double maxTolerance = 90;  // and its ceiling (a noisy JPEG)
  };

  CurvePicker() = default;
  explicit CurvePicker(Parameters parameters) : p_(parameters) {}

  // The curve clicked at `at` (continuous pixels), or none where nothing but background lies
  // within searchPx of it.
  std::optional<CurvePick> Pick(const QImage& picture, QPointF at) const;

 private:
  Parameters p_;
};

}  // namespace tracer
