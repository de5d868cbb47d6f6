// File paths between Qt and the standard library.
#pragma once

#include <QFile>
#include <QString>
#include <filesystem>

namespace platform {

// The path in the form the operating system's file functions take.
inline std::filesystem::path NativePath(const QString& path) {
#ifdef _WIN32
  return {path.toStdWString()};
#else
  return {QFile::encodeName(path).toStdString()};
#endif
}

}  // namespace platform
