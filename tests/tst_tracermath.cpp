// The tracer's axis mappings, the reading of typed reference values and the loupe's place,
// without a window.
#include <QLocale>
#include <QtTest>
#include <limits>
#include <optional>

#include "AxisMap.h"
#include "Magnifier.h"
#include "PngChunks.h"
#include "SessionFile.h"
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

  // A session's text reads back to the same values, floats and doubles exactly, and fields it
  // does not know are passed over; a text with a field missing, of the wrong type, out of range
  // or inconsistent, or of a newer version, is refused.
  void sessionText_data() {
    QTest::addColumn<QString>("from");  // replaced in the text written
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("read");
    QTest::newRow("as written") << ""
                                << "" << true;
    QTest::newRow("a field of a later version") << "\"version\":1"
                                                << "\"extra\":[1],\"version\":1" << true;
    QTest::newRow("newer version") << "\"version\":1"
                                   << "\"version\":2" << false;
    QTest::newRow("another format") << "Quelbrin session"
                                    << "Quelbrin" << false;
    QTest::newRow("count beyond the points") << "\"count\":2"
                                             << "\"count\":3" << false;
    QTest::newRow("a step not whole") << "\"step\":[0,7]"
                                      << "\"step\":[0,7.5]" << false;
    QTest::newRow("a level beyond a float") << "\"level\":[-3.5,"
                                            << "\"level\":[1e39," << false;
    QTest::newRow("a state unknown") << "\"running\""
                                     << "\"paused\"" << false;
    QTest::newRow("a number as text") << "\"width\":960"
                                      << "\"width\":\"960\"" << false;
    QTest::newRow("a picture without pixels") << "\"width\":960"
                                              << "\"width\":0" << false;
    QTest::newRow("a reference missing") << "\"lowImpedance\""
                                         << "\"lowImpedances\"" << false;
    QTest::newRow("a colour by name") << "\"#c80000\""
                                      << "\"red\"" << false;
    QTest::newRow("not an object") << "{"
                                   << "[{" << false;
  }
  void sessionText() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, read);
    tracer::Session session;
    session.picture = {960, 640};
    session.state = tracer::TraceState::kRunning;
    session.references[0] = {tracer::ReferenceState::kRegistered, 1.0 / 3, 268.30336124877344};
    session.importLean = 0.4;
    session.handLeans = {-0.25, 1.0 / 3};
    session.curve = tracer::CurvePick{{qRgb(200, 0, 0), qRgba(255, 255, 255, 128), 24.5, 2.25}, {100.25, 50.5}};
    session.pickedAt = 2;
    constexpr float kLargest = std::numeric_limits<float>::max();
    constexpr float kSmallest = std::numeric_limits<float>::denorm_min();
    session.points = {{kLargest, -3.5F, kSmallest, {1.0 / 3, 1e-300}, 0}, {1.0F / 3, 74.21053F, 8, {2, 3}, 7}};
    const QString written = QString::fromUtf8(tracer::SessionJson(session));
    QVERIFY(written.contains(from));
    const QByteArray text = QString(written).replace(from, to).toUtf8();
    const std::optional<tracer::Session> back = tracer::ParseSessionJson(text);
    QCOMPARE(back.has_value(), read);
    if (read) {
      const tracer::SessionPoint& p = back->points[0];
      QVERIFY(p.frequency == kLargest && p.impedance == kSmallest && p.place == QPointF(1.0 / 3, 1e-300) &&
              back->points[1].frequency == 1.0F / 3 && back->references[0].place == 268.30336124877344 &&
              back->curve->style.background == qRgba(255, 255, 255, 128) && back->handLeans[1] == 1.0 / 3);
      QCOMPARE(tracer::SessionJson(*back), tracer::SessionJson(session));
    }
  }

  // A compressed text chunk is inflated no further than the reader allows.
  void compressedText() {
    const QByteArray text(100000, 'a');
    const QByteArray data = tracer::CompressedTextData("key", text);
    QVERIFY(data.size() < 1000);
    QCOMPARE(tracer::ReadCompressedText(data, "key", 100000), std::optional(text));
    QVERIFY(!tracer::ReadCompressedText(data, "key", 99999) && !tracer::ReadCompressedText(data, "ke", 100000));
  }

  // The loupe sits top left, and bottom right while the pointer is near its place.
  void magnifierPlace() {
    QCOMPARE(tracer::Magnifier::Place({1000, 800}, {500, 400}), QRect(8, 8, 160, 160));
    QCOMPARE(tracer::Magnifier::Place({1000, 800}, {180, 20}), QRect(832, 632, 160, 160));
  }
};

QTEST_MAIN(tst_tracermath)
#include "tst_tracermath.moc"
