// Vostrel: a viewer for frequency response (FRD) and impedance (ZMA, ZDA) files.
//   vostrel [FILE [OVERLAY...]]   opens FILE at start-up, as a file manager's double-click does,
//                                 and draws each OVERLAY over it
#include <QApplication>
#include <filesystem>
#include <system_error>
#include <vector>

#include "GlobalVariables.h"
#include "QtServices.h"
#include "ViewerInfo.h"
#include "frmMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const about::AppInfo info = viewer::ViewerInfo();
  QApplication::setApplicationName(info.title);
  QApplication::setWindowIcon(info.icon);
  QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3").arg(info.major).arg(info.minor).arg(info.revision));

  viewer::GlobalVariables globals;
  platform::QtServices services;
  viewer::frmMain window(globals, services.Get());
  window.Form_Load();
  // The names as the system gave them (QApplication has taken its own options out): a name that
  // is not UTF-8 would not survive a detour through text.
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(argv[i], error);
    files.push_back(error ? std::filesystem::path(argv[i]) : absolute);
  }
  window.OpenFiles(files);
  return QApplication::exec();
}
