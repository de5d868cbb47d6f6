// Window metrics as the layout formulas of the windows expect them.
#pragma once

#include <QEvent>
#include <QMainWindow>
#include <QScreen>
#include <QSize>

#include "Twips.h"

namespace platform {

// The outer size of a main window in twips: its client area (between menu bar and status bar)
// plus the window chrome that the layout offsets allow for, 120 twips across (the borders) and
// 870 twips down (borders, title bar, menu bar and status bar). Reporting the chrome as this
// fixed allowance, rather than as whatever the desktop's decorations measure, keeps the margins
// that the offsets leave around a window's contents on every desktop.
inline QSize OuterSizeTwips(const QMainWindow& window) {
  constexpr int kChromeWidth = 120;
  constexpr int kChromeHeight = 870;
  const QWidget* client = window.centralWidget();
  const QSize pixels = client != nullptr ? client->size() : window.size();
  return {PixelsToTwips(pixels.width()) + kChromeWidth, PixelsToTwips(pixels.height()) + kChromeHeight};
}

// Shows the window maximized. The window first takes the screen's available area, so that it
// fills the screen also where no window manager carries out the maximized state (a bare X server).
inline void ShowMaximized(QMainWindow& window) {
  if (const QScreen* screen = window.screen()) {
    window.setGeometry(screen->availableGeometry());
  }
  window.showMaximized();
}

// A main window whose Form_Resize runs whenever its client area changes size and whenever its
// state changes (minimized, maximized, restored), as the windows' layouts expect.
class FormWindow : public QMainWindow {
 public:
  using QMainWindow::QMainWindow;
  virtual void Form_Resize() = 0;

 protected:
  // Sets the client area and starts watching its size.
  void SetClientArea(QWidget* client) {
    setCentralWidget(client);
    client->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
      Form_Resize();
    }
    return QMainWindow::eventFilter(watched, event);
  }
  void changeEvent(QEvent* event) override {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
      Form_Resize();
    }
  }
};

}  // namespace platform
