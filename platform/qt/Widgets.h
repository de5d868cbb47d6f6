// Small helpers shared by the windows of both programs.
#pragma once

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <QWidget>

namespace platform {

// Gives a control its name as objectName and returns it, for use in constructor initializers.
template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// Menu items: a menu bar title or a submenu (whose menu action shares its name), an item, a
// separator, each added at the end of its parent with its name as objectName.
inline QMenu* NewMenu(QMenuBar* bar, const char* name, const QString& caption) {
  QMenu* menu = Named(bar->addMenu(caption), name);
  Named(menu->menuAction(), name);
  return menu;
}

inline QMenu* NewSubMenu(QMenu* parent, const char* name, const QString& caption) {
  QMenu* menu = Named(parent->addMenu(caption), name);
  Named(menu->menuAction(), name);
  return menu;
}

inline QAction* NewAction(QMenu* menu, const char* name, const QString& caption) {
  return Named(menu->addAction(caption), name);
}

inline QAction* NewSeparator(QMenu* menu, const char* name) { return Named(menu->addSeparator(), name); }

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
