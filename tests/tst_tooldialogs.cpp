// The Normalize Data and Adjust Magnitude dialogs through their handlers: opening, every refusal
// with its message and what was stored before it, Cancel, and the two tools chained both ways.
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>
#include <cmath>

#include "DataTools.h"
#include "Fakes.h"
#include "frmMagnitude.h"
#include "frmNormalize.h"

using data::ResponseSet;

namespace {

const QString kNormalizeTitle = QStringLiteral("Vostrel - Normalize Data");
const QString kFrequencyRange =
    QStringLiteral("Frequency Start and Stop values must be an integer in the range of 1 Hz to 100,000  Hz.");
const QString kPoints = QStringLiteral("The number of interval points must be an even multiple of 2, in the range of ");
const QString kPoints10000 = kPoints + "10 - 10000";
const QString kPoints2000 = kPoints + "10 - 2000";

// A viewer state with frequency response data loaded and the Normalize Data settings at 7 Hz,
// 7000 Hz, 70 points, logarithmic over the entire range.
struct Tools {
  viewer::GlobalVariables g;
  fakes::MessageBox messages;

  Tools() {
    g.normStartFreq = 7;
    g.normStopFreq = 7000;
    g.normPoints = 70;
    g.normDistribution = 1;
    g.loadedData.ResetSummary(999999, -999999);
    for (int i = 0; i < 30; ++i) {
      g.loadedData.Resize(g.loadedData.LastIndex() + 1);
      const double f = 20 * std::pow(1.25, i);
      g.loadedData[g.loadedData.LastIndex()].value = {f, 80.0 + i % 7, 10.0 * i, 0};
      g.loadedData.IncludeInSummary(g.loadedData[g.loadedData.LastIndex()]);
    }
    g.dataLoaded = true;
  }

  // Runs OK or Cancel; returns whether the dialog closed, accepting with OK, rejecting with Cancel.
  template <typename Dialog>
  bool Close(Dialog& dialog, bool ok) {
    QSignalSpy finished(&dialog, &QDialog::finished);
    ok ? dialog.cmdOK_Click() : dialog.cmdCancel_Click();
    return finished.size() == 1 && finished[0][0].toInt() == (ok ? QDialog::Accepted : QDialog::Rejected);
  }
  bool Normalize(const QString& start, const QString& stop, const QString& points) {
    viewer::frmNormalize dialog(g, messages);
    dialog.edtFreqStart->setText(start);
    dialog.edtFreqStop->setText(stop);
    dialog.edtNumberOfPoints->setText(points);
    return Close(dialog, true);
  }
  bool Adjust(const QString& decibels, bool ok = true) {
    viewer::frmMagnitude dialog(g, messages);
    dialog.edtDecibels->setText(decibels);
    return Close(dialog, ok);
  }
  // The messages shown, each as "title: text"; only OK boxes are expected.
  QStringList Shown() const {
    QStringList list;
    for (const auto& m : messages.shown) {
      list.append(m.title + (m.buttons == platform::MessageButtons::kOk ? ": " : " (not an OK box): ") + m.text);
    }
    return list;
  }
  ResponseSet Normalized(const ResponseSet& source) const {
    const viewer::NormalizeSettings s{g.normStartFreq, g.normStopFreq, g.normPoints, g.normPointRange == 1};
    return g.normDistribution == 0 ? viewer::NormalizeLinear(source, s) : viewer::NormalizeLog(source, s);
  }
};

}  // namespace

class tst_tooldialogs : public QObject {
  Q_OBJECT

 private slots:
  // Opening shows the stored settings, the two sets of options independent; Cancel stores
  // nothing of what was changed.
  void normalizeOpensAndCancels_data() {
    QTest::addColumn<int>("distribution");
    QTest::addColumn<int>("pointRange");
    QTest::newRow("log, entire range") << 1 << 0;
    QTest::newRow("linear, per decade") << 0 << 1;
  }
  void normalizeOpensAndCancels() {
    QFETCH(int, distribution);
    QFETCH(int, pointRange);
    Tools t;
    std::tie(t.g.normDistribution, t.g.normPointRange, t.g.normStopFreq) = std::tuple{distribution, pointRange, 100000};
    viewer::frmNormalize dialog(t.g, t.messages);
    QVERIFY(dialog.optDistribution[std::size_t(distribution)]->isChecked() &&
            dialog.optPointRange[std::size_t(pointRange)]->isChecked());
    QCOMPARE((QStringList{dialog.edtFreqStart->text(), dialog.edtFreqStop->text(), dialog.edtNumberOfPoints->text()}),
             (QStringList{"7", "100000", "70"}));
    dialog.optDistribution[std::size_t(1 - distribution)]->setChecked(true);
    dialog.optPointRange[std::size_t(1 - pointRange)]->setChecked(true);
    dialog.edtFreqStart->setText(QStringLiteral("20"));
    QVERIFY(t.Close(dialog, false));  // Cancel keeps every setting
    QCOMPARE((QList<double>{double(t.g.normDistribution), double(t.g.normPointRange), t.g.normStartFreq}),
             (QList<double>{double(distribution), double(pointRange), 7}));
    QVERIFY(!t.g.dataNormalized);
  }

  // OK's checks in their order: each refusal shows its message and keeps what earlier steps stored.
  void normalizeValidation_data() {
    QTest::addColumn<bool>("linear");
    QTest::addColumn<bool>("perDecade");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("message");       // empty: accepted
    QTest::addColumn<QList<double>>("stored");  // start, stop, points afterwards
    const auto row = [](const char* name, bool linear, bool perDecade, const char* start, const char* stop,
                        const char* points, const QString& message, const QList<double>& stored) {
      QTest::newRow(name) << linear << perDecade << QString::fromLatin1(start) << QString::fromLatin1(stop)
                          << QString::fromLatin1(points) << message << stored;
    };
    const QString ok;
    row("bounds accepted", false, false, "1", "100000", "10000", ok, {1, 100000, 10000});
    row("start empty", true, true, "", "20000", "100", kFrequencyRange, {7, 7000, 70});
    row("start 2.5 reads 2", false, false, "2.5", "20000", "100", ok, {2, 20000, 100});
    row("start 100001", false, false, "100001", "20000", "100", kFrequencyRange, {7, 7000, 70});
    row("start beyond a double", false, false, "1e400", "20000", "100", kFrequencyRange, {7, 7000, 70});
    row("stop 0 keeps the new start", false, false, "20", "0", "100", kFrequencyRange, {20, 7000, 70});
    row("start and stop exchanged, 10 points", true, false, "5000", "200", "10", ok, {200, 5000, 10});
    row("odd points keep start and stop", false, false, "5000", "200", "11", kPoints10000, {200, 5000, 70});
    row("10002 points", true, false, "20", "20000", "10002", kPoints10000, {20, 20000, 70});
    row("2000 per decade", false, true, "20", "20000", "2000", ok, {20, 20000, 2000});
    row("odd per decade", false, true, "20", "20000", "13", kPoints2000, {20, 20000, 70});
    row("2002 per decade", false, true, "20", "20000", "2002", kPoints2000, {20, 20000, 70});
  }
  void normalizeValidation() {
    QFETCH(bool, linear);
    QFETCH(bool, perDecade);
    QFETCH(QString, start);
    QFETCH(QString, stop);
    QFETCH(QString, points);
    QFETCH(QString, message);
    QFETCH(QList<double>, stored);
    Tools t;
    viewer::frmNormalize dialog(t.g, t.messages);
    dialog.optDistribution[linear ? 0 : 1]->setChecked(true);
    dialog.optPointRange[perDecade ? 1 : 0]->setChecked(true);
    dialog.edtFreqStart->setText(start);
    dialog.edtFreqStop->setText(stop);
    dialog.edtNumberOfPoints->setText(points);
    QCOMPARE(t.Close(dialog, true), message.isEmpty());
    QCOMPARE(t.g.normDistribution, linear ? 0 : 1);
    QCOMPARE(t.g.normPointRange, perDecade ? 1 : 0);
    QCOMPARE((QList<double>{t.g.normStartFreq, t.g.normStopFreq, double(t.g.normPoints)}), stored);
    QCOMPARE(t.g.dataNormalized, message.isEmpty());
    QCOMPARE(t.g.normalizedData, message.isEmpty() ? t.Normalized(t.g.loadedData) : ResponseSet());
    QCOMPARE(t.Shown(), message.isEmpty() ? QStringList() : QStringList{kNormalizeTitle + ": " + message});
  }

  // The leading number of the text, no number reading 0; a number beyond the range of a double
  // would make every magnitude infinite and is refused, the dialog staying open.
  void adjust_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("offset");
    QTest::addColumn<QString>("message");  // empty: accepted
    QTest::newRow("down 6.5") << QStringLiteral("-6.5") << -6.5 << QString();
    QTest::newRow("number and unit") << QStringLiteral("3 dB") << 3.0 << QString();
    QTest::newRow("empty") << QString() << 0.0 << QString();
    QTest::newRow("too large") << QStringLiteral("-1e400") << 0.0
                               << QStringLiteral("The number of decibels is too large.");
  }
  void adjust() {
    QFETCH(QString, text);
    QFETCH(double, offset);
    QFETCH(QString, message);
    Tools t;
    QCOMPARE(t.Adjust(text), message.isEmpty());
    QCOMPARE(t.g.dataAdjusted, message.isEmpty());
    QCOMPARE(t.g.adjustedData, message.isEmpty() ? viewer::AdjustMagnitude(offset, t.g.loadedData) : ResponseSet());
    QCOMPARE(t.Shown(), message.isEmpty() ? QStringList() : QStringList{"Vostrel - Adjust Magnitude: " + message});
  }

  // Adjusting after a normalization shifts the normalized points (phase 0); each run starts
  // again from its source, so +3 twice is +3; normalizing then re-samples the adjusted data.
  void chained() {
    Tools t;
    QVERIFY(t.Normalize(QStringLiteral("30"), QStringLiteral("3000"), QStringLiteral("20")));
    const ResponseSet normalized = t.g.normalizedData;
    QVERIFY(t.Adjust(QStringLiteral("3")));
    QVERIFY(t.Adjust(QStringLiteral("3")));
    QCOMPARE(t.g.adjustedData, viewer::AdjustMagnitude(3, normalized));
    QCOMPARE(t.g.adjustedData.Maxima()[data::kPhase], 0.0);
    QVERIFY(t.Normalize(QStringLiteral("30"), QStringLiteral("3000"), QStringLiteral("20")));
    QCOMPARE(t.g.normalizedData, t.Normalized(t.g.adjustedData));
    QVERIFY(t.g.normalizedData != normalized);
    // Cancel leaves the adjusted data as they were.
    const ResponseSet adjusted = t.g.adjustedData;
    QVERIFY(t.Adjust(QStringLiteral("10"), false));
    QCOMPARE(t.g.adjustedData, adjusted);
  }
};

QTEST_MAIN(tst_tooldialogs)
#include "tst_tooldialogs.moc"
