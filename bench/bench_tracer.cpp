// Times the tracer's interactive work on the example graph pictures, on Qt's offscreen platform in
// a 1920 x 1080 window: a pointer move over the picture while a reference line is placed and while
// a trace with its markers and the loupe runs (the move's handling and the repaint it causes), and
// Auto Trace over 200 and 100000 steps from 20 Hz to 20 kHz, run by the event loop in slices: its
// whole time and the longest time the window went without handling its events. Then, on the
// 2400 x 1200 picture with 1000 points: Save Session and Open Session (in a second window, with
// the paint that follows), and the session file's size beside the picture's PNG file; and the
// first Save Session of a picture that came from the clipboard, which encodes it once.
//
// Usage: bench_tracer
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>

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

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Save Session and Open Session of the trace in `t` (its picture imported from `pictureFile`).
void TimeSession(fakes::Tracer& t, const QString& pictureFile) {
  tracer::Form1& w = *t.window;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("bench.qtrace"));
  std::vector<double> saves;
  for (int i = 0; i < 11; ++i) {
    const Clock::time_point start = Clock::now();
    w.SaveSessionFile(path);
    saves.push_back(Milliseconds(Clock::now() - start));
  }
  fakes::Tracer u;
  u.window->showNormal();
  u.window->resize(1920, 1080);
  QCoreApplication::processEvents();
  std::vector<double> opens;
  std::vector<double> painted;
  for (int i = 0; i < 11; ++i) {
    u.services.messageBox.answers = {platform::MessageResult::kNo};  // the save question, from the second on
    const Clock::time_point start = Clock::now();
    u.window->OpenSessionFile(path);
    opens.push_back(Milliseconds(Clock::now() - start));
    u.window->Graph[0]->repaint();
    painted.push_back(Milliseconds(Clock::now() - start));
  }
  const qint64 png = QFileInfo(pictureFile).size();
  const qint64 session = QFileInfo(path).size();
  std::printf(
      "  session of %d points (%s): save median %.3f ms (first %.3f); open median %.3f ms (first %.3f),\n"
      "    with its first paint %.3f ms; file %lld bytes = the picture's PNG file %lld + %lld\n",
      u.g.recordedPointCount, u.window->isGraphImported ? "opened" : "REFUSED", Median(saves), saves.front(),
      Median(opens), opens.front(), Median(painted), session, png, session - png);
  // The same picture from the clipboard: its first session encodes it.
  fakes::Tracer c;
  c.Import(QImage(pictureFile));
  const Clock::time_point start = Clock::now();
  c.window->SaveSessionFile(path);
  const double first = Milliseconds(Clock::now() - start);
  const Clock::time_point again = Clock::now();
  c.window->SaveSessionFile(path);
  std::printf("  clipboard picture: first Save Session (encodes it) %.3f ms, the next %.3f ms, file %lld bytes\n",
              first, Milliseconds(Clock::now() - again), QFileInfo(path).size());
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  for (const Picture& p : kPictures) {
    const QString file = QStringLiteral(BENCH_FIXTURES_DIR "/%1.png").arg(QLatin1String(p.name));
    const QImage picture(file);
    fakes::Tracer t;
    tracer::Form1& w = *t.window;
    w.showNormal();
    w.resize(1920, 1080);
    QCoreApplication::processEvents();
    t.services.fileDialog.answers.push_back(file);
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
    // Pick the colour on the curve at 1 kHz: the trace line snaps to it at the start column.
    const QPointF middle = w.FromPicture({(p.lines[0] + p.lines[1]) / 2, 0});
    w.mnuPickColour->trigger();
    for (int y = 0; y < picture.height() && !w.curveColour; ++y) {
      t.Move(float(middle.x()), float(w.FromPicture({0, y + 0.5}).y()));
      t.Click();
      if (!w.curveColour) {
        w.mnuPickColour->trigger();
      }
    }
    TimeAutoTrace(t, p.impedance, 100000);
    TimeAutoTrace(t, p.impedance, 200);
    TimeMoves(t, "tracing (markers and loupe):");
    if (picture.width() == 2400) {
      TimeAutoTrace(t, p.impedance, 999);
      TimeSession(t, file);
    }
  }
  return 0;
}
