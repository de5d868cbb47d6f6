// Times opening a file in the viewer's window and painting it: reading, drawing the grid and the
// curve, centring, and the first paint of the whole window (on Qt's offscreen platform unless
// another is chosen). Prints the median of several rounds, and the window's peak resident memory
// above its idle size, measured around the first round. Then times a zoom step (View > Zoom In or
// Out) and a wheel scroll, each with the repaint of the whole window.
//
// Usage: bench_viewer FILE [ROUNDS]
#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "GlobalVariables.h"
#include "QtServices.h"
#include "frmMain.h"

namespace {

// A field of /proc/self/status in MB ("VmRSS:", "VmHWM:"), or -1 where there is none.
double StatusMb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) {
      return std::stod(line.substr(std::strlen(field))) / 1024.0;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_viewer FILE [ROUNDS]\n");
    return 2;
  }
  const QString path = QString::fromLocal8Bit(argv[1]);
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;

  viewer::GlobalVariables globals;
  platform::QtServices services;
  viewer::frmMain window(globals, services.Get());
  window.Form_Load();
  window.repaint();
  const double idle = StatusMb("VmRSS:");

  std::vector<double> times;
  double peak = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    window.OpenFileByKind(path);
    window.repaint();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    if (round == 0) {
      peak = StatusMb("VmHWM:") - idle;
    }
    if (!globals.dataLoaded) {
      std::fprintf(stderr, "cannot read %s\n", argv[1]);
      return 1;
    }
  }
  const auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  std::vector<double> zooms;
  std::vector<double> scrolls;
  const auto timed = [](auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  };
  const auto wheel = [&window](int notches) {
    const QPointF at(window.pctGraph->width() / 2.0, window.pctGraph->height() / 2.0);
    QWheelEvent event(at, at, QPoint(), QPoint(0, notches * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(window.pctGraph, &event);
  };
  for (int round = 0; round < rounds; ++round) {
    zooms.push_back(timed([&] {
      window.mnuZoomIn_Click();
      window.repaint();
    }));
    scrolls.push_back(timed([&] {
      wheel(round % 2 == 0 ? -1 : 1);
      window.repaint();
    }));
    zooms.push_back(timed([&] {
      window.mnuZoomOut_Click();
      window.repaint();
    }));
  }
  std::sort(times.begin(), times.end());
  std::printf("open and paint %-30s %9.1f ms (median of %d; first %.1f ms), peak %.1f MB above idle %.1f MB\n",
              QFileInfo(path).fileName().toLocal8Bit().constData(), times[times.size() / 2], rounds, times.front(),
              peak, idle);
  std::printf("zoom step and repaint %23s %9.1f ms (median of %d)\n", "", median(zooms), int(zooms.size()));
  std::printf("wheel scroll and repaint %20s %9.1f ms (median of %d)\n", "", median(scrolls), int(scrolls.size()));
  return 0;
}
