// A graph picture with a known truth traced through the tracer window as a user would: import
// (straightened where it leans), the references registered where the grid lines cross the
// picture's middle, a limited trace, the curve picked, Auto Trace, a point by hand on the truth
// wherever Auto Trace says it lost the curve, then the saved file read back and compared with
// the truth. Shared by the tests and the judge in bench/.
#pragma once

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "PictureLean.h"
#include "TracerFixture.h"

namespace fakes {

struct GraphCase {
  QString picture;  // its path
  QSize size;       // as drawn
  bool impedance = false;
  bool linearOhm = false;
  double freq[2][2] = {};   // {Hz, x where the line crosses the middle row}, low then high
  double level[2][2] = {};  // {dB or ohm, y where the line crosses the middle column}
  int start = 20;
  int stop = 20000;
  int points = 200;
  double pickHz = 1000;
  std::vector<std::pair<double, double>> truth;  // frequency, value: the data plotted
};

struct GraphResult {
  int written = 0;
  std::vector<double> hand;  // the frequencies of the points placed by hand
  double worst = 0;          // of the points Auto Trace recorded: dB, or % of the impedance
  // Frequency and error of the points that Auto Trace recorded beyond the goal (0.5 dB or 2 %):
  // wrong points that look like data. Those placed by hand are on the truth.
  std::vector<std::pair<double, double>> beyond;
  int handBeyond = 0;  // points by hand beyond the goal all the same (the window's own rounding)
  QString status;      // what the status bar said at the end
  QString failure;
  // Per written point: where it was measured and where the truth lies there (picture pixels),
  // its error, and whether it was placed by hand.
  struct Point {
    double f;
    double error;
    QPointF at;
    QPointF truth;
    bool byHand;
  };
  std::vector<Point> points;
  QImage straightened;  // the picture as shown, where the import straightened it
};

// The truth at frequency f, linear over log f between its points.
inline double TruthAt(const std::vector<std::pair<double, double>>& truth, double f) {
  const auto it = std::lower_bound(truth.begin(), truth.end(), f, [](const auto& t, double v) { return t.first < v; });
  if (it == truth.begin() || it == truth.end()) {
    return it == truth.end() ? truth.back().second : it->second;
  }
  const auto& a = *(it - 1);
  return a.second + (std::log(f / a.first) / std::log(it->first / a.first)) * (it->second - a.second);
}

// A case from a .json in the real-style fixtures' format, its picture and truth beside it.
inline std::optional<GraphCase> ReadGraphCase(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
  const QJsonObject j = document.object();
  // (Two references each way, each a value and a place: else the case is unreadable, as is a file
  // that is no JSON, one with a NaN written in for a place measured, say.)
  const auto pairs = [&j](const char* key) {
    const QJsonArray refs = j[QLatin1String(key)].toArray();
    return refs.size() == 2 && refs[0].toArray().size() == 2 && refs[1].toArray().size() == 2;
  };
  if (error.error != QJsonParseError::NoError || !pairs("freq_refs") || !pairs("level_refs")) {
    return std::nullopt;
  }
  const QString dir = QFileInfo(path).path() + QLatin1Char('/');
  GraphCase c;
  c.picture = dir + j[QLatin1String("picture")].toString();
  c.size = QSize(j[QLatin1String("width")].toInt(), j[QLatin1String("height")].toInt());
  c.impedance = j[QLatin1String("kind")].toString() == QLatin1String("ohm");
  c.linearOhm = j[QLatin1String("ohm_scale")].toString() == QLatin1String("lin");
  for (int i = 0; i < 2; ++i) {
    for (int k = 0; k < 2; ++k) {
      c.freq[i][k] = j[QLatin1String("freq_refs")].toArray()[i].toArray()[k].toDouble();
      c.level[i][k] = j[QLatin1String("level_refs")].toArray()[i].toArray()[k].toDouble();
    }
  }
  c.start = j[QLatin1String("start")].toInt();
  c.stop = j[QLatin1String("stop")].toInt();
  c.points = j[QLatin1String("points")].toInt();
  c.pickHz = j[QLatin1String("pick_hz")].toDouble();
  QFile truth(dir + j[QLatin1String("truth")].toString());
  if (!truth.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  while (!truth.atEnd()) {
    const QList<QByteArray> parts = truth.readLine().simplified().split(' ');
    if (parts.size() >= 2 && !parts[0].startsWith('#')) {
      c.truth.emplace_back(parts[0].toDouble(), parts[1].toDouble());
    }
  }
  return c;
}

// `window`: the window's size (the screen's when empty); `snap`: Snap to Lines (off: the references
// go exactly where the case puts them).
inline GraphResult TraceGraph(const GraphCase& c, QSize window = {}, bool snap = false) {
  GraphResult result;
  Tracer t;
  tracer::Form1& w = *t.window;
  if (!window.isEmpty()) {
    w.showNormal();
    w.resize(window);
    QCoreApplication::processEvents();
  }
  w.mnuSnapLines->setChecked(snap);
  w.ImportPictureFile(c.picture);
  if (!w.isGraphImported || c.truth.size() < 2) {
    result.failure = QStringLiteral("not imported");
    return result;
  }
  // Positions on the picture as shown: turned with it where it was straightened.
  const double lean = w.pictureLean;
  if (lean != 0) {
    result.straightened = w.Graph[1]->Picture();
  }
  const auto shown = [&](QPointF p) { return lean != 0 ? tracer::StraightenedPoint(p, c.size, lean) : p; };
  double x[2];
  double y[2];
  for (int i = 0; i < 2; ++i) {
    x[i] = shown({c.freq[i][1], c.size.height() / 2.0}).x();
    y[i] = shown({c.size.width() / 2.0, c.level[i][1]}).y();
  }
  const bool logValue = c.impedance && !c.linearOhm;
  const auto scaled = [logValue](double v) { return logValue ? std::log10(v) : v; };
  const auto at = [&](double f) {  // where the truth lies at frequency f, picture pixels
    const double u = std::log10(f / c.freq[0][0]) / std::log10(c.freq[1][0] / c.freq[0][0]);
    const double v =
        (scaled(TruthAt(c.truth, f)) - scaled(c.level[0][0])) / (scaled(c.level[1][0]) - scaled(c.level[0][0]));
    return QPointF(x[0] + u * (x[1] - x[0]), y[0] + v * (y[1] - y[0]));
  };
  if (c.impedance) {
    (c.linearOhm ? w.mnuOhmScale1 : w.mnuOhmScale10)->trigger();
  }
  QAction* const freqItems[] = {w.mnuReg100Hz, w.mnuReg10000Hz};
  QAction* const levelItems[] = {c.impedance ? w.mnuReg4Ohm : w.mnuReg60Db, c.impedance ? w.mnuReg16Ohm : w.mnuReg90Db};
  for (int i = 0; i < 2; ++i) {
    t.Register(freqItems[i], QString::number(c.freq[i][0], 'g', 10), float(w.FromPicture({x[i], 0}).x()));
    t.Register(levelItems[i], QString::number(c.level[i][0], 'g', 10), float(w.FromPicture({0, y[i]}).y()));
  }
  t.g = {true, c.start, c.stop, c.points, 0};
  (c.impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
  // The pick on the curve, where its ink shows as the user sees it: a click in a dash's gap that
  // meets nothing, or something else beside the curve (a grid line's dot, another curve crossing
  // there, whose colour then shows nowhere else along this one), is tried again beside it;
  // failing that, the first thing met is kept.
  const auto inkNear = [&](QPointF truth, int reach) {
    const QImage& onScreen = w.Graph[1]->Picture();
    for (int dy = -reach; dy <= reach; ++dy) {
      for (int dx = -reach; dx <= reach; ++dx) {
        const QPoint q(int(std::floor(truth.x())) + dx, int(std::floor(truth.y())) + dy);
        if (onScreen.valid(q) && w.curvePick->style.Cover(onScreen.pixel(q)) >= 0.5) {
          return true;
        }
      }
    }
    return false;
  };
  const auto alongCurve = [&] {
    int showing = 0;
    int all = 0;
    for (int k = -10; k <= 10; ++k) {
      const double f = c.pickHz * std::pow(10.0, k * 0.02);
      if (f >= c.start && f <= c.stop) {
        ++all;
        showing += inkNear(at(f), 2) ? 1 : 0;
      }
    }
    return 2 * showing >= all;
  };
  std::optional<QPointF> first;  // where the first click met something
  for (const int d : {0, 1, -1, 2, -2, 3, -3, 5, -5, 8, -8, 13, -13, 21, -21, 34, -34, 55, -55}) {
    const QPointF truth = at(c.pickHz * std::pow(10.0, d * 0.002));
    const QPointF p = w.FromPicture(truth);
    t.Move(float(p.x()), float(p.y()));
    w.mnuPickColour->trigger();
    t.Click();
    if (!w.curvePick) {
      continue;
    }
    first = first ? first : p;
    if (inkNear(truth, 1) && alongCurve()) {
      break;
    }
    w.curvePick.reset();
  }
  if (!w.curvePick && first) {
    t.Move(float(first->x()), float(first->y()));
    w.mnuPickColour->trigger();
    t.Click();
  }
  if (!w.curvePick) {
    result.failure = QStringLiteral("no curve at the pick");
    return result;
  }
  const QString lost = QStringLiteral("Curve lost here: place the point by hand, then Auto Trace again");
  std::vector<bool> byHand;
  while (t.g.recordedPointCount <= t.g.tracePointLimit && result.hand.size() < 1000) {
    t.AutoTrace();
    if (t.Panel(4) != lost) {
      break;
    }
    // By hand: the trace line onto the truth in the marked column.
    const double column = w.ToPicture({w.lnTrace->X2() - float(w.traceXOffset), 0}).x();
    const double f = c.freq[0][0] * std::pow(c.freq[1][0] / c.freq[0][0], (column - x[0]) / (x[1] - x[0]));
    const int before = t.g.recordedPointCount;
    t.Move(0, float(w.FromPicture(at(f)).y()));
    t.Click();
    result.hand.push_back(f);
    if (t.g.recordedPointCount == before) {
      break;
    }
    byHand.resize(std::size_t(t.g.recordedPointCount), false);
    byHand[std::size_t(before)] = true;
  }
  byHand.resize(std::size_t(std::max(0, t.g.recordedPointCount)), false);
  result.status = t.Panel(4);
  QTemporaryDir temp;
  for (const QByteArray& line : t.SaveTo(temp.filePath(QStringLiteral("traced"))).split('\n')) {
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.size() < 2) {
      continue;
    }
    const double f = parts[0].toDouble();
    const double v = parts[1].toDouble();
    const double expected = TruthAt(c.truth, f);
    const double error = c.impedance ? std::fabs(v / expected - 1) * 100 : std::fabs(v - expected);
    const auto k = std::size_t(result.written++);
    const bool hand = k < byHand.size() && byHand[k];
    const bool beyond = error > (c.impedance ? 2.0 : 0.5);
    if (hand) {
      result.handBeyond += beyond ? 1 : 0;
    } else {
      result.worst = std::max(result.worst, error);
      if (beyond) {
        result.beyond.emplace_back(f, error);
      }
    }
    if (k < w.tracePlaces.size()) {
      result.points.push_back({f, error, w.tracePlaces[k].onPicture, at(f), hand});
    }
  }
  return result;
}

}  // namespace fakes
