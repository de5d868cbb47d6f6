// Times the tracer's interactive work on the example graph pictures, on Qt's offscreen platform in
// a 1920 x 1080 window: a pointer move over the picture while a reference line is placed and while
// a trace with its markers and the loupe runs (the move's handling and the repaint it causes), and
// Auto Trace over 200 steps from 20 Hz to 20 kHz.
//
// Usage: bench_tracer
#include <QApplication>
#include <QFile>
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

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  for (const Picture& p : kPictures) {
    const QImage picture(QStringLiteral(BENCH_FIXTURES_DIR "/%1.png").arg(QLatin1String(p.name)));
    fakes::Tracer t;
    tracer::Form1& w = *t.window;
    w.showNormal();
    w.resize(1920, 1080);
    QCoreApplication::processEvents();
    t.Import(picture);
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
    for (int y = 0; y < picture.height() && !w.curvePick; ++y) {
      t.Move(float(middle.x()), float(w.FromPicture({0, y + 0.5}).y()));
      t.Click();
      if (!w.curvePick) {
        w.mnuPickColour->trigger();
      }
    }
    const Clock::time_point start = Clock::now();
    w.mnuAutoTrace->trigger();
    QCoreApplication::processEvents();
    std::printf("  Auto Trace, %d points and the repaint: %8.3f ms\n", t.g.recordedPointCount,
                Milliseconds(Clock::now() - start));
    TimeMoves(t, "tracing (markers and loupe):");
  }
  return 0;
}
