#include "PictureBox.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>
#include <stdexcept>

#include "Twips.h"

namespace platform {

namespace {

// Pixel coordinate of a twip coordinate, for painting only: whole pixels (halves to even), and
// far-off values held where they cannot disturb the painter's arithmetic.
double PaintPixel(double twips) {
  constexpr double kFar = 1.0e7;
  return RoundHalfEven(std::fmax(-kFar, std::fmin(kFar, twips / kTwipsPerPixel)));
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::Move(int left, int top, int width, int height) {
  if (width < 0 || height < 0) {
    throw std::invalid_argument("negative size");
  }
  const QRect pixels(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  setGeometry(pixels);
}

void PictureBox::SetBackColor(const QColor& color) {
  backColor_ = color;
  update();
}

void PictureBox::Cls() {
  ops_.clear();
  texts_.clear();
  currentX_ = 0;
  currentY_ = 0;
  if (!painting_) {
    update();
  }
}

void PictureBox::Line(float x1, float y1, float x2, float y2, const QColor& color) {
  ops_.push_back(DrawOp{DrawOp::Kind::kLine, x1, y1, x2, y2, color.rgb(), -1});
  currentX_ = x2;
  currentY_ = y2;
  if (!painting_) {
    update();
  }
}

void PictureBox::Print(const QString& text) {
  texts_.push_back(TextOp{text, fontSize_, !fontTransparent_, backColor_.rgb()});
  const auto x = static_cast<float>(currentX_);
  const auto y = static_cast<float>(currentY_);
  ops_.push_back(DrawOp{DrawOp::Kind::kText, x, y, x, y, foreColor_.rgb(), static_cast<int>(texts_.size()) - 1});
  if (!painting_) {
    update();
  }
}

void PictureBox::paintEvent(QPaintEvent* event) {
  if (!autoRedraw_ && paintHandler_ && !painting_) {
    painting_ = true;
    try {
      paintHandler_();
    } catch (...) {
      // A failed repaint shows what was drawn so far; it must not reach Qt's event loop.
    }
    painting_ = false;
  }

  QPainter painter(this);
  const QRect exposed = event->rect();
  painter.fillRect(exposed, backColor_);
  const QRectF visible = QRectF(exposed).adjusted(-1, -1, 1, 1);
  for (const DrawOp& op : ops_) {
    const QPointF from(PaintPixel(op.x1), PaintPixel(op.y1));
    if (op.kind == DrawOp::Kind::kLine) {
      const QPointF to(PaintPixel(op.x2), PaintPixel(op.y2));
      if (!QRectF(from, to).normalized().adjusted(-1, -1, 1, 1).intersects(visible)) {
        continue;
      }
      painter.setPen(QPen(QColor(op.color), 0));
      painter.drawLine(QLineF(from, to));
      continue;
    }
    const TextOp& text = texts_[static_cast<std::size_t>(op.textIndex)];
    QFont font = this->font();
    if (text.fontSize > 0) {
      font.setPointSizeF(text.fontSize);
    }
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QRectF cell(from, QSizeF(metrics.horizontalAdvance(text.text), metrics.height()));
    if (!cell.intersects(visible)) {
      continue;
    }
    if (text.opaque) {
      painter.fillRect(cell, QColor(text.background));
    }
    painter.setPen(QColor(op.color));
    painter.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text.text);
  }
}

}  // namespace platform
