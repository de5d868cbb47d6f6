// The data tools' computations without their dialogs: the interpolation with its ramps and its
// search cursor, the four grid walks, and the smoothing of a drawn curve.
#include <QtTest>
#include <cmath>

#include "DataTools.h"
#include "GlobalVariables.h"
#include "Smoothing.h"
#include "ViewerFixture.h"

using data::ResponseSet;
using fakes::SetOf;

namespace {

double L(double x) { return viewer::GlobalVariables::SafeLog10(x); }

// Linear on the log axis through (xa, ya) and (xb, yb).
double Between(double x, double xa, double ya, double xb, double yb) { return (x - xa) / (xb - xa) * (yb - ya) + ya; }

// The summary rows hold the minima and maxima of the points' columns 0..2.
void CheckSummary(const ResponseSet& set) {
  std::array<double, 3> low{99999, 99999, 99999};
  std::array<double, 3> high{-99999, -99999, -99999};
  for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
    for (std::size_t c = 0; c < 3; ++c) {
      low[c] = std::min(low[c], set[i][c]);
      high[c] = std::max(high[c], set[i][c]);
    }
  }
  for (std::size_t c = 0; c < 3; ++c) {
    QCOMPARE(set.Minima()[c], low[c]);
    QCOMPARE(set.Maxima()[c], high[c]);
  }
}

}  // namespace

Q_DECLARE_METATYPE(ResponseSet)

class tst_datatools : public QObject {
  Q_OBJECT

 private slots:
  void interpolate_data() {
    QTest::addColumn<ResponseSet>("source");
    QTest::addColumn<double>("f");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("cursorAfter");
    // Starts below 10 Hz and ends at or below 10 kHz, and the other way round.
    const ResponseSet low = SetOf({{5, 20, 0}, {50, 40, 0}, {500, 30, 0}, {5000, 10, 0}});
    const ResponseSet high = SetOf({{20, 20, 0}, {200, 40, 0}, {2000, 30, 0}, {20000, 10, 0}});
    const ResponseSet negative = SetOf({{5, -20, 0}, {50, 40, 0}, {5000, -10, 0}});
    const ResponseSet lastTwoEqual = SetOf({{100, 10, 0}, {1000, 20, 0}, {1000, 30, 0}});
    QTest::newRow("cursor raised to 2") << high << 100.0 << 0 << true << Between(L(100), L(20), 20, L(200), 40) << 2;
    QTest::newRow("cursor moves on") << high << 1000.0 << 2 << true << Between(L(1000), L(200), 40, L(2000), 30) << 3;
    QTest::newRow("cursor already past f") << high << 100.0 << 4 << false << 0.0 << 4;
    QTest::newRow("below 1 Hz") << low << 0.999 << 2 << false << 0.0 << 2;
    QTest::newRow("above 100 kHz") << high << 100000.01 << 2 << false << 0.0 << 2;
    QTest::newRow("ramp from 0 at 1 Hz") << low << 2.0 << 2 << true << Between(L(2), 0, 0, L(5), 20) << 2;
    QTest::newRow("ramp to 0 at 100 kHz") << high << 50000.0 << 2 << true << Between(L(50000), L(20000), 10, 5, 0) << 2;
    QTest::newRow("source ending at 10 kHz: nothing above")
        << SetOf({{20, 20, 0}, {10000, 10, 0}}) << 12000.0 << 2 << false << 0.0 << 2;
    QTest::newRow("negative first magnitude: no ramp") << negative << 2.0 << 2 << false << 0.0 << 2;
    QTest::newRow("negative last magnitude: no ramp") << negative << 7000.0 << 2 << false << 0.0 << 2;
    QTest::newRow("equal frequencies: partner is the next higher")
        << SetOf({{100, 10, 0}, {200, 20, 0}, {200, 30, 0}, {400, 40, 0}}) << 300.0 << 2 << true
        << Between(L(300), L(200), 20, L(400), 40) << 3;
    QTest::newRow("last two equal, between them") << lastTwoEqual << 1000.0 << 3 << false << 0.0 << 3;
    QTest::newRow("above last two") << lastTwoEqual << 2000.0 << 2 << true << Between(L(2000), L(1000), 30, 4, 0) << 2;
    // The first point lies above the rest: between the last and the first frequency no pair
    // encloses f, and there is no value rather than a made-up 0.
    QTest::newRow("unenclosed") << SetOf({{100, 10, 0}, {50, 20, 0}, {70, 30, 0}}) << 80.0 << 2 << false << 0.0 << 2;
    QTest::newRow("no points") << ResponseSet() << 100.0 << 2 << false << 0.0 << 2;
  }
  void interpolate() {
    QFETCH(ResponseSet, source);
    QFETCH(double, f);
    QFETCH(int, cursor);
    QFETCH(bool, found);
    QFETCH(double, value);
    QFETCH(int, cursorAfter);
    viewer::MagnitudeInterpolator interpolator(source, cursor);
    const std::optional<double> result = interpolator.At(f);
    QCOMPARE(result.has_value(), found);
    if (found) {
      QVERIFY2(std::abs(*result - value) < 1e-9, qPrintable(QString::number(*result, 'g', 17)));
    }
    QCOMPARE(interpolator.Cursor(), cursorAfter);
  }

  // Grids on a source whose magnitude is 10 * log10(f) from 1 Hz to 100 kHz.
  void grids_data() {
    QTest::addColumn<bool>("linear");
    QTest::addColumn<bool>("perDecade");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<int>("points");
    QTest::addColumn<QList<double>>("expected");
    QTest::newRow("linear, entire range: stop not reached")
        << true << false << 100.0 << 1000.0 << 10 << QList<double>{100, 190, 280, 370, 460, 550, 640, 730, 820, 910};
    QTest::newRow("linear, per decade: the step grows at 10 Hz")
        << true << true << 1.0 << 100.0 << 10
        << QList<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
    QTest::newRow("log") << false << false << 10.0 << 1000.0 << 4 << QList<double>{10, 31.6228, 100, 316.2278, 1000};
    QTest::newRow("log per decade") << false << true << 20.0 << 40.0 << 10
                                    << QList<double>{20, 25.1785, 31.6979, 39.9053};
    // Equal start and stop: one grid frequency in every walk, however the step comes out.
    QTest::newRow("equal, linear, entire range") << true << false << 500.0 << 500.0 << 10 << QList<double>{500};
    QTest::newRow("equal, linear, per decade") << true << true << 500.0 << 500.0 << 10 << QList<double>{500};
    QTest::newRow("equal, log, entire range") << false << false << 500.0 << 500.0 << 10 << QList<double>{500};
    QTest::newRow("equal, log, per decade") << false << true << 500.0 << 500.0 << 10 << QList<double>{500};
  }
  void grids() {
    QFETCH(bool, linear);
    QFETCH(bool, perDecade);
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(int, points);
    QFETCH(QList<double>, expected);
    const ResponseSet line = SetOf({{1, 0, 5}, {100000, 50, -5}});
    const viewer::NormalizeSettings settings{start, stop, points, perDecade};
    const ResponseSet set = linear ? viewer::NormalizeLinear(line, settings) : viewer::NormalizeLog(line, settings);
    QList<double> got;
    for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
      got.append(set[i][data::kFrequency]);
      QVERIFY(std::abs(set[i][data::kMagnitude] - 10 * L(set[i][data::kFrequency])) < 1e-3);
      QCOMPARE(set[i][data::kPhase], 0.0);
    }
    // A later frequency meant to equal the stop may land just above it by the repeated power.
    if (!linear && got.size() + 1 == expected.size() && expected.size() > 1 && qFuzzyCompare(expected.last(), stop)) {
      expected.removeLast();
    }
    QCOMPARE(got, expected);
    CheckSummary(set);
  }

  // Ten points a tenth of an octave apart around 1 kHz with a step in level there: over 1/3
  // octave (a sixth either side) each window holds a point and its two neighbours, so only the
  // two points at the step move. By hand: 10 log10((2 x 10^6 + 10^8) / 3) = 75.3147892 and
  // 10 log10((10^6 + 2 x 10^8) / 3) = 78.2607480; of ohms, (4 + 4 + 8) / 3 and (4 + 8 + 8) / 3.
  void smoothing_data() {
    QTest::addColumn<bool>("power");
    QTest::addColumn<int>("fraction");
    QTest::addColumn<QList<double>>("levels");
    QTest::addColumn<bool>("swapped");  // the step's two points exchanged: frequencies out of order
    QTest::addColumn<QList<double>>("expected");
    const QList<double> db{60, 60, 60, 60, 60, 80, 80, 80, 80, 80};
    const QList<double> ohm{4, 4, 4, 4, 4, 8, 8, 8, 8, 8};
    QTest::newRow("dB step, 1/3 octave") << true << 3 << db << false
                                         << QList<double>{60, 60, 60, 60, 75.3147892, 78.2607480, 80, 80, 80, 80};
    QTest::newRow("ohm step, 1/3 octave")
        << false << 3 << ohm << false << QList<double>{4, 4, 4, 4, 16 / 3.0, 20 / 3.0, 8, 8, 8, 8};
    QTest::newRow("1/12 octave: each point alone") << true << 12 << db << false << db;
    QTest::newRow("frequencies out of order")
        << true << 3 << db << true << QList<double>{60, 60, 60, 60, 75.3147892, 78.2607480, 80, 80, 80, 80};
    // No power is left of -99999 dB beside 80 dB: the windows of such levels keep their mean
    // level instead of an infinitely low one.
    QTest::newRow("levels beyond the power's range")
        << true << 3 << QList<double>{-99999, -99999, -99999, -99999, -99999, 80, 80, 80, 80, 80} << false
        << QList<double>{-99999, -99999, -99999, -99999, 75.2287875, 78.2390874, 80, 80, 80, 80};
  }
  void smoothing() {
    QFETCH(bool, power);
    QFETCH(int, fraction);
    QFETCH(QList<double>, levels);
    QFETCH(bool, swapped);
    QFETCH(QList<double>, expected);
    std::vector<std::array<double, 3>> points;
    for (int k = 0; k < levels.size(); ++k) {
      points.push_back({1000 * std::pow(2.0, (k - 5) / 10.0), levels[k], 0});
    }
    if (swapped) {
      std::swap(points[4], points[5]);
      std::swap(expected[4], expected[5]);
    }
    const std::vector<double> smoothed = viewer::SmoothedMagnitudes(SetOf(points), fraction, power);
    QCOMPARE(int(smoothed.size()), expected.size());
    for (int k = 0; k < expected.size(); ++k) {
      QVERIFY2(std::abs(smoothed[std::size_t(k)] - expected[k]) < 1e-6, qPrintable(QString::number(k)));
    }
  }

  // A file of 24 points an octave, its frequencies written to five significant digits, has a point
  // at each edge of every 1/3-octave window, a little inside or outside it by the rounding. Each
  // window holds all nine, so a straight line (here in ohms against the point's index) stays
  // straight rather than becoming a staircase.
  void smoothingWindowEdges() {
    std::vector<std::array<double, 3>> points;
    for (int k = 0; k < 100; ++k) {
      const double f = 20 * std::pow(2.0, k / 24.0);
      const double scale = std::pow(10.0, std::floor(std::log10(f)) - 4);
      points.push_back({std::round(f / scale) * scale, double(k), 0});
    }
    const std::vector<double> smoothed = viewer::SmoothedMagnitudes(SetOf(points), 3, false);
    for (std::size_t k = 4; k < 96; ++k) {
      QVERIFY2(std::abs(smoothed[k] - double(k)) < 1e-9, qPrintable(QString::number(k)));
    }
  }
};

QTEST_GUILESS_MAIN(tst_datatools)
#include "tst_datatools.moc"
