// Scripted stand-ins for the platform services: they return queued answers and record every
// message, dialog and request, so tests can check what a user would have seen.
#pragma once

#include <QDialog>
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Services.h"

namespace fakes {

class MessageBox final : public platform::IMessageBox {
 public:
  struct Shown {
    QString text;
    platform::MessageButtons buttons;
    QString title;
  };

  // Answers in order; without one, the box answers with its cancelling button (OK for an OK box).
  std::deque<platform::MessageResult> answers;
  std::vector<Shown> shown;

  platform::MessageResult Show(const QString& text, platform::MessageButtons buttons, const QString& title) override {
    shown.push_back({text, buttons, title});
    if (answers.empty()) {
      return buttons == platform::MessageButtons::kOk      ? platform::MessageResult::kOk
             : buttons == platform::MessageButtons::kYesNo ? platform::MessageResult::kNo
                                                           : platform::MessageResult::kCancel;
    }
    const platform::MessageResult answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

class FileDialog final : public platform::IFileDialog {
 public:
  struct Request {
    bool save;
    platform::FileDialogSettings settings;  // as the dialog was given them
  };

  // Chosen paths in order; std::nullopt (or no answer left) is Cancel. With a path, the filter
  // chosen (counted from 1), when one is queued.
  std::deque<std::optional<QString>> answers;
  std::deque<int> filterIndexes;
  std::vector<Request> requests;

  std::optional<QString> ShowOpen(platform::FileDialogSettings& settings) override { return Answer(settings, false); }
  std::optional<QString> ShowSave(platform::FileDialogSettings& settings) override { return Answer(settings, true); }

 private:
  std::optional<QString> Answer(platform::FileDialogSettings& settings, bool save) {
    requests.push_back({save, settings});
    std::optional<QString> answer;
    if (!answers.empty()) {
      answer = answers.front();
      answers.pop_front();
    }
    if (!answer && settings.cancelError) {
      return std::nullopt;
    }
    settings.fileName = answer.value_or(QString());
    if (!filterIndexes.empty()) {
      settings.filterIndex = filterIndexes.front();
      filterIndexes.pop_front();
    }
    return settings.fileName;
  }
};

// Runs the queued script on each dialog instead of a modal loop; a dialog without script is
// closed at once as if by its window's close button.
class ModalRunner final : public platform::IModalRunner {
 public:
  std::deque<std::function<void(QDialog&)>> scripts;
  std::vector<QString> shown;  // object names of the dialogs, in order

  void ShowModal(QDialog& dialog) override {
    shown.push_back(dialog.objectName());
    if (!scripts.empty()) {
      const std::function<void(QDialog&)> script = scripts.front();
      scripts.pop_front();
      script(dialog);
    }
  }
};

class Application final : public platform::IApplication {
 public:
  int quitCalls = 0;
  void Quit() override { ++quitCalls; }
};

// A registry holding the values a test puts in it: key path -> value name -> (type, bytes).
class Registry final : public platform::IRegistry {
 public:
  struct Value {
    std::uint32_t type;
    std::string bytes;
  };
  std::map<std::string, std::map<std::string, Value>> keys;
  std::vector<std::string> opened;  // key paths, in order
  int openKeys = 0;                 // keys opened and not closed yet

  bool OpenKey(std::uint32_t root, const std::string& keyName, std::uint32_t /*access*/, Key& key) override {
    opened.push_back(keyName);
    const auto it = keys.find(keyName);
    if (root != kLocalMachine || it == keys.end()) {
      return false;
    }
    key = reinterpret_cast<Key>(&it->second);
    ++openKeys;
    return true;
  }
  bool QueryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                  std::uint32_t& size) override {
    const auto& values = *reinterpret_cast<const std::map<std::string, Value>*>(key);
    const auto it = values.find(valueName);
    if (it == values.end() || it->second.bytes.size() > size) {
      return false;
    }
    type = it->second.type;
    std::copy(it->second.bytes.begin(), it->second.bytes.end(), buffer);
    size = static_cast<std::uint32_t>(it->second.bytes.size());
    return true;
  }
  void CloseKey(Key key) override {
    if (key != 0) {
      --openKeys;
    }
  }
};

class ProgramStarter final : public platform::IProgramStarter {
 public:
  std::set<QString> files;     // paths that exist
  std::set<QString> programs;  // paths that start
  std::vector<QString> started;

  bool FileExists(const QString& path) override { return files.count(path) != 0; }
  bool Start(const QString& path) override {
    if (programs.count(path) == 0) {
      return false;
    }
    started.push_back(path);
    return true;
  }
};

// Holds a picture, or no picture (text, or nothing at all).
class Clipboard final : public platform::IClipboard {
 public:
  QImage picture;
  QImage Picture() override { return picture; }
};

struct Services {
  MessageBox messageBox;
  FileDialog fileDialog;
  ModalRunner modal;
  Application application;
  Registry registry;
  ProgramStarter programs;
  Clipboard clipboard;

  platform::Services Get() {
    return platform::Services{messageBox, fileDialog, modal, application, registry, programs, clipboard};
  }
};

}  // namespace fakes
