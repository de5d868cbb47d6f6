// Vostrel: a viewer for frequency response (FRD) and impedance (ZMA, ZDA) files.
//   vostrel [FILE]   opens FILE at start-up, as a file manager's double-click does
#include <QApplication>
#include <QFileInfo>

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
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) {
    window.OpenFileByKind(QFileInfo(arguments.at(1)).absoluteFilePath());
  }
  return QApplication::exec();
}
