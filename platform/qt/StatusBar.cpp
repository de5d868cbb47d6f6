#include "StatusBar.h"

#include <QLabel>
#include <stdexcept>

namespace platform {

StatusBar::StatusBar(const std::vector<int>& stretches, QWidget* parent) : QStatusBar(parent) {
  setSizeGripEnabled(true);
  for (const int stretch : stretches) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Panel%1").arg(panels_.size() + 1));
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(1);
    addWidget(label, stretch);
    panels_.push_back(label);
  }
}

QLabel* StatusBar::Panel(int index) const {
  if (index < 1 || index > PanelCount()) {
    throw std::out_of_range("no such status bar panel");
  }
  return panels_[static_cast<std::size_t>(index - 1)];
}

void StatusBar::SetPanelText(int index, const QString& text) { Panel(index)->setText(text); }

QString StatusBar::PanelText(int index) const { return Panel(index)->text(); }

}  // namespace platform
