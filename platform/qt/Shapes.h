// Line and rectangle shapes on a picture box: light controls that lie above the box's drawing and
// are placed by end points or bounds in the box's twips. Each change repaints only the pixels the
// shape covered and now covers, so a shape that follows the pointer costs little; a line or the
// markers changed many times between two paints repaint the one rectangle around all of them.
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRect>
#include <vector>

class QPainter;

namespace platform {

class PictureBox;

class Shape : public QObject {
  Q_OBJECT

 public:
  // The shape belongs to `box` and is painted by it; hidden until shown.
  explicit Shape(PictureBox* box);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  QColor BorderColor() const { return color_; }
  void SetBorderColor(const QColor& color);

  virtual void Paint(QPainter& painter) const = 0;
  // The box has painted: the areas asked for since are done.
  void Painted() const { pending_ = QRect(); }

 protected:
  // Runs `change` and repaints the box where the shape was and where it is now.
  template <typename Change>
  void Changing(Change change) {
    Repaint();
    change();
    Repaint();
  }

 private:
  // The pixels of the box that the shape's outline covers, as rectangles.
  virtual void Repaint() const = 0;

  bool visible_ = false;
  QColor color_{Qt::black};
  mutable QRect pending_;  // the area asked for since the last paint

 protected:
  // Repaints `pixels` of the box together with what was asked for since the last paint, as one
  // rectangle: a region of many small rectangles costs Qt more with every one added.
  void RepaintMerged(const QRect& pixels) const;

  PictureBox& box_;
};

// A one-pixel straight line from (X1, Y1) to (X2, Y2), optionally with a one-pixel outline of
// another colour on each side (a white line that shows on a white picture).
class LineShape final : public Shape {
  Q_OBJECT

 public:
  using Shape::Shape;

  float X1() const { return x1_; }
  float Y1() const { return y1_; }
  float X2() const { return x2_; }
  float Y2() const { return y2_; }
  void SetX1(float x) {
    Changing([&] { x1_ = x; });
  }
  void SetY1(float y) {
    Changing([&] { y1_ = y; });
  }
  void SetX2(float x) {
    Changing([&] { x2_ = x; });
  }
  void SetY2(float y) {
    Changing([&] { y2_ = y; });
  }
  void SetOutline(const QColor& colour) {
    Changing([&] { outline_ = colour; });
  }

  void Paint(QPainter& painter) const override;

 private:
  void Repaint() const override;

  QColor outline_;  // invalid: none
  float x1_ = 0;
  float y1_ = 0;
  float x2_ = 0;
  float y2_ = 0;
};

// A rectangle outline of one pixel, transparent inside. A negative width or height throws
// std::invalid_argument and leaves the shape as it was.
class RectShape final : public Shape {
  Q_OBJECT

 public:
  using Shape::Shape;

  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  void Move(float left, float top, float width, float height);
  void SetWidth(float width) { Move(left_, top_, width, height_); }
  void SetHeight(float height) { Move(left_, top_, width_, height); }

  void Paint(QPainter& painter) const override;

 private:
  void Repaint() const override;
  QRectF Pixels() const;

  float left_ = 0;
  float top_ = 0;
  float width_ = 0;
  float height_ = 0;
};

// Small crosses at points of the box, each drawn in the shape's colour over a white outline, so
// that it stands out on any picture. They are drawn once into a layer of the box's size, which a
// paint copies: a trace may have thousands.
class MarkerShape final : public Shape {
  Q_OBJECT

 public:
  using Shape::Shape;

  const std::vector<QPointF>& Points() const { return points_; }  // twips
  void SetPoints(std::vector<QPointF> points);
  void Add(const QPointF& point);
  void RemoveLast();

  void Paint(QPainter& painter) const override;

 private:
  void Repaint() const override;
  void RepaintPoint(const QPointF& point) const;

  std::vector<QPointF> points_;
  mutable QImage layer_;           // a null image: to be drawn anew
  mutable std::size_t drawn_ = 0;  // the points drawn into the layer, from the first
  mutable QColor layerColour_;     // their colour
};

}  // namespace platform
