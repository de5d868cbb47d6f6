// Picking a curve on a graph picture: its colour, how far its pixels stray from that colour, and
// its thickness, measured around the user's click.
//
// A pixel p shows the curve of colour C drawn on background B to the extent
//   t = (p - B) . (C - B) / |C - B|^2        (0: background, 1: the curve's own colour)
// provided its distance from the segment B..C, |(p - B) - t (C - B)|, is within the tolerance;
// otherwise it is not the curve's at all (another curve, a grid line of another colour). The
// projection takes anti-aliased edges and JPEG noise for what they are, a partial or noisy cover
// of the same colour. The tolerance comes from the spread of the curve's pixels near the click;
// pixels far darker than the curve's own colour (t beyond `darkest`) are another curve of its hue.
// Everything is measured on the curve's own pixels: those of the picture's straight lines (grid,
// frame, axes) never count, so a click where the curve meets the frame picks the curve alone.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRgb>
#include <optional>

#include "StraightLines.h"

namespace tracer {

struct CurveStyle {
  QRgb colour = 0;       // the curve's own colour
  QRgb background = 0;   // what it is drawn on, near the click
  double tolerance = 0;  // RGB distance from the segment background..colour that still counts
  double darkest = 1.6;  // the largest t that is still the curve's (noise beyond its own colour)
  double thickness = 1;  // across the curve, pixels
  int fringe = 1;        // pixels of partial cover along each edge (anti-aliasing, blur)
  bool aliased = false;  // drawn without anti-aliasing: its edges lie on whole pixels

  // How much of the curve's colour pixel p shows (t above, from 0), or -1 where p's colour is not
  // the curve's (off the segment, or t beyond `darkest`).
  double Cover(QRgb p) const;
  // The same over another colour `under` than the background (an edge of the curve drawn over
  // something else).
  double CoverOver(QRgb p, QRgb under) const;
  // The same for a straight line's colour (the mean along it), -1 where the line's body does not
  // pass for the curve's colour: a dotted grey grid line's mean, lighter than its dots and tinted
  // by the coloured curve crossing it, may lie within a wide tolerance of that curve's blends
  // where its dots' own grey does not.
  double LineCover(const StraightLine& line) const;
  // Whether p shows the curve's hue in a deeper shade than its own (beyond `darkest`): a thicker
  // or darker curve of that hue, whose edges pass for the curve's own pixels.
  bool Deeper(QRgb p) const;
};

// CurveStyle::Cover with its constants worked out once, for the many pixels a trace reads.
class CoverMeter {
 public:
  explicit CoverMeter(const CurveStyle& style)
      : background_(style.background), darkest_(style.darkest), tolerance2_(style.tolerance * style.tolerance) {
    direction_[0] = qRed(style.colour) - qRed(style.background);
    direction_[1] = qGreen(style.colour) - qGreen(style.background);
    direction_[2] = qBlue(style.colour) - qBlue(style.background);
    length2_ = direction_[0] * direction_[0] + direction_[1] * direction_[1] + direction_[2] * direction_[2];
    lastCover_ = length2_ > 0 ? Measure(lastPixel_) : -1;
  }
  double operator()(QRgb p) const {
    if (length2_ <= 0) {
      return -1;
    }
    // (Pixels next to each other are often alike: the background, the curve's full shade.)
    if (p == lastPixel_) {
      return lastCover_;
    }
    lastPixel_ = p;
    lastCover_ = Measure(p);
    return lastCover_;
  }

 private:
  double Measure(QRgb p) const {
    const double v[3] = {double(qRed(p) - qRed(background_)), double(qGreen(p) - qGreen(background_)),
                         double(qBlue(p) - qBlue(background_))};
    const double t = (v[0] * direction_[0] + v[1] * direction_[1] + v[2] * direction_[2]) / length2_;
    double off = 0;
    for (int i = 0; i < 3; ++i) {
      off += (v[i] - t * direction_[i]) * (v[i] - t * direction_[i]);
    }
    return off > tolerance2_ || t > darkest_ ? -1 : (t > 0 ? t : 0.0);
  }

  QRgb background_;
  double darkest_;
  double tolerance2_;
  double direction_[3] = {0, 0, 0};  // colour - background
  double length2_ = 0;               // its squared length
  mutable QRgb lastPixel_ = 0;       // the pixel measured last, and its cover
  mutable double lastCover_ = 0;
};

struct CurvePick {
  CurveStyle style;
  QPointF onCurve;  // the curve's centre in the clicked column, or the nearest one clear of lines
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

  // The curve clicked at `at` (continuous pixels), or none where nothing but background and the
  // picture's straight `lines` lies within searchPx of it.
  std::optional<CurvePick> Pick(const QImage& picture, const StraightLines& lines, QPointF at) const;

 private:
  // `offLines`: the curve's pixel that seeds the measure is taken off the lines' bands.
  std::optional<CurvePick> Pick(const QImage& picture, const StraightLines& lines, QPointF at, bool offLines) const;

  Parameters p_;
};

}  // namespace tracer
