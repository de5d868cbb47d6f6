#include "PictureBox.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Shapes.h"
#include "Twips.h"

namespace platform {

namespace {

// The part `part` of `picture`, sharing the picture's pixels where whole bytes make a pixel: a
// large picture is never copied to be stretched.
QImage PartOf(const QImage& picture, const QRect& part) {
  if (part == picture.rect()) {
    return picture;
  }
  if (picture.depth() < 8) {
    return picture.copy(part);
  }
  const uchar* first = picture.constBits() + static_cast<qsizetype>(part.y()) * picture.bytesPerLine() +
                       static_cast<qsizetype>(part.x()) * (picture.depth() / 8);
  QImage shared(first, part.width(), part.height(), picture.bytesPerLine(), picture.format());
  shared.setColorTable(picture.colorTable());
  return shared;
}

// Draws the op's picture stretched onto `target` (pixels of the box). The stretched picture is made
// once per size, smoothly, at the screen's resolution: repaints while the pointer moves shapes
// over it then only copy pixels.
void PaintStretched(QPainter& painter, const QRectF& target, const PictureOp& op, qreal ratio) {
  const QSize size(RoundToInt32(target.width() * ratio), RoundToInt32(target.height() * ratio));
  const QRect part = op.source.toRect() & op.picture.rect();
  if (size.isEmpty() || part.isEmpty()) {
    return;
  }
  if (op.scaled.size() != size || op.scaled.devicePixelRatio() != ratio) {
    op.scaled = QPixmap();  // the old size goes before the new one is made
    op.scaled =
        QPixmap::fromImage(PartOf(op.picture, part).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    op.scaled.setDevicePixelRatio(ratio);
  }
  painter.drawPixmap(target.topLeft(), op.scaled);
}

// The pen of lines and polylines: one pixel wide, which is as many device pixels as the device
// has to a pixel (two on a screen with a device pixel ratio of 2).
QPen LinePen(QRgb color, const QPainter& painter) {
  const qreal ratio = painter.device()->devicePixelRatioF();
  QPen pen(QColor(color), ratio > 1 ? std::round(ratio) : 0);
  pen.setCosmetic(true);
  return pen;
}

// Makes a picture with transparent parts opaque over `background`.
QImage OverBackground(QImage picture, const QColor& background) {
  if (picture.depth() != 32) {
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(background);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    painter.end();
    return opaque;
  }
  // In place (unless another holder shares it): a picture of 16384 x 16384 pixels takes a gigabyte,
  // and a second one is too much.
  picture.convertTo(QImage::Format_ARGB32_Premultiplied);
  const QRgb back = background.rgb();
  for (int y = 0; y < picture.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < picture.width(); ++x) {
      // Premultiplied: the pixel over the background is p + (1 - alpha) * background.
      const QRgb p = line[x];
      const int rest = 255 - qAlpha(p);
      line[x] = qRgb(qRed(p) + (qRed(back) * rest + 127) / 255, qGreen(p) + (qGreen(back) * rest + 127) / 255,
                     qBlue(p) + (qBlue(back) * rest + 127) / 255);
    }
  }
  picture.reinterpretAsFormat(QImage::Format_RGB32);
  return picture;
}

int ShiftOf(Qt::KeyboardModifiers modifiers) {
  return (modifiers.testFlag(Qt::ShiftModifier) ? kShiftMask : 0) |
         (modifiers.testFlag(Qt::ControlModifier) ? kCtrlMask : 0) |
         (modifiers.testFlag(Qt::AltModifier) ? kAltMask : 0);
}

int ButtonsOf(Qt::MouseButtons buttons) {
  return (buttons.testFlag(Qt::LeftButton) ? kLeftButton : 0) | (buttons.testFlag(Qt::RightButton) ? kRightButton : 0) |
         (buttons.testFlag(Qt::MiddleButton) ? kMiddleButton : 0);
}

int KeyCodeOf(int key) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Backspace:
      return kKeyBack;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_Left:
      return kKeyLeft;
    case Qt::Key_Up:
      return kKeyUp;
    case Qt::Key_Right:
      return kKeyRight;
    case Qt::Key_Down:
      return kKeyDown;
    case Qt::Key_Delete:
      return kKeyDelete;
    default:
      return (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) ? key : 0;
  }
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

void PictureBox::Changed() {
  // Qt repaints the whole box once for any number of changes made before the paint.
  if (!painting_ && !updatePending_) {
    updatePending_ = true;
    update();
  }
}

void PictureBox::Cls() {
  ops_.clear();
  texts_.clear();
  polylines_.clear();
  pictures_.clear();
  currentX_ = 0;
  currentY_ = 0;
  Changed();
}

void PictureBox::Line(float x1, float y1, float x2, float y2, const QColor& color) {
  DrawOp op;
  op.x1 = x1;
  op.y1 = y1;
  op.x2 = x2;
  op.y2 = y2;
  op.color = color.rgb();
  ops_.push_back(op);
  currentX_ = x2;
  currentY_ = y2;
  Changed();
}

void PictureBox::Polyline(std::vector<TwipPoint> points, const QColor& color) {
  if (points.empty()) {
    return;
  }
  currentX_ = points.back().x;
  currentY_ = points.back().y;
  DrawOp op;
  op.kind = DrawOp::Kind::kPolyline;
  op.color = color.rgb();
  op.index = static_cast<int>(polylines_.size());
  polylines_.push_back(PolylineOp{std::move(points), {}, {}});
  ops_.push_back(op);
  Changed();
}

void PictureBox::Thin(PolylineOp& polyline) {
  // Consecutive points in one pixel column join into a vertical run from their lowest to their
  // highest point; the first and last keep the lines to the neighbouring columns. So these four,
  // in their order, paint what all of them would.
  std::vector<QPointF>& out = polyline.pixels;
  const std::vector<TwipPoint>& in = polyline.points;
  out.clear();
  std::size_t i = 0;
  while (i < in.size()) {
    const double x = PaintPixel(in[i].x);
    // Twips strictly between these lie in the column for certain; the rest are checked exactly.
    const double left = (x - 0.5) * kTwipsPerPixel;
    const double right = (x + 0.5) * kTwipsPerPixel;
    const auto inColumn = [&](float t) { return (t > left && t < right) || PaintPixel(t) == x; };
    // Pixels keep the order of twips, so the lowest and highest point can be found in twips.
    std::size_t low = i;
    std::size_t high = i;
    std::size_t j = i + 1;
    for (; j < in.size() && inColumn(in[j].x); ++j) {
      if (in[j].y < in[low].y) {
        low = j;
      } else if (in[j].y > in[high].y) {
        high = j;
      }
    }
    std::size_t keep[] = {i, std::min(low, high), std::max(low, high), j - 1};
    std::size_t previous = in.size();
    for (const std::size_t k : keep) {
      if (k != previous) {
        out.emplace_back(x, PaintPixel(in[k].y));
        previous = k;
      }
    }
    i = j;
  }
  polyline.ascending =
      std::is_sorted(out.begin(), out.end(), [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
  QPointF low = out.front();
  QPointF high = out.front();
  for (const QPointF& p : out) {
    low = QPointF(std::fmin(low.x(), p.x()), std::fmin(low.y(), p.y()));
    high = QPointF(std::fmax(high.x(), p.x()), std::fmax(high.y(), p.y()));
  }
  polyline.bounds = QRectF(low, high).adjusted(-1, -1, 1, 1);
}

void PictureBox::Print(const QString& text) {
  texts_.push_back(TextOp{text, fontSize_, !fontTransparent_, backColor_.rgb()});
  const auto x = static_cast<float>(currentX_);
  const auto y = static_cast<float>(currentY_);
  ops_.push_back(DrawOp{DrawOp::Kind::kText, x, y, x, y, foreColor_.rgb(), static_cast<int>(texts_.size()) - 1});
  Changed();
}

void PictureBox::SetMouseMoveHandler(std::function<void(int, int, float, float)> handler) {
  mouseMove_ = std::move(handler);
  setMouseTracking(static_cast<bool>(mouseMove_));
}

void PictureBox::SetPicture(QImage picture) {
  picture_ = std::move(picture);
  if (picture_.hasAlphaChannel()) {
    picture_ = OverBackground(std::move(picture_), backColor_);
  }
  if (autoSize_ && !picture_.isNull()) {
    Move(left_, top_, PixelsToTwips(picture_.width()), PixelsToTwips(picture_.height()));
  }
  update();
}

void PictureBox::PaintPicture(const QImage& picture, double x, double y, double width, double height, double sourceX,
                              double sourceY, double sourceWidth, double sourceHeight) {
  if (picture.isNull()) {
    throw std::invalid_argument("no picture to draw");
  }
  if (!(width > 0 && height > 0 && sourceWidth > 0 && sourceHeight > 0)) {
    return;
  }
  const QRectF source(TwipsToPixelsF(sourceX), TwipsToPixelsF(sourceY), TwipsToPixelsF(sourceWidth),
                      TwipsToPixelsF(sourceHeight));
  QPixmap scaled;
  for (const PictureOp& drawn : pictures_) {
    if (drawn.picture.cacheKey() == picture.cacheKey() && drawn.source == source) {
      scaled = drawn.scaled;
    }
  }
  if (x <= 0 && y <= 0 && x + width >= width_ && y + height >= height_ && !picture.hasAlphaChannel()) {
    ops_.clear();
    texts_.clear();
    polylines_.clear();
    pictures_.clear();
  }
  pictures_.push_back(PictureOp{picture, source, std::move(scaled)});
  ops_.push_back(DrawOp{DrawOp::Kind::kPicture, static_cast<float>(x), static_cast<float>(y),
                        static_cast<float>(x + width), static_cast<float>(y + height), 0,
                        static_cast<int>(pictures_.size()) - 1});
  Changed();
}

void PictureBox::UpdateArea(const QRect& pixels) {
  // Qt keeps the areas asked for until the next paint as a region, each addition dearer as the
  // region grows: past kScatteredAreas of them (a trace's points recorded in one go), the box
  // around them all is asked for instead. (A paint fills its region's bounding box anyway.)
  constexpr int kScatteredAreas = 64;
  pendingBox_ |= pixels;
  update(++pendingAreas_ > kScatteredAreas ? pendingBox_ : pixels);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
  }
  if (mouseDown_) {
    const QPointF at = event->position();
    mouseDown_(ButtonsOf(event->button()), ShiftOf(event->modifiers()), static_cast<float>(at.x() * kTwipsPerPixel),
               static_cast<float>(at.y() * kTwipsPerPixel));
  }
  QWidget::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
  const bool clicked = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    pressed_ = false;
  }
  if (clicked && click_) {
    click_();
  }
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
  if (mouseMove_) {
    const QPointF at = event->position();
    mouseMove_(ButtonsOf(event->buttons()), ShiftOf(event->modifiers()), static_cast<float>(at.x() * kTwipsPerPixel),
               static_cast<float>(at.y() * kTwipsPerPixel));
  }
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
  if (!keyDown_) {
    QWidget::keyPressEvent(event);
    return;
  }
  keyDown_(KeyCodeOf(event->key()), ShiftOf(event->modifiers()));
}

void PictureBox::paintEvent(QPaintEvent* event) {
  updatePending_ = false;
  pendingBox_ = QRect();
  pendingAreas_ = 0;
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
  if (!picture_.isNull()) {
    painter.drawImage(0, 0, picture_);
  }
  const QRectF visible = QRectF(exposed).adjusted(-1, -1, 1, 1);
  for (const DrawOp& op : ops_) {
    const QPointF from(PaintPixel(op.x1), PaintPixel(op.y1));
    if (op.kind == DrawOp::Kind::kPicture) {
      PaintStretched(painter, QRectF(from, QPointF(PaintPixel(op.x2), PaintPixel(op.y2))),
                     pictures_[static_cast<std::size_t>(op.index)], devicePixelRatioF());
      continue;
    }
    if (op.kind == DrawOp::Kind::kLine) {
      const QPointF to(PaintPixel(op.x2), PaintPixel(op.y2));
      if (!QRectF(from, to).normalized().adjusted(-1, -1, 1, 1).intersects(visible)) {
        continue;
      }
      painter.setPen(LinePen(op.color, painter));
      painter.drawLine(QLineF(from, to));
      continue;
    }
    if (op.kind == DrawOp::Kind::kPolyline) {
      PolylineOp& polyline = polylines_[static_cast<std::size_t>(op.index)];
      if (polyline.pixels.empty()) {
        Thin(polyline);
      }
      if (polyline.bounds.intersects(visible)) {
        // Of a curve whose x rises, only the points over the painted columns and one beyond on
        // each side: a zoomed-in graph shows a small part of a long curve.
        const std::vector<QPointF>& pixels = polyline.pixels;
        std::size_t first = 0;
        std::size_t last = pixels.size();
        if (polyline.ascending) {
          const auto byX = [](const QPointF& p, double x) { return p.x() < x; };
          const auto begin = std::lower_bound(pixels.begin(), pixels.end(), visible.left(), byX);
          const auto end = std::lower_bound(begin, pixels.end(), visible.right() + 1, byX);
          first = static_cast<std::size_t>(std::max<std::ptrdiff_t>(begin - pixels.begin() - 1, 0));
          last = std::min(static_cast<std::size_t>(end - pixels.begin()) + 1, pixels.size());
        }
        painter.setPen(LinePen(op.color, painter));
        painter.drawPolyline(pixels.data() + first, static_cast<int>(last - first));
      }
      continue;
    }
    const TextOp& text = texts_[static_cast<std::size_t>(op.index)];
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
  // The shapes lie above the drawing, the earliest made lowest.
  for (const QObject* child : children()) {
    if (const auto* shape = qobject_cast<const Shape*>(child); shape != nullptr) {
      if (shape->Visible()) {
        shape->Paint(painter);
      }
      shape->Painted();
    }
  }
}

}  // namespace platform
