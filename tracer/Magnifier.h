// The loupe over the graph area: the picture's own pixels around the pointer, enlarged four times
// without smoothing, with a crosshair at the pointer and the line being placed or traced drawn in
// it, so that a line can be put on a grid line or the curve to the pixel. It sits in the top-left
// corner of the graph area, or in the bottom-right one while the pointer is near the top-left.
#pragma once

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QWidget>
#include <optional>
#include <vector>

namespace tracer {

struct MagnifierView {
  QImage picture;   // the picture at its own size
  QPointF pointer;  // picture pixels
  struct Line {
    QLineF line;  // picture pixels
    QColor colour;
  };
  std::vector<Line> lines;
  std::vector<QPointF> marks;       // recorded points, picture pixels
  std::optional<QPointF> selected;  // the point selected for editing, drawn highlighted
};

class Magnifier : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kZoom = 4;
  static constexpr int kSide = 160;  // pixels of the loupe, kSide / kZoom picture pixels across
  static constexpr int kMargin = 8;  // from the graph area's corner

  explicit Magnifier(QWidget* area);

  // Shows `view` for a pointer at `pointerInArea` (pixels of the graph area).
  void Show(MagnifierView view, QPoint pointerInArea);
  const MagnifierView& View() const { return view_; }

  // Where the loupe goes in an area of `area` pixels: top left, unless the pointer is within a
  // margin of that place; then bottom right.
  static QRect Place(QSize area, QPoint pointer);
  // The picture pixels shown for a pointer at `pointer` (picture pixels): kSide / kZoom across,
  // centred on the pointer, starting at whole pixels.
  static QRectF Source(QPointF pointer);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  MagnifierView view_;
};

}  // namespace tracer
