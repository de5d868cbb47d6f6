// A status bar of text panels addressed from 1, each a label that shows its text at once.
#pragma once

#include <QStatusBar>
#include <vector>

class QLabel;

namespace platform {

class IStatusBar {
 public:
  virtual ~IStatusBar() = default;
  // Replaces the text of panel `index` (from 1). An index without panel throws std::out_of_range.
  virtual void SetPanelText(int index, const QString& text) = 0;
};

class StatusBar final : public QStatusBar, public IStatusBar {
  Q_OBJECT

 public:
  // `stretches` gives one panel per element, with its share of the bar's width.
  StatusBar(const std::vector<int>& stretches, QWidget* parent = nullptr);

  void SetPanelText(int index, const QString& text) override;
  QString PanelText(int index) const;
  int PanelCount() const { return static_cast<int>(panels_.size()); }

 private:
  QLabel* Panel(int index) const;

  std::vector<QLabel*> panels_;
};

}  // namespace platform
