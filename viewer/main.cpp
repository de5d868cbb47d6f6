// Vostrel: a viewer for frequency response (FRD) and impedance (ZMA, ZDA) files.
#include <QApplication>

#include "GlobalVariables.h"
#include "QtServices.h"
#include "frmMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vostrel"));
  QApplication::setApplicationVersion(QStringLiteral("1.0.1"));

  viewer::GlobalVariables globals;
  platform::QtServices services;
  viewer::frmMain window(globals, services.Get());
  window.Form_Load();
  return QApplication::exec();
}
