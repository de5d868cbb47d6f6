// The Qt implementations of the platform services.
#pragma once

#include <QStringList>

#include "Services.h"

namespace platform {

class QtMessageBox final : public IMessageBox {
 public:
  MessageResult Show(const QString& text, MessageButtons buttons, const QString& title) override;
};

class QtFileDialog final : public IFileDialog {
 public:
  std::optional<QString> ShowOpen(FileDialogSettings& settings) override;
  std::optional<QString> ShowSave(FileDialogSettings& settings) override;
};

class QtModalRunner final : public IModalRunner {
 public:
  void ShowModal(QDialog& dialog) override;
};

class QtApplication final : public IApplication {
 public:
  void Quit() override;
};

// Qt name filters of a "description|pattern|..." filter: each entry becomes
// "description (pattern pattern ...)", with the description's own parenthesised pattern list
// replaced, e.g. "Impedance Data (*.zma *.zda)".
QStringList QtNameFilters(const QString& filter);

// One object of each, for a program's main.cpp.
struct QtServices {
  QtMessageBox messageBox;
  QtFileDialog fileDialog;
  QtModalRunner modal;
  QtApplication application;

  Services Get() { return Services{messageBox, fileDialog, modal, application}; }
};

}  // namespace platform
