#include "ScrollBar.h"

#include <stdexcept>

#include "Twips.h"

namespace platform {

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
  setRange(0, 32767);
  connect(this, &QScrollBar::valueChanged, this, &ScrollBar::OnValueChanged);
}

void ScrollBar::Move(int left, int top, int width, int height) {
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

void ScrollBar::OnValueChanged() {
  const std::function<void()>& handler = isSliderDown() && scroll_ ? scroll_ : change_;
  if (handler) {
    handler();
  }
}

}  // namespace platform
