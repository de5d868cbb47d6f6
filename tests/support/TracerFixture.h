// A started tracer window on scripted platform fakes, with the user's moves as calls.
#pragma once

#include <QAction>
#include <QLineEdit>
#include <memory>

#include "Fakes.h"
#include "Form1.h"
#include "GlobalVariables.h"
#include "dlgValue.h"

namespace fakes {

struct Tracer {
  tracer::GlobalVariables g;
  Services services;
  std::unique_ptr<tracer::Form1> window;

  Tracer() : window(std::make_unique<tracer::Form1>(g, services.Get())) { window->Form_Load(); }

  QString Panel(int index) const { return window->StatusBar->PanelText(index); }
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
  // Registers a reference through its menu item: the value, then the line placed at `at`.
  void Register(QAction* item, const QString& value, float at) {
    AnswerValue(value);
    item->trigger();
    Move(at, at);
    Click();
  }
};

}  // namespace fakes
