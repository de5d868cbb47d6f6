#include "Shapes.h"

#include <QPainter>
#include <stdexcept>

#include "PictureBox.h"
#include "Twips.h"

namespace platform {

namespace {

// The pixels that a one-pixel line between two painted points touches, with a pixel to spare.
QRect LineArea(const QPointF& from, const QPointF& to) {
  return QRectF(from, to).normalized().toAlignedRect().adjusted(-2, -2, 2, 2);
}

}  // namespace

Shape::Shape(PictureBox* box) : QObject(box), box_(*box) {}

void Shape::SetVisible(bool visible) {
  if (visible != visible_) {
    visible_ = visible;
    Repaint();
  }
}

void Shape::SetBorderColor(const QColor& color) {
  color_ = color;
  Repaint();
}

void Shape::RepaintMerged(const QRect& pixels) const {
  pending_ |= pixels;
  box_.UpdateArea(pending_);
}

void LineShape::Paint(QPainter& painter) const {
  const QLineF line(PaintPixel(x1_), PaintPixel(y1_), PaintPixel(x2_), PaintPixel(y2_));
  if (outline_.isValid()) {
    painter.setPen(QPen(outline_, 3, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(line);
  }
  painter.setPen(QPen(BorderColor(), 0));
  painter.drawLine(line);
}

void LineShape::Repaint() const {
  if (Visible()) {
    RepaintMerged(LineArea({PaintPixel(x1_), PaintPixel(y1_)}, {PaintPixel(x2_), PaintPixel(y2_)}));
  }
}

void RectShape::Move(float left, float top, float width, float height) {
  if (width < 0 || height < 0) {
    throw std::invalid_argument("negative size");
  }
  Changing([&] {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
  });
}

QRectF RectShape::Pixels() const {
  const QPointF topLeft(PaintPixel(left_), PaintPixel(top_));
  return {topLeft, QPointF(PaintPixel(left_ + width_), PaintPixel(top_ + height_))};
}

void RectShape::Paint(QPainter& painter) const {
  const QRectF r = Pixels();
  if (r.width() < 1 || r.height() < 1) {
    return;
  }
  painter.setPen(QPen(BorderColor(), 0));
  painter.setBrush(Qt::NoBrush);
  // The outline lies inside the bounds, as the platform's shapes draw it.
  painter.drawRect(r.adjusted(0, 0, -1, -1));
}

void RectShape::Repaint() const {
  if (!Visible()) {
    return;
  }
  const QRectF r = Pixels();
  box_.UpdateArea(LineArea(r.topLeft(), r.topRight()));
  box_.UpdateArea(LineArea(r.bottomLeft(), r.bottomRight()));
  box_.UpdateArea(LineArea(r.topLeft(), r.bottomLeft()));
  box_.UpdateArea(LineArea(r.topRight(), r.bottomRight()));
}

namespace {

constexpr int kArm = 3;  // pixels from a cross's centre to the end of its arms

QPoint CrossCentre(const QPointF& twips) {
  return {RoundToInt32(PaintPixel(twips.x())), RoundToInt32(PaintPixel(twips.y()))};
}

}  // namespace

void MarkerShape::SetPoints(std::vector<QPointF> points) {
  Changing([&] {
    points_ = std::move(points);
    layer_ = QImage();
  });
}

void MarkerShape::Add(const QPointF& point) {
  points_.push_back(point);
  RepaintPoint(point);
}

void MarkerShape::RemoveLast() {
  if (!points_.empty()) {
    RepaintPoint(points_.back());
    points_.pop_back();
    layer_ = QImage();
  }
}

void MarkerShape::Paint(QPainter& painter) const {
  if (points_.empty()) {
    layer_ = QImage();
    return;
  }
  const qreal ratio = painter.device()->devicePixelRatioF();
  const QSize size(RoundToInt32(box_.width() * ratio), RoundToInt32(box_.height() * ratio));
  if (layer_.size() != size || layer_.devicePixelRatio() != ratio || drawn_ > points_.size() ||
      layerColour_ != BorderColor()) {
    layer_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    layer_.setDevicePixelRatio(ratio);
    layer_.fill(Qt::transparent);
    layerColour_ = BorderColor();
    drawn_ = 0;
  }
  if (drawn_ < points_.size()) {
    std::vector<QLine> lines;
    lines.reserve(2 * (points_.size() - drawn_));
    for (auto it = points_.begin() + static_cast<std::ptrdiff_t>(drawn_); it != points_.end(); ++it) {
      const QPoint c = CrossCentre(*it);
      lines.emplace_back(c.x() - kArm, c.y(), c.x() + kArm, c.y());
      lines.emplace_back(c.x(), c.y() - kArm, c.x(), c.y() + kArm);
    }
    QPainter layer(&layer_);
    for (const QColor& colour : {QColor(Qt::white), BorderColor()}) {
      const bool outline = colour == QColor(Qt::white) && BorderColor() != QColor(Qt::white);
      layer.setPen(QPen(colour, outline ? 3 : 1, Qt::SolidLine, Qt::SquareCap));
      layer.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
    drawn_ = points_.size();
  }
  painter.drawImage(QPointF(0, 0), layer_);
}

void MarkerShape::RepaintPoint(const QPointF& point) const {
  if (Visible()) {
    const QPoint c = CrossCentre(point);
    RepaintMerged(QRect(c.x() - kArm - 3, c.y() - kArm - 3, 2 * kArm + 7, 2 * kArm + 7));
  }
}

void MarkerShape::Repaint() const {
  for (const QPointF& point : points_) {
    RepaintPoint(point);
  }
}

}  // namespace platform
