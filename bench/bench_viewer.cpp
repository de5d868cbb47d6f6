// Times opening a file in the viewer's window and painting it: reading, drawing the grid and the
// curve, centring, and the first paint of the whole window (on Qt's offscreen platform unless
// another is chosen). Prints the median of several rounds, and the window's peak resident memory
// above its idle size, measured around the first round. Then times a zoom step (View > Zoom In or
// Out) and a wheel scroll, each with the repaint of the whole window; smoothing the curve over 1/3
// octave, alone and as View > Smoothing redraws it; and, for a file of at most 100 000 points, a
// fresh window that opens it with 16 overlays of itself as the command line does, with its first
// paint, a zoom step and its peak memory above its idle size. Each time is the median wall-clock
// time, followed by the median processor time of the process, which a machine busy with other work
// leaves nearly as it is.
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
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Files.h"
#include "GlobalVariables.h"
#include "QtServices.h"
#include "Smoothing.h"
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

// Starts a new peak: VmHWM falls back to the present resident size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Milliseconds of wall-clock time and of the process's processor time.
struct Time {
  double wall = 0;
  double cpu = 0;
};

double ProcessorMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

template <typename Work>
Time Timed(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = ProcessorMs();
  work();
  return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
          ProcessorMs() - cpu};
}

// The medians of the wall-clock and processor times, as text.
std::string Median(const std::vector<Time>& times) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (const Time& t : times) {
    wall.push_back(t.wall);
    cpu.push_back(t.cpu);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  char text[64];
  std::snprintf(text, sizeof text, "%7.1f ms (cpu %5.1f ms)", wall[wall.size() / 2], cpu[cpu.size() / 2]);
  return text;
}

// A window that opens `path` with 16 overlays of itself, as `vostrel FILE FILE ...` does.
void BenchOverlays(const QString& path, int points, int rounds) {
  constexpr std::size_t kFiles = 1 + viewer::kMaxOverlays;
  const std::vector<std::filesystem::path> files(kFiles, platform::NativePath(path));
  std::vector<Time> opens;
  std::vector<Time> zooms;
  double peak = 0;
  double idle = 0;
  for (int round = 0; round < rounds; ++round) {
    viewer::GlobalVariables globals;
    platform::QtServices services;
    viewer::frmMain window(globals, services.Get());
    window.Form_Load();
    window.repaint();
    if (round == 0) {
      idle = StatusMb("VmRSS:");
      ResetPeak();
    }
    opens.push_back(Timed([&] {
      window.OpenFiles(files);
      window.repaint();
    }));
    if (round == 0) {
      peak = StatusMb("VmHWM:") - idle;
    }
    zooms.push_back(Timed([&] {
      window.mnuZoomIn_Click();
      window.repaint();
    }));
  }
  const double own = static_cast<double>(kFiles) * points * 3 * sizeof(double) / (1024.0 * 1024.0);
  std::printf("open with %zu overlays and paint         %s, peak %.1f MB above idle for %.1f MB of points\n",
              viewer::kMaxOverlays, Median(opens).c_str(), peak, own);
  std::printf("zoom step and repaint, with %zu overlays  %s (median of %d)\n", viewer::kMaxOverlays,
              Median(zooms).c_str(), rounds);
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

  int points = 0;
  {
    viewer::GlobalVariables globals;
    platform::QtServices services;
    viewer::frmMain window(globals, services.Get());
    window.Form_Load();
    window.repaint();
    const double idle = StatusMb("VmRSS:");
    ResetPeak();

    std::vector<Time> times;
    double peak = 0;
    for (int round = 0; round < rounds; ++round) {
      times.push_back(Timed([&] {
        window.OpenFileByKind(path);
        window.repaint();
      }));
      if (round == 0) {
        peak = StatusMb("VmHWM:") - idle;
      }
      if (!globals.dataLoaded) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
      }
    }
    points = globals.loadedData.PointCount();
    std::vector<Time> zooms;
    std::vector<Time> scrolls;
    const auto wheel = [&window](int notches) {
      const QPointF at(window.pctGraph->width() / 2.0, window.pctGraph->height() / 2.0);
      QWheelEvent event(at, at, QPoint(), QPoint(0, notches * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                        false);
      QCoreApplication::sendEvent(window.pctGraph, &event);
    };
    for (int round = 0; round < rounds; ++round) {
      zooms.push_back(Timed([&] {
        window.mnuZoomIn_Click();
        window.repaint();
      }));
      scrolls.push_back(Timed([&] {
        wheel(round % 2 == 0 ? -1 : 1);
        window.repaint();
      }));
      zooms.push_back(Timed([&] {
        window.mnuZoomOut_Click();
        window.repaint();
      }));
    }
    std::vector<Time> smoothings;
    std::vector<Time> smoothedRedraws;
    // With the logarithms of the frequencies at hand, as the window keeps them for drawing.
    std::vector<double> logs;
    for (int i = data::ResponseSet::kFirstPoint; i <= globals.loadedData.LastIndex(); ++i) {
      logs.push_back(viewer::GlobalVariables::SafeLog10(globals.loadedData[i][data::kFrequency]));
    }
    for (int round = 0; round < rounds; ++round) {
      smoothings.push_back(Timed([&] { viewer::SmoothedMagnitudes(globals.loadedData, 3, true, logs); }));
      smoothedRedraws.push_back(Timed([&] {
        window.mnuSmoothingItems[5]->trigger();  // 1/3 octave
        window.repaint();
      }));
      window.mnuSmoothingItems[0]->trigger();
    }
    const double own = points * 4.0 * sizeof(double) / (1024.0 * 1024.0);
    std::printf(
        "open and paint %-26s %s (median of %d), peak %.1f MB above idle %.1f MB, for %.1f MB of "
        "points and their logarithms\n",
        QFileInfo(path).fileName().toLocal8Bit().constData(), Median(times).c_str(), rounds, peak, idle, own);
    std::printf("zoom step and repaint                      %s\n", Median(zooms).c_str());
    std::printf("wheel scroll and repaint                   %s\n", Median(scrolls).c_str());
    std::printf("smoothing %7d points over 1/3 octave   %s\n", points, Median(smoothings).c_str());
    std::printf("View > Smoothing 1/3 octave and repaint    %s\n", Median(smoothedRedraws).c_str());
  }
  if (points <= 100000) {
    BenchOverlays(path, points, rounds);
  }
  return 0;
}
