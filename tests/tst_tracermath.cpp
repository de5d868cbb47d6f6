// The tracer's axis mappings, the reading of typed reference values and the loupe's place,
// without a window.
#include <QLocale>
#include <QtTest>
#include <optional>

#include "AxisMap.h"
#include "Magnifier.h"
#include "dlgValue.h"
#include "numbers.h"

using tracer::OhmScale;

namespace {

// The design positions of the frequency lines with the default values: 1860 twips per decade.
constexpr double kXL = 2160, kXH = 5880;

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
    QTest::newRow("half twip rounds down to even") << 2175.5 << kXH << 2.0 << 4.0 << "100";
    QTest::newRow("half twip rounds up to even") << 2176.5 << kXH << 2.0 << 4.0 << "100.2479";
    QTest::newRow("left of the low line") << 315.0 << kXH << 2.0 << 4.0 << "10";
    QTest::newRow("low reference of 1 Hz") << 2175.0 << kXH << -10.0 << 4.0 << "1E-10";
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

  void guardedLogarithms() {
    QCOMPARE((QList<double>{tracer::LogBase10(1), tracer::LogBase10(0.5), tracer::LogBase2(1), tracer::LogBase2(8)}),
             (QList<double>{-10, -10, -1, 3}));
  }

  // A typed value, blanks around it allowed; one that the platform reads as infinite is no number:
  // nothing infinite is stored.
  // (The texts of the registrations are checked through the value dialog.)
  void typedNumber() {
    QVERIFY(!tracer::ReadTypedNumber(QStringLiteral("1e999"), QChar('.')));
    QVERIFY(!tracer::ReadTypedNumber(QStringLiteral("1.000,5"), QChar(',')));
    QCOMPARE(tracer::ReadTypedNumber(QStringLiteral("1.000"), QChar(',')), std::optional<double>(1));
    QCOMPARE(tracer::ReadTypedNumber(QStringLiteral(" 1e4 "), QChar('.')), std::optional<double>(10000));
  }

  // The loupe sits top left, and bottom right while the pointer is near its place.
  void magnifierPlace() {
    QCOMPARE(tracer::Magnifier::Place({1000, 800}, {500, 400}), QRect(8, 8, 160, 160));
    QCOMPARE(tracer::Magnifier::Place({1000, 800}, {180, 20}), QRect(832, 632, 160, 160));
  }
};

QTEST_MAIN(tst_tracermath)
#include "tst_tracermath.moc"
