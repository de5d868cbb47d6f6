// A started tracer window on scripted platform fakes, with the user's moves as calls.
#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <memory>

#include "Fakes.h"
#include "Form1.h"
#include "GlobalVariables.h"
#include "dlgValue.h"

namespace fakes {

inline QImage Filled(int width, int height, const QColor& color) {
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(color);
  return picture;
}

struct Tracer {
  tracer::GlobalVariables g;
  Services services;
  std::unique_ptr<tracer::Form1> window;

  Tracer() : window(std::make_unique<tracer::Form1>(g, services.Get())) { window->Form_Load(); }

  QString Panel(int index) const { return window->StatusBar->PanelText(index); }
  QString Message() const {
    return services.messageBox.shown.empty() ? QString() : services.messageBox.shown.back().text;
  }
  void Import(const QImage& picture) {
    services.clipboard.picture = picture;
    window->mnuImportClipboard_Click();
  }
  // Answers the value dialog of the next registration: types `text` and presses OK, or presses
  // Cancel when `text` is null. A refused OK leaves the dialog as it was when it closes.
  void AnswerValue(const QString& text) {
    services.modal.scripts.push_back([text](QDialog& d) {
      auto& dialog = static_cast<tracer::dlgValue&>(d);
      if (text.isNull()) {
        dialog.CancelButton_Click();
        return;
      }
      dialog.edtValue->setText(text);
      dialog.OKButton_Click();
    });
  }
  void Move(float x, float y) { window->Graph_MouseMove(0, 0, 0, x, y); }
  void Click() { window->Graph_Click(0); }
  void CtrlClick(double x, double y) {
    Move(float(x), float(y));
    window->Graph_MouseDown(0, platform::kLeftButton, platform::kCtrlMask, float(x), float(y));
    Click();
  }
  void Key(int key, int times = 1) {
    for (int i = 0; i < times; ++i) {
      window->Graph_KeyDown(0, key, 0);
    }
  }
  // Registers a reference through its menu item: the value, then the line placed at `at`.
  void Register(QAction* item, const QString& value, float at) {
    AnswerValue(value);
    item->trigger();
    Move(at, at);
    Click();
  }
  // A blank picture imported (unless `import` is false) and the six references registered with
  // their default values at the lines' design places: 1860 twips per decade from 100 Hz at X 2160,
  // 76 twips per dB from 60 dB at Y 3720, 480 twips per octave from 4 ohm at Y 3120.
  void Ready(bool import = true) {
    if (import) {
      Import(Filled(400, 300, Qt::white));
    }
    tracer::Form1& w = *window;
    const std::tuple<QAction*, const char*, float> references[] = {
        {w.mnuReg100Hz, "100", 2160}, {w.mnuReg10000Hz, "10000", 5880}, {w.mnuReg60Db, "60", 3720},
        {w.mnuReg90Db, "90", 1440},   {w.mnuReg4Ohm, "4", 3120},        {w.mnuReg16Ohm, "16", 2160}};
    for (const auto& [item, value, at] : references) {
      Register(item, QString::fromLatin1(value), at);
    }
  }
  // Auto Trace, its slices run by the event loop until it ends.
  void AutoTrace() {
    window->mnuAutoTrace->trigger();
    while (window->isAutoTracing) {
      QCoreApplication::processEvents();
    }
  }
  // Saves the trace (or with `session`, the session) through the dialog to `path`; returns the
  // file's bytes, or "<none>".
  QByteArray SaveTo(const QString& path, bool session = false) {
    services.fileDialog.answers.push_back(path);
    session ? window->mnuSaveSession_Click() : window->mnuSaveAs_Click();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
  }
  void OpenSession(const QString& path) {
    services.fileDialog.answers.push_back(path);
    window->mnuOpenSession_Click();
  }
};

}  // namespace fakes
