// A scroll bar placed and sized in twips, with Min, Max, SmallChange, LargeChange and Value as
// 32-bit integers. Its Change notification comes for every change of the value (by the user or by
// code) except while the user drags the thumb; during the drag, Scroll notifications come instead.
#pragma once

#include <QScrollBar>
#include <functional>

namespace platform {

class ScrollBar final : public QScrollBar {
  Q_OBJECT

 public:
  ScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

  // Placement in twips; a negative width or height throws std::invalid_argument.
  void Move(int left, int top, int width, int height);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  int Min() const { return minimum(); }
  int Max() const { return maximum(); }
  int SmallChange() const { return singleStep(); }
  int LargeChange() const { return pageStep(); }
  int Value() const { return value(); }
  void SetMin(int value) { setMinimum(value); }
  void SetMax(int value) { setMaximum(value); }
  void SetSmallChange(int value) { setSingleStep(value); }
  void SetLargeChange(int value) { setPageStep(value); }
  void SetValue(int value) { setValue(value); }

  void SetChangeHandler(std::function<void()> handler) { change_ = std::move(handler); }
  void SetScrollHandler(std::function<void()> handler) { scroll_ = std::move(handler); }

 private:
  void OnValueChanged();

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  std::function<void()> change_;
  std::function<void()> scroll_;
};

}  // namespace platform
