// The Qt implementations of the platform services.
#pragma once

#include <QStringList>

#include "Services.h"

namespace platform {

class QtMessageBox final : public IMessageBox {
 public:
  MessageResult Show(const QString& text, MessageButtons buttons, const QString& title) override;
};

// Each dialog starts in the folder of the last file chosen, as the platform's own dialogs do.
class QtFileDialog final : public IFileDialog {
 public:
  std::optional<QString> ShowOpen(FileDialogSettings& settings) override;
  std::optional<QString> ShowSave(FileDialogSettings& settings) override;

 private:
  std::optional<QString> Run(FileDialogSettings& settings, bool save);

  QString lastFolder_;
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

// On Windows the registry itself. Elsewhere a stand-in that knows one value: under the key
// "SOFTWARE\Microsoft\Shared Tools\MSINFO" the value "PATH" holds the path of a system
// information program found on this machine, if there is one.
class QtRegistry final : public IRegistry {
 public:
  bool OpenKey(std::uint32_t root, const std::string& keyName, std::uint32_t access, Key& key) override;
  bool QueryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                  std::uint32_t& size) override;
  void CloseKey(Key key) override;
};

class QtProgramStarter final : public IProgramStarter {
 public:
  bool FileExists(const QString& path) override;
  bool Start(const QString& path) override;
};

class QtClipboard final : public IClipboard {
 public:
  QImage Picture() override;
};

// One object of each, for a program's main.cpp.
struct QtServices {
  QtMessageBox messageBox;
  QtFileDialog fileDialog;
  QtModalRunner modal;
  QtApplication application;
  QtRegistry registry;
  QtProgramStarter programs;
  QtClipboard clipboard;

  Services Get() { return Services{messageBox, fileDialog, modal, application, registry, programs, clipboard}; }
};

}  // namespace platform
