// Quelbrin: turns a picture of a published response graph into an FRD or ZMA file.
//   quelbrin [FILE]   opens FILE at start-up: a session (.qtrace) or a graph picture
#include <QApplication>

#include "Form1.h"
#include "GlobalVariables.h"
#include "QtServices.h"
#include "TracerInfo.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const about::AppInfo info = tracer::TracerInfo();
  QApplication::setApplicationName(info.title);
  QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3").arg(info.major).arg(info.minor).arg(info.revision));
  QApplication::setWindowIcon(info.icon);

  tracer::GlobalVariables globals;
  platform::QtServices services;
  tracer::Form1 window(globals, services.Get());
  window.Form_Load();
  // quelbrin FILE: a session or a picture, opened at start-up.
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() > 1) {
    window.OpenFile(arguments[1]);
  }
  return QApplication::exec();
}
