// The data tools' computations without their dialogs: the interpolation with its ramps and its
// search cursor, the four grid walks, and the magnitude shift.
#include <QtTest>
#include <cmath>

#include "DataTools.h"
#include "GlobalVariables.h"
#include "numbers.h"

using data::ResponseSet;
using viewer::NormalizeSettings;

namespace {

double L(double x) { return viewer::GlobalVariables::SafeLog10(x); }

// A source set as the reader leaves it: the points in the given order, the summary rows from
// the reader's own sentinels.
ResponseSet Source(std::initializer_list<std::array<double, 3>> points) {
  ResponseSet set;
  set.ResetSummary(999999, -999999);
  for (const auto& p : points) {
    set.Resize(set.LastIndex() + 1);
    set[set.LastIndex()].value = {p[0], p[1], p[2], 0};
    set.IncludeInSummary(set[set.LastIndex()]);
  }
  return set;
}

// Magnitude 10 * log10(f) from 1 Hz to 100 kHz: every grid frequency tells its own magnitude.
ResponseSet Line() { return Source({{1, 0, 5}, {100000, 50, -5}}); }

// Linear on the log axis through (xa, ya) and (xb, yb).
double Between(double x, double xa, double ya, double xb, double yb) { return (x - xa) / (xb - xa) * (yb - ya) + ya; }

QList<double> Frequencies(const ResponseSet& set) {
  QList<double> list;
  for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
    list.append(set[i][data::kFrequency]);
  }
  return list;
}

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

// A re-sampled set: every phase 0, and the summary of its points.
void CheckPoints(const ResponseSet& set) {
  for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
    QCOMPARE(set[i][data::kPhase], 0.0);
  }
  CheckSummary(set);
}

// A run that found nothing keeps its starting bounds 0..3 with the sentinels.
void CheckNothingFound(const ResponseSet& set) {
  QCOMPARE(set.LastIndex(), 3);
  QCOMPARE(set[2], data::ResponsePoint{});
  QCOMPARE(set[3], data::ResponsePoint{});
  QCOMPARE(set.Minima()[data::kMagnitude], 99999.0);
  QCOMPARE(set.Maxima()[data::kFrequency], -99999.0);
}

ResponseSet Normalize(bool linear, const NormalizeSettings& s, const ResponseSet& source) {
  return linear ? viewer::NormalizeLinear(source, s) : viewer::NormalizeLog(source, s);
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
    const ResponseSet low = Source({{5, 20, 0}, {50, 40, 0}, {500, 30, 0}, {5000, 10, 0}});
    const ResponseSet high = Source({{20, 20, 0}, {200, 40, 0}, {2000, 30, 0}, {20000, 10, 0}});
    const ResponseSet negative = Source({{5, -20, 0}, {50, 40, 0}, {5000, -10, 0}});
    const ResponseSet runInside = Source({{100, 10, 0}, {200, 20, 0}, {200, 30, 0}, {400, 40, 0}});
    const ResponseSet lastTwoEqual = Source({{100, 10, 0}, {1000, 20, 0}, {1000, 30, 0}});
    const ResponseSet firstOutOfOrder = Source({{100, 10, 0}, {50, 20, 0}, {70, 30, 0}});

    QTest::newRow("between two points") << high << 100.0 << 2 << true << Between(L(100), L(20), 20, L(200), 40) << 2;
    QTest::newRow("on a point") << high << 200.0 << 2 << true << 40.0 << 2;
    QTest::newRow("later pair moves the cursor")
        << high << 1000.0 << 2 << true << Between(L(1000), L(200), 40, L(2000), 30) << 3;
    QTest::newRow("cursor below 2 is raised")
        << high << 100.0 << 0 << true << Between(L(100), L(20), 20, L(200), 40) << 2;
    QTest::newRow("cursor already past f") << high << 100.0 << 4 << false << 0.0 << 4;
    QTest::newRow("cursor beyond the last point") << high << 100.0 << 9 << false << 0.0 << 9;
    QTest::newRow("below 1 Hz") << low << 0.999 << 2 << false << 0.0 << 2;
    QTest::newRow("above 100 kHz") << high << 100000.01 << 2 << false << 0.0 << 2;
    QTest::newRow("ramp from 0 at 1 Hz") << low << 2.0 << 2 << true << Between(L(2), 0, 0, L(5), 20) << 2;
    QTest::newRow("ramp from 0 at 10 Hz") << high << 15.0 << 2 << true << Between(L(15), 1, 0, L(20), 20) << 2;
    QTest::newRow("ramp to 0 at 100 kHz") << high << 50000.0 << 2 << true << Between(L(50000), L(20000), 10, 5, 0) << 2;
    QTest::newRow("ramp to 0 at 10 kHz") << low << 7000.0 << 2 << true << Between(L(7000), L(5000), 10, 4, 0) << 2;
    QTest::newRow("source ending at 10 kHz: nothing above")
        << Source({{20, 20, 0}, {10000, 10, 0}}) << 12000.0 << 2 << false << 0.0 << 2;
    QTest::newRow("negative first magnitude: no ramp") << negative << 2.0 << 2 << false << 0.0 << 2;
    QTest::newRow("negative last magnitude: no ramp") << negative << 7000.0 << 2 << false << 0.0 << 2;
    QTest::newRow("equal frequencies: partner is the next higher")
        << runInside << 300.0 << 2 << true << Between(L(300), L(200), 20, L(400), 40) << 3;
    QTest::newRow("last two equal, pair before") << lastTwoEqual << 1000.0 << 2 << true << 20.0 << 2;
    QTest::newRow("last two equal, between them") << lastTwoEqual << 1000.0 << 3 << false << 0.0 << 3;
    QTest::newRow("above last two equal")
        << lastTwoEqual << 2000.0 << 2 << true << Between(L(2000), L(1000), 30, 4, 0) << 2;
    // The first point lies above the rest: between the last and the first frequency no pair
    // encloses f, and there is no value rather than a made-up 0.
    QTest::newRow("no enclosing pair") << firstOutOfOrder << 80.0 << 2 << false << 0.0 << 2;
    QTest::newRow("first out of order, pair after it")
        << firstOutOfOrder << 60.0 << 2 << true << Between(L(60), L(50), 20, L(70), 30) << 3;
    QTest::newRow("no points") << ResponseSet() << 100.0 << 2 << false << 0.0 << 2;
  }
  void interpolate() {
    QFETCH(ResponseSet, source);
    QFETCH(double, f);
    QFETCH(int, cursor);
    QFETCH(bool, found);
    QFETCH(double, value);
    QFETCH(int, cursorAfter);
    std::int32_t c = cursor;
    const std::optional<double> result = viewer::InterpolateMagnitude(source, f, c);
    QCOMPARE(result.has_value(), found);
    if (found) {
      QVERIFY2(std::abs(*result - value) < 1e-9, qPrintable(QString::number(*result, 'g', 17)));
    }
    QCOMPARE(c, cursorAfter);
  }

  void perDecadeStep_data() {
    QTest::addColumn<double>("f");
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("step");
    QTest::newRow("below 1 Hz") << 0.5 << 10 << 1.0;
    QTest::newRow("1 Hz") << 1.0 << 10 << 1.0;
    QTest::newRow("just below 10 Hz") << 9.999 << 10 << 1.0;
    QTest::newRow("10 Hz") << 10.0 << 10 << 10.0;
    QTest::newRow("100 Hz") << 100.0 << 10 << 100.0;
    QTest::newRow("just below 10 kHz") << 9999.9 << 10 << 1000.0;
    QTest::newRow("10 kHz") << 10000.0 << 10 << 10000.0;
    QTest::newRow("100 kHz, no higher decade") << 100000.0 << 10 << 10000.0;
    QTest::newRow("2000 points") << 20.0 << 2000 << 0.05;
  }
  void perDecadeStep() {
    QFETCH(double, f);
    QFETCH(int, points);
    QFETCH(double, step);
    QCOMPARE(viewer::PerDecadeStep(f, points), step);
  }

  // Small grids written out whole, on a source whose magnitude is 10 * log10(f).
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
    QTest::newRow("log, entire range") << false << false << 10.0 << 1000.0 << 4
                                       << QList<double>{10, 31.6228, 100, 316.2278, 1000};
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
    const ResponseSet set = Normalize(linear, {start, stop, points, perDecade}, Line());
    QCOMPARE(Frequencies(set), expected);
    for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
      QVERIFY(std::abs(set[i][data::kMagnitude] - 10 * L(set[i][data::kFrequency])) < 1e-5);
    }
    CheckPoints(set);
  }

  // The dialog's defaults: 1 Hz to 50 kHz, 1000 points spread over the log of frequency.
  void defaultGrid() {
    const ResponseSet set = viewer::NormalizeLog(Line(), {1, 50000, 1000, false});
    const QList<double> got = Frequencies(set);
    // 10^(k log10(50000) / 1000) for k = 0..1000, the last one only where the repeated power
    // leaves it at or below 50000.
    QVERIFY2(got.size() == 1000 || got.size() == 1001, qPrintable(QString::number(got.size())));
    for (int k = 0; k < got.size(); ++k) {
      const double f = std::pow(10.0, k * L(50000) / 1000);
      QCOMPARE(got[k], platform::RoundToDecimals(f + 0.00004, 4));
    }
    CheckPoints(set);
  }

  // Ten points per decade from 20 Hz: 20, 25.1785, 31.6979, 39.9053, ... up to 20 kHz.
  void logPerDecade() {
    const QList<double> got = Frequencies(viewer::NormalizeLog(Line(), {20, 20000, 10, true}));
    QVERIFY2(got.size() == 30 || got.size() == 31, qPrintable(QString::number(got.size())));
    QCOMPARE(got.mid(0, 4), (QList<double>{20, 25.1785, 31.6979, 39.9053}));
    QCOMPARE(got[10], 200.0);
    QCOMPARE(got[20], 2000.0);
    QVERIFY(got.last() <= 20000);
  }

  // Grid frequencies below the source take the ramp, or are left out when the first magnitude
  // is negative.
  void rampBelowSource_data() {
    QTest::addColumn<ResponseSet>("source");
    QTest::addColumn<double>("start");   // three grid frequencies: start, start + 2, start + 4
    QTest::addColumn<double>("anchor");  // log10 of the frequency where the ramp is 0
    QTest::addColumn<int>("count");
    QTest::newRow("source from 5 Hz: 0 at 1 Hz") << Source({{5, 30, 0}, {500, 40, 0}}) << 1.0 << 0.0 << 3;
    QTest::newRow("source from 20 Hz: 0 at 10 Hz") << Source({{20, 30, 0}, {500, 40, 0}}) << 12.0 << 1.0 << 3;
    QTest::newRow("negative first magnitude") << Source({{20, -30, 0}, {500, 40, 0}}) << 12.0 << 1.0 << 0;
  }
  void rampBelowSource() {
    QFETCH(ResponseSet, source);
    QFETCH(double, start);
    QFETCH(double, anchor);
    QFETCH(int, count);
    const ResponseSet set = viewer::NormalizeLinear(source, {start, start + 6, 3, false});
    if (count == 0) {
      CheckNothingFound(set);
      return;
    }
    QCOMPARE(Frequencies(set), (QList<double>{start, start + 2, start + 4}));
    const double first = source[2][data::kFrequency];
    for (int i = 2; i <= set.LastIndex(); ++i) {
      const double f = set[i][data::kFrequency];
      QVERIFY(std::abs(set[i][data::kMagnitude] - Between(L(f), anchor, 0, L(first), 30)) < 1e-9);
    }
  }

  // Equal start and stop where nothing is found: the run ends with no point (the walk with the
  // count limit used to stand still there for good).
  void equalStartStopWithoutValue_data() {
    QTest::addColumn<bool>("linear");
    QTest::newRow("linear") << true;
    QTest::newRow("log") << false;
  }
  void equalStartStopWithoutValue() {
    QFETCH(bool, linear);
    CheckNothingFound(Normalize(linear, {2, 2, 10, false}, Source({{5, -30, 0}, {500, 40, 0}})));
  }

  // Where the first point lies above the others, the frequencies between the last and the first
  // point have no enclosing pair and get no point.
  void unenclosedFrequenciesAreSkipped() {
    const ResponseSet set =
        viewer::NormalizeLinear(Source({{100, 10, 0}, {50, 20, 0}, {70, 30, 0}}), {60, 100, 4, false});
    QCOMPARE(Frequencies(set), (QList<double>{60, 70}));
    CheckPoints(set);
  }

  void adjustMagnitude_data() {
    QTest::addColumn<ResponseSet>("source");
    QTest::addColumn<double>("offset");
    const ResponseSet source = Source({{20, 85, -10}, {40, 90.5, 30}, {80, -3, 170}});
    QTest::newRow("down") << source << -6.5;
    QTest::newRow("up") << source << 3.0;
    QTest::newRow("zero") << source << 0.0;
    QTest::newRow("no points") << ResponseSet() << 3.0;
  }
  void adjustMagnitude() {
    QFETCH(ResponseSet, source);
    QFETCH(double, offset);
    const ResponseSet set = viewer::AdjustMagnitude(offset, source);
    QCOMPARE(set.LastIndex(), source.LastIndex());
    for (int i = 2; i <= set.LastIndex(); ++i) {
      QCOMPARE(set[i][data::kFrequency], source[i][data::kFrequency]);
      QCOMPARE(set[i][data::kMagnitude], source[i][data::kMagnitude] + offset);
      QCOMPARE(set[i][data::kPhase], source[i][data::kPhase]);
    }
    CheckSummary(set);
  }
};

QTEST_GUILESS_MAIN(tst_datatools)
#include "tst_datatools.moc"
