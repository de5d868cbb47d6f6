// What the programs ask of the platform beyond plain widgets, each behind a small interface: the
// message box, the file-name dialogs, showing a modal dialog, ending the program, the clipboard's
// picture, and for the About box the registry-like store of settings and starting a program. main.cpp
// hands the Qt implementations (QtServices.h) to the windows; tests hand scripted fakes.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace platform {

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageResult { kOk, kCancel, kYes, kNo };

// A modal message box without icon: text, button set, title; returns the button pressed.
class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual MessageResult Show(const QString& text, MessageButtons buttons, const QString& title) = 0;
};

// The settings of an open or save file-name dialog. The filter is a list of description|pattern
// pairs joined by "|", several patterns of one entry joined by ";", as in
// "Impedance Data (*.zma;*.zda)|*.zma;*.zda". filterIndex counts the entries from 1.
struct FileDialogSettings {
  bool cancelError = false;  // report Cancel as a failure (no path) instead of an empty path
  QString title;
  QString fileName;  // proposed name before, chosen path after a dialog
  QString filter;
  QString defaultExt;             // added to a typed name that has none
  int filterIndex = 1;           // the filter shown first; after the dialog, the one chosen
  bool overwritePrompt = false;  // a save dialog asks before it returns the name of an existing file
};

class IFileDialog {
 public:
  virtual ~IFileDialog() = default;
  // Shows the dialog and returns the chosen path, which is also left in settings.fileName. On
  // Cancel: no path when settings.cancelError is set, else an empty path.
  virtual std::optional<QString> ShowOpen(FileDialogSettings& settings) = 0;
  virtual std::optional<QString> ShowSave(FileDialogSettings& settings) = 0;
};

// Runs a dialog modally: returns when the dialog has been closed.
class IModalRunner {
 public:
  virtual ~IModalRunner() = default;
  virtual void ShowModal(QDialog& dialog) = 0;
};

// Ends the program at once, without asking any window.
class IApplication {
 public:
  virtual ~IApplication() = default;
  virtual void Quit() = 0;
};

// The picture on the clipboard: a null image when the clipboard holds none (text, or nothing).
class IClipboard {
 public:
  virtual ~IClipboard() = default;
  virtual QImage Picture() = 0;
};

// A registry-like store of named values under keys, read the way the registry functions of
// Windows read it: open a key, query a value into a caller's buffer, close the key.
class IRegistry {
 public:
  using Key = std::uintptr_t;
  static constexpr std::uint32_t kLocalMachine = 0x80000002u;  // HKEY_LOCAL_MACHINE
  static constexpr std::uint32_t kTypeString = 1;              // REG_SZ
  static constexpr std::uint32_t kTypeNumber = 4;              // REG_DWORD

  virtual ~IRegistry() = default;
  // Opens `keyName` under the predefined `root` with the `access` mask; false when it cannot.
  virtual bool OpenKey(std::uint32_t root, const std::string& keyName, std::uint32_t access, Key& key) = 0;
  // Copies the value's bytes into `buffer` of `size` bytes and sets `type` and `size` (the number
  // of bytes copied, a string's terminating NUL included when it is stored). False when the value
  // is missing or longer than the buffer.
  virtual bool QueryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                          std::uint32_t& size) = 0;
  virtual void CloseKey(Key key) = 0;
};

// Files and programs: whether a file exists, and starting a program in a normal, focused window.
class IProgramStarter {
 public:
  virtual ~IProgramStarter() = default;
  virtual bool FileExists(const QString& path) = 0;
  // False when the program could not be started.
  virtual bool Start(const QString& path) = 0;
};

// The platform services a program's windows use.
struct Services {
  IMessageBox& messageBox;
  IFileDialog& fileDialog;
  IModalRunner& modal;
  IApplication& application;
  IRegistry& registry;
  IProgramStarter& programs;
  IClipboard& clipboard;
};

}  // namespace platform
