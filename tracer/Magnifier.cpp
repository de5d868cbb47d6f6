#include "Magnifier.h"

#include <QPainter>
#include <cmath>

namespace tracer {

Magnifier::Magnifier(QWidget* area) : QWidget(area) {
  setObjectName(QStringLiteral("Magnifier"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(kSide, kSide);
  hide();
}

QRect Magnifier::Place(QSize area, QPoint pointer) {
  const QRect topLeft(kMargin, kMargin, kSide, kSide);
  if (!topLeft.adjusted(-2 * kMargin, -2 * kMargin, 2 * kMargin, 2 * kMargin).contains(pointer)) {
    return topLeft;
  }
  return {area.width() - kMargin - kSide, area.height() - kMargin - kSide, kSide, kSide};
}

QRectF Magnifier::Source(QPointF pointer) {
  constexpr double kAcross = double(kSide) / kZoom;
  return {std::floor(pointer.x() - kAcross / 2), std::floor(pointer.y() - kAcross / 2), kAcross, kAcross};
}

void Magnifier::Show(MagnifierView view, QPoint pointerInArea) {
  view_ = std::move(view);
  const QRect place = Place(parentWidget()->size(), pointerInArea);
  if (geometry() != place) {
    setGeometry(place);
  }
  if (isHidden()) {
    show();
    raise();
  }
  update();
}

void Magnifier::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Mid));
  const QRectF source = Source(view_.pointer);
  // Picture pixel p shows at (p - source.topLeft()) * kZoom.
  const auto toLoupe = [&source](QPointF p) { return (p - source.topLeft()) * kZoom; };
  painter.drawImage(QRectF(0, 0, kSide, kSide), view_.picture, source);
  for (const MagnifierView::Line& line : view_.lines) {
    painter.setPen(QPen(line.colour, 1));
    painter.drawLine(QLineF(toLoupe(line.line.p1()), toLoupe(line.line.p2())));
  }
  for (const QPointF& mark : view_.marks) {
    const QPointF c = toLoupe(mark);
    painter.setPen(QPen(QColor(255, 0, 255), 2));
    painter.drawLine(c - QPointF(6, 0), c + QPointF(6, 0));
    painter.drawLine(c - QPointF(0, 6), c + QPointF(0, 6));
  }
  if (view_.selected) {
    const QPointF c = toLoupe(*view_.selected);
    painter.setPen(QPen(QColor(0, 200, 255), 2));
    painter.drawRect(QRectF(c - QPointF(8, 8), c + QPointF(8, 8)));
  }
  // The crosshair: a gap around the pointer keeps the pixel under it visible.
  const QPointF at = toLoupe(view_.pointer);
  painter.setPen(QPen(QColor(0, 0, 0, 160), 1));
  painter.drawLine(QPointF(0, at.y()), at - QPointF(6, 0));
  painter.drawLine(at + QPointF(6, 0), QPointF(kSide, at.y()));
  painter.drawLine(QPointF(at.x(), 0), at - QPointF(0, 6));
  painter.drawLine(at + QPointF(0, 6), QPointF(at.x(), kSide));
  painter.setPen(QPen(palette().color(QPalette::Dark), 1));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tracer
