// The tracer's axis mappings, the reading of typed reference values and the search for a curve by
// its colour, without a window.
#include <QLocale>
#include <QPainter>
#include <QtTest>
#include <optional>

#include "AxisMap.h"
#include "CurveFinder.h"
#include "dlgValue.h"
#include "numbers.h"

using tracer::OhmScale;

namespace {

// The design positions of the reference lines with the default values: 1860 twips per decade,
// 76 twips per dB, 480 twips per octave of impedance (80 per ohm on the linear scale).
constexpr double kXL = 2160, kXH = 5880, kYdL = 3720, kYdH = 1440;
const tracer::ImpedanceReferences kOhms{3120, 2160, 4, 16, 2, 4};

QString Text(const std::optional<tracer::Reading>& r) {
  return r ? QString::fromStdString(platform::SingleText(r->value)) : QStringLiteral("none");
}

}  // namespace

class tst_tracermath : public QObject {
  Q_OBJECT

 private slots:
  // Frequency at the trace line's right end X2 (the readout measures 15 twips left of it).
  void frequency_data() {
    QTest::addColumn<double>("x2");
    QTest::addColumn<double>("xHigh");
    QTest::addColumn<double>("lowLog");
    QTest::addColumn<double>("highLog");
    QTest::addColumn<QString>("frequency");
    QTest::newRow("on the low line") << 2175.0 << kXH << 2.0 << 4.0 << "100";
    QTest::newRow("a decade up") << 4035.0 << kXH << 2.0 << 4.0 << "1000";
    QTest::newRow("half twip rounds down to even") << 2175.5 << kXH << 2.0 << 4.0 << "100";
    QTest::newRow("half twip rounds up to even") << 2176.5 << kXH << 2.0 << 4.0 << "100.2479";
    QTest::newRow("left of the low line") << 315.0 << kXH << 2.0 << 4.0 << "10";
    QTest::newRow("low reference of 1 Hz") << 2175.0 << kXH << -10.0 << 4.0 << "1E-10";
    QTest::newRow("equal reference values") << 4035.0 << kXH << 2.0 << 2.0 << "none";
    QTest::newRow("coinciding lines") << 4035.0 << kXL << 2.0 << 4.0 << "none";
    QTest::newRow("beyond single precision") << 2.0e6 << kXH << 2.0 << 4.0 << "none";
    QTest::newRow("beyond 32 bits") << 1.0e12 << kXH << 2.0 << 4.0 << "none";
  }
  void frequency() {
    QFETCH(double, x2);
    QFETCH(double, xHigh);
    QFETCH(double, lowLog);
    QFETCH(double, highLog);
    QFETCH(QString, frequency);
    QCOMPARE(Text(tracer::ReadFrequency(x2, kXL, xHigh, lowLog, highLog, 15)), frequency);
  }

  // Level and impedance: the worked example and the axes without a usable scale.
  void otherAxes() {
    QCOMPARE(Text(tracer::ReadLevel(6000, kYdL, kYdH, 60, 90, 0)), QStringLiteral("30"));
    QCOMPARE(Text(tracer::ReadLevel(2640, kYdL, kYdH, 60, 60, 0)), QStringLiteral("none"));
    QCOMPARE(Text(tracer::ReadLevel(2640, kYdL, kYdL, 60, 90, 0)), QStringLiteral("none"));
    // On base 10 the scaled values differ but the mapping between references above 1 ohm does not.
    const tracer::ImpedanceReferences base10{3120, 2160, 4, 16, tracer::LogBase10(4), tracer::LogBase10(16)};
    QCOMPARE(Text(tracer::ReadImpedance(2640, base10, OhmScale::kBase10, 0)), QStringLiteral("8"));
    QCOMPARE(Text(tracer::ReadImpedance(6000, kOhms, OhmScale::kLinear, 0)), QStringLiteral("-32"));
    // Both impedance references at or below 1 ohm share the guard value.
    const tracer::ImpedanceReferences guarded{3120, 2160, 0.5, 1, -1, -1};
    QCOMPARE(Text(tracer::ReadImpedance(2640, guarded, OhmScale::kBase2, 0)), QStringLiteral("none"));
  }

  void freqToGraphX() {
    double scale = 0;
    QCOMPARE(tracer::FreqToGraphX(3, kXL, kXH, 2, 4, 15, scale), std::optional<std::int32_t>(4035));
    QCOMPARE(scale, 1860.0);
    QCOMPARE(tracer::FreqToGraphX(3, kXL, kXL, 2, 4, 15, scale), std::nullopt);
    QCOMPARE(tracer::FreqToGraphX(1e9, kXL, kXH, 2, 4, 15, scale), std::nullopt);
  }

  void guardedLogarithms() {
    QCOMPARE((QList<double>{tracer::LogBase10(1), tracer::LogBase10(0.5), tracer::LogBase2(1), tracer::LogBase2(8)}),
             (QList<double>{-10, -10, -1, 3}));
    // ln(x) / ln(10), not log10: the two differ in the last bit here.
    QCOMPARE(tracer::LogBase10(1000), std::log(1000.0) / std::log(10.0));
  }

  // One rule decides whether a typed value passes and what is stored.
  void typedNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decimalPoint");
    QTest::addColumn<QString>("value");
    QTest::newRow("grouped thousands") << "1,000"
                                       << "."
                                       << "none";
    QTest::newRow("exponent") << "1e4"
                              << "."
                              << "10000";
    QTest::newRow("blanks around") << " 250 "
                                   << "."
                                   << "250";
    QTest::newRow("sign and fraction") << "-3.5"
                                       << "."
                                       << "-3.5";
    QTest::newRow("German decimal comma") << "2,5"
                                          << ","
                                          << "2.5";
    QTest::newRow("point under German settings") << "1.000"
                                                 << ","
                                                 << "1";
    QTest::newRow("German grouping") << "1.000,5"
                                     << ","
                                     << "none";
    QTest::newRow("unit after the number") << "100 Hz"
                                           << "."
                                           << "none";
    QTest::newRow("blank inside") << "1 000"
                                  << "."
                                  << "none";
    QTest::newRow("text") << "abc"
                          << "."
                          << "none";
    QTest::newRow("empty") << ""
                           << "."
                           << "none";
    QTest::newRow("infinite") << "1e999"
                              << "."
                              << "none";
  }
  void typedNumber() {
    QFETCH(QString, text);
    QFETCH(QString, decimalPoint);
    QFETCH(QString, value);
    const std::optional<double> read = tracer::ReadTypedNumber(text, decimalPoint.front());
    QCOMPARE(read ? QString::number(*read) : QStringLiteral("none"), value);
  }

  // A blue curve rising from (0, 80) to (200, 20), two pixels thick, with a grey grid line drawn
  // over it at x 50, a gap from x 120 to 140, and another blue line lower down at y 95.
  void curveByColour_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("nearY");
    QTest::addColumn<double>("y");  // -1: not found
    QTest::newRow("on the curve") << 30.5 << 70.0 << 71.0;
    QTest::newRow("between columns") << 31.0 << 70.0 << 70.85;
    QTest::newRow("under a grid line") << 50.5 << 60.0 << 65.0;
    QTest::newRow("nearest of two") << 30.5 << 93.0 << 96.0;
    QTest::newRow("in the gap") << 130.5 << 40.0 << -1.0;
    QTest::newRow("beyond the picture") << 300.0 << 40.0 << -1.0;
  }
  void curveByColour() {
    QFETCH(double, x);
    QFETCH(double, nearY);
    QFETCH(double, y);
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(QPen(QColor(0, 0, 200), 2));
    painter.drawLine(QPointF(0, 80), QPointF(200, 20));
    painter.drawLine(QPointF(0, 96), QPointF(200, 96));
    painter.fillRect(50, 0, 1, 100, QColor(128, 128, 128));
    painter.fillRect(120, 0, 20, 100, Qt::white);
    painter.end();
    const std::optional<QRgb> colour = tracer::PickCurveColour(picture, QPointF(100.5, 52));  // off the line
    QCOMPARE(colour, std::optional<QRgb>(qRgb(0, 0, 200)));
    QCOMPARE(tracer::PickCurveColour(picture, QPointF(100.5, 10)), std::nullopt);
    const std::optional<double> found = tracer::FindCurve(picture, x, *colour, nearY);
    QVERIFY2(y < 0 ? !found : found && std::fabs(*found - y) < 0.6, qPrintable(QString::number(found.value_or(-1))));
  }
};

QTEST_MAIN(tst_tracermath)
#include "tst_tracermath.moc"
