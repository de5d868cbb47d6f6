// Judges Auto Trace on graph pictures with a known truth, driving the real tracer window offscreen
// in a 1920 x 1080 window as a user would (tests/support/GraphJudge.h): import (straightened where
// the picture leans), the references registered exactly at the .json's positions (Snap to Lines
// off, unless --snap), a limited trace from `start` to `stop` in `points` steps, the curve picked at
// `pick_hz`, Auto Trace, and where it says it lost the curve a point placed by hand on the truth
// (counted), until the trace is complete; then the saved file is read back and each point compared
// with the plotted data.
//
// Usage: judge_tracer [--snap] [--dump FOLDER] FILE.json...
// Each .json (name, picture, width, height, kind "spl" or "ohm", ohm_scale "lin" or "log",
// freq_refs and level_refs [[value, pixel], ...] where the lines cross the picture's middle,
// start, stop, points, truth, pick_hz) has its picture and .truth.txt beside it. Prints per
// picture the points written, those placed by hand, the worst error of the points Auto Trace
// recorded (dB, or % of the impedance) and those of its points beyond the goal (0.5 dB, 2 %):
// wrong points recorded without a word. With --dump, FOLDER/NAME.points.txt lists every point:
// frequency, error, where it was measured and where the truth lies (picture pixels), by hand;
// and NAME.straightened.png the picture as the import straightened it, where it did.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "GraphJudge.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  bool snap = false;
  QString dump;
  int pictures = 0;
  int good = 0;
  int hand = 0;
  int wrong = 0;
  std::printf("%-30s %7s %5s %9s  %s\n", "picture", "written", "hand", "worst", "auto beyond the goal");
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == QLatin1String("--snap")) {
      snap = true;
      continue;
    }
    if (arg == QLatin1String("--dump") && i + 1 < argc) {
      dump = QString::fromLocal8Bit(argv[++i]);
      QDir().mkpath(dump);
      continue;
    }
    const QString name = QFileInfo(arg).completeBaseName();
    ++pictures;
    const std::optional<fakes::GraphCase> graph = fakes::ReadGraphCase(arg);
    fakes::GraphResult r;
    if (graph) {
      r = fakes::TraceGraph(*graph, QSize(1920, 1080), snap);
    } else {
      r.failure = QStringLiteral("unreadable");
    }
    hand += int(r.hand.size());
    wrong += int(r.beyond.size());
    if (!r.failure.isEmpty()) {
      std::printf("%-30s %s  FAIL\n", qPrintable(name), qPrintable(r.failure));
      continue;
    }
    if (!dump.isEmpty()) {
      QFile out(dump + QLatin1Char('/') + name + QStringLiteral(".points.txt"));
      if (out.open(QIODevice::WriteOnly)) {
        out.write("# f error x y truth_x truth_y by_hand\n");
        if (!r.straightened.isNull()) {
          r.straightened.save(dump + QLatin1Char('/') + name + QStringLiteral(".straightened.png"));
        }
        for (const fakes::GraphResult::Point& p : r.points) {
          out.write(QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                        .arg(p.f, 0, 'g', 7)
                        .arg(p.error, 0, 'f', 4)
                        .arg(p.at.x(), 0, 'f', 3)
                        .arg(p.at.y(), 0, 'f', 3)
                        .arg(p.truth.x(), 0, 'f', 3)
                        .arg(p.truth.y(), 0, 'f', 3)
                        .arg(p.byHand ? 1 : 0)
                        .toLatin1());
        }
      }
    }
    const bool ok = r.beyond.empty() && r.handBeyond == 0 && r.hand.size() <= 3 && r.written > 0;
    good += ok ? 1 : 0;
    QString beyond = QString::number(r.beyond.size());
    for (std::size_t k = 0; k < r.beyond.size() && k < 3; ++k) {
      beyond += QStringLiteral("%1%2 Hz %3")
                    .arg(k == 0 ? " (" : ", ")
                    .arg(r.beyond[k].first, 0, 'f', 0)
                    .arg(r.beyond[k].second, 0, 'f', 2);
    }
    beyond += r.beyond.empty() ? QString() : r.beyond.size() > 3 ? QStringLiteral(", ...)") : QStringLiteral(")");
    if (r.handBeyond > 0) {
      beyond += QStringLiteral(", %1 by hand").arg(r.handBeyond);
    }
    QString hands;
    for (const double f : r.hand) {
      hands += QStringLiteral(" %1").arg(f, 0, 'f', 0);
    }
    std::printf("%-30s %7d %5zu %8.3f%s  %s%s%s\n", qPrintable(name), r.written, r.hand.size(), r.worst,
                graph->impedance ? "%" : " ", qPrintable(beyond), ok ? "" : "  FAIL",
                qEnvironmentVariableIsSet("JUDGE_HAND") ? qPrintable(QStringLiteral("  by hand at") + hands) : "");
  }
  std::printf(
      "%d curves, %d within the goal (every point within it, at most 3 by hand); %d points by hand; %d points "
      "recorded by Auto Trace beyond the goal\n",
      pictures, good, hand, wrong);
  return 0;
}
