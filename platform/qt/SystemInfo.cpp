// The registry-like store and the program starter that the About box uses.
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cstring>

#include "QtServices.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

#ifdef _WIN32

bool QtRegistry::OpenKey(std::uint32_t root, const std::string& keyName, std::uint32_t access, Key& key) {
  HKEY handle = nullptr;
  const LONG rc = RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(root)), keyName.c_str(), 0,
                                static_cast<REGSAM>(access), &handle);
  key = reinterpret_cast<Key>(handle);
  return rc == ERROR_SUCCESS;
}

bool QtRegistry::QueryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                            std::uint32_t& size) {
  DWORD valueType = 0;
  DWORD bytes = size;
  const LONG rc = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.c_str(), nullptr, &valueType,
                                   reinterpret_cast<LPBYTE>(buffer), &bytes);
  type = valueType;
  size = bytes;
  return rc == ERROR_SUCCESS;
}

void QtRegistry::CloseKey(Key key) {
  if (key != 0) {
    RegCloseKey(reinterpret_cast<HKEY>(key));
  }
}

#else

namespace {

constexpr IRegistry::Key kSystemInfoKey = 1;

// The first system information program of this list that is installed.
QString SystemInfoProgram() {
  for (const char* name : {"hardinfo", "kinfocenter", "gnome-system-monitor"}) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty()) {
      return path;
    }
  }
  return {};
}

}  // namespace

bool QtRegistry::OpenKey(std::uint32_t root, const std::string& keyName, std::uint32_t /*access*/, Key& key) {
  key = 0;
  if (root != kLocalMachine || keyName != "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO" ||
      SystemInfoProgram().isEmpty()) {
    return false;
  }
  key = kSystemInfoKey;
  return true;
}

bool QtRegistry::QueryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                            std::uint32_t& size) {
  if (key != kSystemInfoKey || valueName != "PATH") {
    return false;
  }
  const QByteArray path = QFile::encodeName(SystemInfoProgram());
  const auto bytes = static_cast<std::uint32_t>(path.size()) + 1;  // with its terminating NUL
  if (path.isEmpty() || bytes > size) {
    return false;
  }
  std::memcpy(buffer, path.constData(), bytes);
  type = kTypeString;
  size = bytes;
  return true;
}

void QtRegistry::CloseKey(Key /*key*/) {}

#endif

bool QtProgramStarter::FileExists(const QString& path) { return QFileInfo(path).isFile(); }

bool QtProgramStarter::Start(const QString& path) { return QProcess::startDetached(path, {}); }

}  // namespace platform
