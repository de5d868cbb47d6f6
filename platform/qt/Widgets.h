// Small helpers shared by the windows of both programs.
#pragma once

#include <QLayout>
#include <QString>
#include <QWidget>

namespace platform {

// Gives a control its name as objectName and returns it, for use in constructor initializers.
template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// For a dialog with word-wrapped text, called from its resize handler: keeps the minimum height
// that its layout needs at the current width, so that narrowing it never cuts text off.
inline void KeepHeightForWidth(QWidget& dialog) {
  const QLayout* layout = dialog.layout();
  const int needed = layout != nullptr ? layout->totalHeightForWidth(dialog.width()) : 0;
  if (needed > 0 && needed != dialog.minimumHeight()) {
    dialog.setMinimumHeight(needed);
  }
}

}  // namespace platform
