// The long horizontal and vertical straight lines of a graph picture: grid lines, the plot's frame
// and its axes, solid, dashed or dotted, of any colour, on a light or a dark background.
//
// A pixel is drawn ("ink") when its largest channel difference from the picture's background
// exceeds a threshold; it is part of a thin horizontal structure when the pixels `clearance` rows
// above and below it are at most half as inked (so crossing vertical lines and text bodies do not
// count), and likewise for vertical structures. Rows (columns) rich in such pixels are candidate
// lines; a candidate is a line when it is long (a large share of the picture), covers enough of
// its extent (dots and dashes included), is of even thickness and straight: the centres measured
// along it stay on one straight line within a fraction of a pixel. A flat stretch of a curve
// fails that test. The centre across a line is the ink-weighted centroid of its profile,
// c = sum(w_r * (r + 0.5)) / sum(w_r) over the rows r across it, in continuous pixels (pixel i
// spans [i, i + 1]), good to a tenth of a pixel on anti-aliased and JPEG pictures.
//
// Found once per picture (StraightLineFinder::Find reads every row once through its scan line),
// then queried cheaply: OnLine for the curve follower, Snap for placing references on grid lines.
#pragma once

#include <QImage>
#include <QRgb>
#include <optional>
#include <vector>

namespace tracer {

struct StraightLine {
  bool horizontal = true;
  double centre = 0;     // across the line: y of a horizontal line, x of a vertical one (pixels)
  double thickness = 0;  // pixels, from the profile's weight over its peak
  int from = 0;          // extent along the line: first and last pixel drawn
  int to = 0;
  double coverage = 1;  // share of the extent drawn: 1 for a solid line, less for dashes or dots
  QRgb colour = 0;      // as drawn at its centre (opaque RGB), the mean along it
  QRgb body = 0;        // of its body: the full shade of its dots or dashes, not their ends
};

class StraightLines {
 public:
  StraightLines() = default;
  StraightLines(std::vector<StraightLine> lines, int width, int height);

  const std::vector<StraightLine>& Lines() const { return lines_; }
  bool Empty() const { return lines_.empty(); }

  // The line that covers pixel (x, y) (its thickness plus half a pixel of anti-aliasing on each
  // side, over its extent), or null. For lines that cross there, the first found.
  const StraightLine* LineAt(int x, int y) const;
  bool OnLine(int x, int y) const { return LineAt(x, y) != nullptr; }
  // Whether `accept(index, line)` holds for one of the lines that cover pixel (x, y).
  template <typename Accept>
  bool AnyLineAt(int x, int y, Accept&& accept) const;

  // The centre of the line running the given way (horizontal: at a height near `at`; vertical: at
  // an x near `at`) nearest to `at` within `within` pixels, or none; a fainter line drawn over a
  // more solid one (their bands overlapping) is the solid one's.
  std::optional<double> Snap(bool horizontal, double at, double within) const;

 private:
  std::vector<StraightLine> lines_;
  // Per row (column), the indices of the horizontal (vertical) lines whose band covers it.
  std::vector<std::vector<int>> rows_;
  std::vector<std::vector<int>> columns_;
};

template <typename Accept>
bool StraightLines::AnyLineAt(int x, int y, Accept&& accept) const {
  if (y >= 0 && static_cast<std::size_t>(y) < rows_.size()) {
    for (const int n : rows_[static_cast<std::size_t>(y)]) {
      const StraightLine& line = lines_[static_cast<std::size_t>(n)];
      if (x >= line.from && x <= line.to && accept(n, line)) {
        return true;
      }
    }
  }
  if (x >= 0 && static_cast<std::size_t>(x) < columns_.size()) {
    for (const int n : columns_[static_cast<std::size_t>(x)]) {
      const StraightLine& line = lines_[static_cast<std::size_t>(n)];
      if (y >= line.from && y <= line.to && accept(n, line)) {
        return true;
      }
    }
  }
  return false;
}

class StraightLineFinder {
 public:
  struct Parameters {
    int inkThreshold = 18;         // largest channel difference from the background that counts as drawn
    int clearancePx = 4;           // how far from a pixel its line's sides must be clear
    int maxThicknessPx = 6;        // thicker bands are areas, not lines
    double minLengthShare = 0.25;  // of the picture's width (height for vertical lines)
    double minCoverage = 0.2;      // share of its extent that a dotted or dashed line draws at least
    int maxGapPx = 12;             // longest gap inside a dashed line (grows to 1 % of a long picture)
    double maxWanderPx = 0.25;     // how far the centre may stray from a straight line along it
  };

  StraightLineFinder() = default;
  explicit StraightLineFinder(Parameters parameters) : p_(parameters) {}

  StraightLines Find(const QImage& picture) const;

  // The picture's background: the most common colour (on a sample of its rows).
  static QRgb Background(const QImage& picture);

 private:
  Parameters p_;
};

}  // namespace tracer
