// Auto Register: its time on the 2400 x 1200 example picture through the window's command (the
// first in a window, which starts the text engine, and the later ones), and,
// given a folder of pictures made by tools/make_test_graphs.py, how often and how exactly it
// registers their axes against the truth written beside each picture.
//
// Usage: bench_autoregister [FOLDER]
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "AutoRegister.h"
#include "PictureLean.h"
#include "TesseractReader.h"
#include "TracerFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void TimeExample() {
  const QImage picture(QStringLiteral(BENCH_FIXTURES_DIR "/graph-impedance-2400x1200.png"));
  // The first command in a window starts the engine; the later ones find it started.
  std::vector<double> first;
  std::vector<double> later;
  for (int window = 0; window < 3; ++window) {
    fakes::Tracer t;
    t.Import(picture);
    for (int run = 0; run < 4; ++run) {
      const Clock::time_point start = Clock::now();
      t.window->mnuAutoRegister->trigger();
      (run == 0 ? first : later).push_back(Milliseconds(Clock::now() - start));
      if (window == 0 && run == 0) {
        std::printf("%s\n", qPrintable(t.Panel(4)));
      }
    }
  }
  std::sort(first.begin(), first.end());
  std::sort(later.begin(), later.end());
  // The parts: starting the engine, finding the lines, the rest (labels found, read and matched).
  const Clock::time_point a = Clock::now();
  const std::unique_ptr<tracer::TesseractReader> reader = tracer::TesseractReader::Start();
  const Clock::time_point b = Clock::now();
  const tracer::StraightLines lines = tracer::StraightLineFinder().Find(picture);
  const Clock::time_point c = Clock::now();
  tracer::FindAxes(picture, lines, *reader);
  const Clock::time_point d = Clock::now();
  std::printf(
      "Auto Register on graph-impedance-2400x1200.png: the first in a window median %.0f ms (worst %.0f of 3), "
      "the later ones median %.0f ms (worst %.0f of 9); engine start %.0f ms, lines %.0f ms, labels read and "
      "matched %.0f ms\n",
      first[1], first[2], later[4], later[8], Milliseconds(b - a), Milliseconds(c - b), Milliseconds(d - c));
}

struct Line {
  double value, centre, tick;  // the grid line's centre and the tick mark's on the picture
};

struct Truth {
  std::vector<Line> lines;
  bool present = false;
};

Truth ReadLines(const QJsonArray& array) {
  Truth t;
  t.present = true;
  for (const QJsonValue& pair : array) {
    const QJsonArray a = pair.toArray();
    t.lines.push_back({a[0].toDouble(), a[1].toDouble(), a[2].toDouble()});
  }
  return t;
}

// How far a registered reference lies from the grid line or tick mark of its value, whichever is
// nearer (pixels); infinite where its value is no label of the axis.
double Error(const tracer::LabelledLine& r, const Truth& truth) {
  for (const Line& line : truth.lines) {
    if (std::fabs(line.value - r.value) <= 1e-9 * std::max(1.0, std::fabs(line.value))) {
      return std::min(std::fabs(r.position - line.centre), std::fabs(r.position - line.tick));
    }
  }
  return INFINITY;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  TimeExample();
  if (argc < 2) {
    return 0;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  int pictures = 0, complete = 0, wrong = 0, imprecise = 0, labelled = 0;
  double worst = 0;
  const std::unique_ptr<tracer::TesseractReader> reader = tracer::TesseractReader::Start();
  for (const QString& name : folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
    QFile file(folder.filePath(name));
    file.open(QIODevice::ReadOnly);
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    QImage picture(folder.filePath(o[QLatin1String("picture")].toString()));
    // As the import does: a tilted picture is straightened first.
    if (const std::optional<double> lean = tracer::LeanMeter().Measure(picture); lean && std::fabs(*lean) >= 0.05) {
      picture = tracer::Straighten(picture, *lean);
    }
    const Truth frequency = ReadLines(o[QLatin1String("frequency")].toArray());
    Truth decibel, ohm;
    for (const char* side : {"left", "right"}) {
      const QJsonObject s = o[QLatin1String(side)].toObject();
      if (!s.isEmpty()) {
        (s[QLatin1String("unit")].toString() == QLatin1String("dB") ? decibel : ohm) =
            ReadLines(s[QLatin1String("lines")].toArray());
      }
    }
    const bool hasLabels = o[QLatin1String("labelled")].toBool();
    const tracer::AxesFound axes = tracer::FindAxes(picture, tracer::StraightLineFinder().Find(picture), *reader);
    std::optional<bool> answer;
    if (tracer::NeedsUnitQuestion(axes)) {
      answer = o[QLatin1String("left")].toObject()[QLatin1String("unit")].toString() == QLatin1String("ohm");
    }
    const tracer::VerticalAxes vertical = tracer::ChooseVerticalAxes(axes, answer);
    // Each registered axis against its truth: every reference on a labelled line with its value.
    QString report;
    bool all = hasLabels;
    bool anyWrong = false;
    const auto judge = [&](const char* what, const std::optional<tracer::AxisFound>& found, const Truth& truth) {
      if (!found) {
        all = all && !truth.present;
        report += QStringLiteral(" %1 -").arg(QLatin1String(what));
        return;
      }
      const double e = std::max(Error(found->low, truth), Error(found->high, truth));
      report += QStringLiteral(" %1 %2..%3 (%4 px)")
                    .arg(QLatin1String(what))
                    .arg(found->low.value)
                    .arg(found->high.value)
                    .arg(e, 0, 'f', 2);
      if (!truth.present || !hasLabels || !(e <= 1.0)) {
        anyWrong = true;
      } else {
        worst = std::max(worst, e);
        imprecise += e > 0.3 ? 1 : 0;
      }
      all = all && truth.present;
    };
    judge("frequency", axes.frequency, frequency);
    judge("dB", vertical.amplitude, decibel);
    judge("ohm", vertical.impedance, ohm);
    ++pictures;
    labelled += hasLabels ? 1 : 0;
    complete += all && !anyWrong ? 1 : 0;
    wrong += anyWrong ? 1 : 0;
    std::printf("%-16s %s%s%s\n", qPrintable(name),
                all && !anyWrong ? "all"
                : hasLabels      ? "part"
                                 : "none",
                anyWrong ? " WRONG" : "", qPrintable(report));
  }
  std::printf(
      "%d pictures (%d with tick labels): every axis registered on %d, a wrong registration on %d, "
      "%d references beyond 0.3 px of their line, the worst %.2f px\n",
      pictures, labelled, complete, wrong, imprecise, worst);
  return 0;
}
