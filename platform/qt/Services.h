// What the programs ask of the platform beyond plain widgets, each behind a small interface: the
// message box, the file-name dialogs, showing a modal dialog and ending the program. main.cpp
// hands the Qt implementations (QtServices.h) to the windows; tests hand scripted fakes.
#pragma once

#include <QString>
#include <optional>

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
  QString defaultExt;  // added to a typed name that has none
  int filterIndex = 1;
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

// The platform services a program's windows use.
struct Services {
  IMessageBox& messageBox;
  IFileDialog& fileDialog;
  IModalRunner& modal;
  IApplication& application;
};

}  // namespace platform
