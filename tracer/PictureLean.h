// The lean of a graph picture (a tilted scan) and the rotation that straightens it.
//
// The lean is the angle theta of the picture's long straight lines: a horizontal line runs as
// y = c + x * tan(theta), a vertical one as x = c - y * tan(theta) (pixels, y downwards; theta > 0
// turns the picture clockwise on screen). It is measured on a sample of the picture (a few
// hundred columns for the horizontal lines, as many rows for the vertical ones, so that a huge
// picture costs milliseconds): the pixels of thin structures there are projected along the
// candidate angle, and the angle whose projection is the most peaked (sum of squared bin counts)
// wins, searched from coarse to fine and refined by a parabola through the best three.
//
// Straightening turns the picture by -theta about its centre C, keeping its size: the pixel at u
// takes the colour at C + R(theta) (u - C) of the tilted picture, interpolated bicubically
// (Catmull-Rom); what lies outside the tilted picture is white. A point p of the tilted picture
// lands at C + R(-theta) (p - C).
#pragma once

#include <QImage>
#include <QPointF>
#include <QSize>
#include <optional>

namespace tracer {

class LeanMeter {
 public:
  struct Parameters {
    double largestDegrees = 5.5;  // leans searched: -largest to +largest
    int sampleLines = 256;        // columns (rows) sampled for the horizontal (vertical) lines
    int inkThreshold = 18;        // largest channel difference from the background that counts as drawn
    int clearancePx = 4;          // how far from a pixel its line's sides must be clear
    int minPoints = 60;           // thin pixels needed in one of the two samples to measure at all
    double minPeakedness = 1.6;   // the best angle's projection against the median angle's
  };

  LeanMeter() = default;
  explicit LeanMeter(Parameters parameters) : p_(parameters) {}

  // The lean in degrees, or none where the picture shows no long straight lines to measure.
  std::optional<double> Measure(const QImage& picture) const;

 private:
  Parameters p_;
};

// The picture turned by -leanDegrees about its centre, as told above (same size, opaque RGB).
QImage Straighten(const QImage& picture, double leanDegrees);
// Where point p (continuous pixels) of the tilted picture lies on the straightened one.
QPointF StraightenedPoint(QPointF p, QSize size, double leanDegrees);
// The lean of a picture on which a line that should be horizontal or vertical (whichever it is
// nearer to) runs from a to b; none for two points closer than a pixel.
std::optional<double> LeanOfLine(QPointF a, QPointF b);

}  // namespace tracer
