// The Normalize Data and Adjust Magnitude dialogs through their handlers: opening, every refusal
// with its message and what was stored before it, Cancel, and the two tools chained both ways.
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>
#include <cmath>

#include "DataTools.h"
#include "ViewerFixture.h"
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
    std::tie(g.normStartFreq, g.normStopFreq, g.normPoints, g.normDistribution) = std::tuple{7, 7000, 70, 1};
    std::vector<std::array<double, 3>> points;
    for (int i = 0; i < 30; ++i) {
      points.push_back({20 * std::pow(1.25, i), 80.0 + i % 7, 10.0 * i});
    }
    g.loadedData = fakes::SetOf(points);
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

// One use of Normalize Data: the options, the three boxes as typed, the refusal's message (none:
// accepted) and the start, stop and point count stored afterwards.
struct Entry {
  bool linear;
  bool perDecade;
  QStringList boxes;
  QString message;
  QList<double> stored;
  QString locale = QStringLiteral("C");  // the desktop's settings while typing
};

}  // namespace

Q_DECLARE_METATYPE(Entry)

class tst_tooldialogs : public QObject {
  Q_OBJECT

 private slots:
  // Opening shows the stored settings, the two sets of options independent; Cancel stores
  // nothing of what was changed.
  void normalizeOpensAndCancels() {
    Tools t;
    std::tie(t.g.normDistribution, t.g.normPointRange, t.g.normStopFreq) = std::tuple{0, 1, 100000};
    viewer::frmNormalize dialog(t.g, t.messages);
    QVERIFY(dialog.optDistribution[0]->isChecked() && dialog.optPointRange[1]->isChecked());
    QCOMPARE((QStringList{dialog.edtFreqStart->text(), dialog.edtFreqStop->text(), dialog.edtNumberOfPoints->text()}),
             (QStringList{"7", "100000", "70"}));
    dialog.optDistribution[1]->setChecked(true);
    dialog.optPointRange[0]->setChecked(true);
    dialog.edtFreqStart->setText(QStringLiteral("20"));
    QVERIFY(t.Close(dialog, false));
    QCOMPARE((QList<double>{double(t.g.normDistribution), double(t.g.normPointRange), t.g.normStartFreq}),
             (QList<double>{0, 1, 7}));
    QVERIFY(!t.g.dataNormalized);
  }

  // OK's checks in their order: each refusal shows its message and keeps what earlier steps stored.
  void normalizeValidation_data() {
    QTest::addColumn<Entry>("entry");
    const QString ok;
    QTest::newRow("bounds accepted") << Entry{false, false, {"1", "100000", "10000"}, ok, {1, 100000, 10000}};
    QTest::newRow("start empty") << Entry{true, true, {"", "20000", "100"}, kFrequencyRange, {7, 7000, 70}};
    QTest::newRow("start 2.5 reads 2") << Entry{false, false, {"2.5", "20000", "100"}, ok, {2, 20000, 100}};
    QTest::newRow("German start 3,5 reads 4")
        << Entry{false, false, {"3,5", "20000", "100"}, ok, {4, 20000, 100}, QStringLiteral("de_DE")};
    QTest::newRow("start 100001") << Entry{false, false, {"100001", "20000", "100"}, kFrequencyRange, {7, 7000, 70}};
    QTest::newRow("start beyond a double")
        << Entry{false, false, {"1e400", "20000", "100"}, kFrequencyRange, {7, 7000, 70}};
    QTest::newRow("stop 0 keeps the new start")
        << Entry{false, false, {"20", "0", "100"}, kFrequencyRange, {20, 7000, 70}};
    QTest::newRow("start and stop exchanged, 10 points")
        << Entry{true, false, {"5000", "200", "10"}, ok, {200, 5000, 10}};
    QTest::newRow("odd points keep start and stop")
        << Entry{false, false, {"5000", "200", "11"}, kPoints10000, {200, 5000, 70}};
    QTest::newRow("10002 points") << Entry{true, false, {"20", "20000", "10002"}, kPoints10000, {20, 20000, 70}};
    QTest::newRow("2000 per decade") << Entry{false, true, {"20", "20000", "2000"}, ok, {20, 20000, 2000}};
    QTest::newRow("odd per decade") << Entry{false, true, {"20", "20000", "13"}, kPoints2000, {20, 20000, 70}};
    QTest::newRow("2002 per decade") << Entry{false, true, {"20", "20000", "2002"}, kPoints2000, {20, 20000, 70}};
  }
  void normalizeValidation() {
    QFETCH(Entry, entry);
    Tools t;
    QLocale::setDefault(QLocale(entry.locale));
    viewer::frmNormalize dialog(t.g, t.messages);
    dialog.optDistribution[entry.linear ? 0 : 1]->setChecked(true);
    dialog.optPointRange[entry.perDecade ? 1 : 0]->setChecked(true);
    dialog.edtFreqStart->setText(entry.boxes[0]);
    dialog.edtFreqStop->setText(entry.boxes[1]);
    dialog.edtNumberOfPoints->setText(entry.boxes[2]);
    const bool accepted = entry.message.isEmpty();
    const bool closed = t.Close(dialog, true);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(closed, accepted);
    QCOMPARE((QList<int>{t.g.normDistribution, t.g.normPointRange}),
             (QList<int>{entry.linear ? 0 : 1, entry.perDecade ? 1 : 0}));
    QCOMPARE((QList<double>{t.g.normStartFreq, t.g.normStopFreq, double(t.g.normPoints)}), entry.stored);
    QCOMPARE(t.g.dataNormalized, accepted);
    QCOMPARE(t.g.normalizedData, accepted ? t.Normalized(t.g.loadedData) : ResponseSet());
    QCOMPARE(t.Shown(), accepted ? QStringList() : QStringList{kNormalizeTitle + ": " + entry.message});
  }

  // The leading number of the text, no number reading 0, the desktop's decimal separator read as
  // well as "."; a number beyond the range of a double would make every magnitude infinite and is
  // refused, the dialog staying open.
  void adjust_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("offset");
    QTest::addColumn<QString>("message");  // empty: accepted
    QTest::newRow("down 6.5") << QStringLiteral("-6.5") << "C" << -6.5 << QString();
    QTest::newRow("number and unit") << QStringLiteral("3 dB") << "C" << 3.0 << QString();
    QTest::newRow("empty") << QString() << "C" << 0.0 << QString();
    QTest::newRow("too large") << QStringLiteral("-1e400") << "C" << 0.0
                               << QStringLiteral("The number of decibels is too large.");
    QTest::newRow("1,5 in English") << QStringLiteral("1,5") << "en_US" << 1.0 << QString();
    QTest::newRow("1,5 in German") << QStringLiteral("1,5") << "de_DE" << 1.5 << QString();
    QTest::newRow("1.5 in German") << QStringLiteral("-1.5 dB") << "de_DE" << -1.5 << QString();
  }
  void adjust() {
    QFETCH(QString, text);
    QFETCH(QString, locale);
    QFETCH(double, offset);
    QFETCH(QString, message);
    Tools t;
    QLocale::setDefault(QLocale(locale));
    const bool closed = t.Adjust(text);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(closed, message.isEmpty());
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
