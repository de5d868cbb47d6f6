// Times the tracer's interactive work on the example graph pictures, on Qt's offscreen platform in
// a 1920 x 1080 window: a pointer move over the picture while a reference line is placed and while
// a trace with its markers and the loupe runs (the move's handling and the repaint it causes), and
// Auto Trace over 200 and 100000 steps from 20 Hz to 20 kHz, run by the event loop in slices: its
// whole time and the longest time the window went without handling its events; then Auto Trace on
// a 16384 x 2048 picture, and the lean measured on a 16384 x 16384 one beside reading all of its
// pixels. On the 2400 x 1200 picture with 1000 points: Save Session and Open Session (in a second
// window, with the paint that follows), each as the median wall-clock and processor time, and the
// session file's size beside the picture's PNG file; the first Save Session of a picture that came
// from the clipboard, which encodes it once; Open Session of the picture straightened by hand.
//
// Usage: bench_tracer
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

#include "GraphJudge.h"
#include "PictureLean.h"
#include "TracerFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Picture {
  const char* name;
  bool impedance;
  double lines[4];  // picture pixels: x of 100 Hz and 10 kHz, y of the low and high level lines
  const char* values[2];
};

const Picture kPictures[] = {
    {"graph-spl-960x640", false, {268.3033612487734, 844.3033612487734, 476.8, 143.2}, {"60", "90"}},
    {"graph-impedance-2400x1200",
     true,
     {671.2584031219335, 2111.2584031219335, 789.7246845268037, 475.44936905360726},
     {"4", "16"}},
};

// Median and worst time of one pointer move and the repaint it causes, over a sweep of the area.
void TimeMoves(fakes::Tracer& t, const char* what) {
  tracer::Form1& w = *t.window;
  std::vector<double> times;
  const int steps = 400;
  for (int i = 0; i < steps; ++i) {
    const float x = float(w.Graph[0]->Width()) * float(i) / steps;
    const float y = float(w.Graph[0]->Height()) * (0.3F + 0.4F * float(i % 50) / 50);
    const Clock::time_point start = Clock::now();
    t.Move(x, y);
    QCoreApplication::processEvents();
    times.push_back(Milliseconds(Clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  std::printf("  pointer move, %-34s median %6.3f ms, worst %6.3f ms\n", what, times[times.size() / 2], times.back());
  // The bound: the whole graph area and the loupe painted anew.
  const Clock::time_point start = Clock::now();
  w.Graph[0]->repaint();
  std::printf("  whole graph area repainted:                        %6.3f ms\n", Milliseconds(Clock::now() - start));
}

// Auto Trace of `count` steps from a new limited trace, the colour picked before.
void TimeAutoTrace(fakes::Tracer& t, bool impedance, int count) {
  tracer::Form1& w = *t.window;
  t.services.messageBox.answers = {platform::MessageResult::kNo};
  w.mnuTraceStop->trigger();
  t.g = {true, 20, 20000, count, 0};
  (impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
  double longest = 0;
  int slices = 0;
  const Clock::time_point start = Clock::now();
  w.mnuAutoTrace->trigger();
  while (w.isAutoTracing) {
    const Clock::time_point slice = Clock::now();
    QCoreApplication::processEvents();
    longest = std::max(longest, Milliseconds(Clock::now() - slice));
    ++slices;
  }
  std::printf(
      "  Auto Trace, %6d steps: %5d points in %8.3f ms, %4d passes of the event loop, the longest %6.3f ms (%s)\n",
      count, t.g.recordedPointCount, Milliseconds(Clock::now() - start), slices, longest, qPrintable(t.Panel(4)));
}

double ProcessorMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The median wall-clock and processor times of `runs` runs of `work`, as text; the processor time
// stays near the work's own on a machine busy with other work.
template <typename Work>
std::string Median(int runs, Work&& work) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    const double processor = ProcessorMs();
    work();
    cpu.push_back(ProcessorMs() - processor);
    wall.push_back(Milliseconds(Clock::now() - start));
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  char text[64];
  std::snprintf(text, sizeof text, "%7.1f ms (cpu %6.1f ms)", wall[wall.size() / 2], cpu[cpu.size() / 2]);
  return text;
}

// Save Session and Open Session of the trace in `t` (its picture imported from `pictureFile`), in
// a second window of the same size.
void TimeSession(fakes::Tracer& t, const QString& pictureFile) {
  tracer::Form1& w = *t.window;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("bench.qtrace"));
  std::printf("  session of %d points:\n", t.g.recordedPointCount);
  std::printf("    Save Session                             %s\n",
              Median(11, [&] { w.SaveSessionFile(path); }).c_str());
  fakes::Tracer u;
  u.window->showNormal();
  u.window->resize(1920, 1080);
  QCoreApplication::processEvents();
  const auto open = [&u, &path] {
    u.services.messageBox.answers = {platform::MessageResult::kNo};  // the save question, from the second on
    u.window->OpenSessionFile(path);
  };
  std::printf("    Open Session                             %s\n", Median(11, open).c_str());
  const auto painted = [&] {
    open();
    u.window->Graph[0]->repaint();
  };
  std::printf("    Open Session and the first paint         %s\n", Median(11, painted).c_str());
  const qint64 png = QFileInfo(pictureFile).size();
  const qint64 session = QFileInfo(path).size();
  std::printf("    %s: %d points; file %lld bytes = the picture's PNG file %lld + %lld\n",
              u.window->isGraphImported ? "opened" : "REFUSED", u.g.recordedPointCount, session, png, session - png);
  // The same picture from the clipboard: its first session encodes it.
  fakes::Tracer c;
  c.Import(QImage(pictureFile));
  std::printf("    clipboard picture, first Save Session    %s (encodes it)\n",
              Median(1, [&] { c.window->SaveSessionFile(path); }).c_str());
  std::printf("    and the next                             %s, file %lld bytes\n",
              Median(11, [&] { c.window->SaveSessionFile(path); }).c_str(), QFileInfo(path).size());
  // Straightened by hand (the trace goes): opening turns the picture as imported again.
  t.services.messageBox.answers = {platform::MessageResult::kNo};
  w.mnuStraighten->trigger();
  for (const QPointF p : {QPointF(100, 600), QPointF(2300, 610)}) {
    const QPointF at = w.FromPicture(p);
    t.Move(float(at.x()), float(at.y()));
    t.Click();
  }
  w.SaveSessionFile(path);
  std::printf("    straightened by hand, Open Session       %s (%s)\n", Median(5, open).c_str(),
              qPrintable(t.Panel(4)));
}

// A wide picture (16384 x 2048: a black curve on a grid of black lines): Auto Trace of 200 steps
// from 20 Hz to 20 kHz once the curve is picked (the pick finds the picture's lines, once).
void TimeWidePicture() {
  QImage picture(16384, 2048, QImage::Format_RGB32);
  picture.fill(Qt::white);
  const auto curve = [](double x) { return 1024 + 500 * std::sin(x / 1500) + 120 * std::sin(x / 170); };
  {
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    for (int x = 100; x <= 16284; x += 1024) {
      p.drawLine(QPointF(x + 0.5, 100), QPointF(x + 0.5, 1948));
    }
    for (int y = 100; y <= 1948; y += 231) {
      p.drawLine(QPointF(100, y + 0.5), QPointF(16284, y + 0.5));
    }
    p.setPen(QPen(Qt::black, 3));
    QPolygonF line;
    for (double x = 100; x <= 16284; x += 2) {
      line << QPointF(x, curve(x));
    }
    p.drawPolyline(line);
  }
  fakes::Tracer t;
  tracer::Form1& w = *t.window;
  w.showNormal();
  w.resize(1920, 1080);
  QCoreApplication::processEvents();
  Clock::time_point start = Clock::now();
  t.Import(picture);
  std::printf("16384x2048 picture: import (the lean measured) %8.1f ms\n", Milliseconds(Clock::now() - start));
  start = Clock::now();
  t.Register(w.mnuReg100Hz, QStringLiteral("20"), float(w.FromPicture({100.5, 0}).x()));
  std::printf("  a reference placed (the picture's lines found): %8.1f ms\n", Milliseconds(Clock::now() - start));
  t.Register(w.mnuReg10000Hz, QStringLiteral("20000"), float(w.FromPicture({16284.5, 0}).x()));
  t.Register(w.mnuReg60Db, QStringLiteral("60"), float(w.FromPicture({0, 1948.5}).y()));
  t.Register(w.mnuReg90Db, QStringLiteral("90"), float(w.FromPicture({0, 100.5}).y()));
  t.g = {true, 20, 20000, 200, 0};
  w.mnuTraceStartSPL->trigger();
  const QPointF at = w.FromPicture({8000, curve(8000)});
  t.Move(float(at.x()), float(at.y()));
  w.mnuPickColour->trigger();
  start = Clock::now();
  t.Click();
  std::printf("  the curve picked:                  %8.1f ms\n", Milliseconds(Clock::now() - start));
  // The picture shown first (its scaling to the graph area happens once, before any tracing).
  start = Clock::now();
  QCoreApplication::processEvents();
  std::printf("  the first paint (the picture scaled): %8.1f ms\n", Milliseconds(Clock::now() - start));
  // The steps themselves, run in one slice without a deadline; then the same through the event
  // loop, with the repaints between its slices.
  start = Clock::now();
  w.mnuAutoTrace->trigger();
  w.AutoTraceSteps(1000, QDeadlineTimer(QDeadlineTimer::Forever));
  std::printf("  Auto Trace, %d points, the steps:  %8.1f ms (%s)\n", t.g.recordedPointCount,
              Milliseconds(Clock::now() - start), qPrintable(t.Panel(4)));
  t.services.messageBox.answers = {platform::MessageResult::kNo};
  w.mnuTraceStop->trigger();
  w.mnuTraceStartSPL->trigger();
  QCoreApplication::processEvents();
  // The user's wait: from the command to the last point, the window's events handled between the
  // slices; and the longest time it went without handling them.
  double longest = 0;
  int passes = 0;
  start = Clock::now();
  w.mnuAutoTrace->trigger();
  while (w.isAutoTracing) {
    const Clock::time_point pass = Clock::now();
    QCoreApplication::processEvents();
    longest = std::max(longest, Milliseconds(Clock::now() - pass));
    ++passes;
  }
  std::printf("  Auto Trace, %d points, by the event loop: %8.1f ms, %d passes, the longest %6.1f ms (%s)\n",
              t.g.recordedPointCount, Milliseconds(Clock::now() - start), passes, longest, qPrintable(t.Panel(4)));
}

// The lean measured on a 16384 x 16384 picture, beside reading every one of its pixels once.
void TimeLargeLean() {
  QImage picture(16384, 16384, QImage::Format_RGB32);
  picture.fill(Qt::white);
  {
    QPainter p(&picture);
    p.setPen(QPen(Qt::black, 2));
    for (int k = 1; k < 16; ++k) {
      p.drawLine(QPointF(200, k * 1024), QPointF(16184, k * 1024));
      p.drawLine(QPointF(k * 1024, 200), QPointF(k * 1024, 16184));
    }
  }
  Clock::time_point start = Clock::now();
  quint64 sum = 0;
  for (int y = 0; y < picture.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); ++x) {
      sum += row[x] & 0xff;
    }
  }
  std::printf("16384x16384 picture: every pixel read once %8.1f ms (%llu)\n", Milliseconds(Clock::now() - start),
              static_cast<unsigned long long>(sum % 10));
  start = Clock::now();
  const std::optional<double> lean = tracer::LeanMeter().Measure(picture);
  std::printf("  its lean measured (%s):          %8.1f ms\n", lean ? "level" : "none",
              Milliseconds(Clock::now() - start));
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  for (const Picture& p : kPictures) {
    const QString pictureFile = QStringLiteral(BENCH_FIXTURES_DIR "/%1.png").arg(QLatin1String(p.name));
    const QImage picture(pictureFile);
    fakes::Tracer t;
    tracer::Form1& w = *t.window;
    w.showNormal();
    w.resize(1920, 1080);
    QCoreApplication::processEvents();
    t.services.fileDialog.answers.push_back(pictureFile);
    w.mnuImportFile_Click();
    QCoreApplication::processEvents();
    const double sx = w.Graph[0]->Width() / double(picture.width());
    const double sy = w.Graph[0]->Height() / double(picture.height());
    std::printf("%s (%dx%d) in a %dx%d graph area:\n", p.name, picture.width(), picture.height(), w.Graph[0]->width(),
                w.Graph[0]->height());
    t.AnswerValue(QStringLiteral("100"));
    w.mnuReg100Hz->trigger();
    TimeMoves(t, "placing a line (loupe shown):");
    t.Move(float(p.lines[0] * sx), 0);
    t.Click();
    t.Register(w.mnuReg10000Hz, QStringLiteral("10000"), float(p.lines[1] * sx));
    t.Register(p.impedance ? w.mnuReg4Ohm : w.mnuReg60Db, QLatin1String(p.values[0]), float(p.lines[2] * sy));
    t.Register(p.impedance ? w.mnuReg16Ohm : w.mnuReg90Db, QLatin1String(p.values[1]), float(p.lines[3] * sy));
    t.g = {true, 20, 20000, 200, 0};
    (p.impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
    // Pick the curve at 1 kHz, where its truth lies: the trace line snaps to it at the start column.
    std::vector<std::pair<double, double>> truth;
    QFile file(QStringLiteral(BENCH_FIXTURES_DIR "/%1.truth.frd").arg(QLatin1String(p.name)));
    if (file.open(QIODevice::ReadOnly)) {
      while (!file.atEnd()) {
        const QList<QByteArray> parts = file.readLine().simplified().split(' ');
        if (parts.size() >= 2 && !parts[0].startsWith('*')) {
          truth.emplace_back(parts[0].toDouble(), parts[1].toDouble());
        }
      }
    }
    const double level = fakes::TruthAt(truth, 1000);
    const double low = QByteArray(p.values[0]).toDouble();
    const double high = QByteArray(p.values[1]).toDouble();
    const double u = p.impedance ? std::log(level / low) / std::log(high / low) : (level - low) / (high - low);
    const QPointF pick = w.FromPicture({(p.lines[0] + p.lines[1]) / 2, p.lines[2] + u * (p.lines[3] - p.lines[2])});
    t.Move(float(pick.x()), float(pick.y()));
    w.mnuPickColour->trigger();
    t.Click();
    TimeAutoTrace(t, p.impedance, 100000);
    TimeAutoTrace(t, p.impedance, 200);
    TimeMoves(t, "tracing (markers and loupe):");
    if (picture.width() == 2400) {
      TimeAutoTrace(t, p.impedance, 999);
      TimeSession(t, pictureFile);
    }
  }
  TimeWidePicture();
  TimeLargeLean();
  return 0;
}
