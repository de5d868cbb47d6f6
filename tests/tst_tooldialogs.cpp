// The Normalize Data and Adjust Magnitude dialogs through their handlers: what they show when
// opened, every refusal with its message and what was stored before it, the choice of source,
// and the two tools chained both ways.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <cmath>
#include <memory>

#include "DataTools.h"
#include "Fakes.h"
#include "frmMagnitude.h"
#include "frmNormalize.h"

using data::ResponseSet;

namespace {

const QString kNormalizeTitle = QStringLiteral("Vostrel - Normalize Data");
const QString kFrequencyRange =
    QStringLiteral("Frequency Start and Stop values must be an integer in the range of 1 Hz to 100,000  Hz.");
const QString kPoints10000 =
    QStringLiteral("The number of interval points must be an even multiple of 2, in the range of 10 - 10000");
const QString kPoints2000 =
    QStringLiteral("The number of interval points must be an even multiple of 2, in the range of 10 - 2000");

// A viewer state with frequency response data loaded and the Normalize Data settings at the
// values the main window starts them with.
struct Tools {
  viewer::GlobalVariables g;
  fakes::MessageBox messages;

  Tools() {
    g.normStartFreq = 1;
    g.normStopFreq = 50000;
    g.normPoints = 1000;
    g.normDistribution = 1;
    g.normPointRange = 0;
    g.loadedData.ResetSummary(999999, -999999);
    for (int i = 0; i < 30; ++i) {
      g.loadedData.Resize(g.loadedData.LastIndex() + 1);
      const double f = 20 * std::pow(1.25, i);
      g.loadedData[g.loadedData.LastIndex()].value = {f, 80.0 + i % 7, 10.0 * i, 0};
      g.loadedData.IncludeInSummary(g.loadedData[g.loadedData.LastIndex()]);
    }
    g.dataLoaded = true;
  }

  // Runs a dialog's OK; returns whether the dialog closed (and then that it accepted).
  template <typename Dialog>
  bool Ok(Dialog& dialog) {
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.cmdOK_Click();
    return !finished.isEmpty() && finished.first().first().toInt() == QDialog::Accepted;
  }
  bool Normalize(const QString& start, const QString& stop, const QString& points) {
    viewer::frmNormalize dialog(g, messages);
    dialog.edtFreqStart->setText(start);
    dialog.edtFreqStop->setText(stop);
    dialog.edtNumberOfPoints->setText(points);
    return Ok(dialog);
  }
  bool Adjust(const QString& decibels) {
    viewer::frmMagnitude dialog(g, messages);
    dialog.edtDecibels->setText(decibels);
    return Ok(dialog);
  }
  std::unique_ptr<QDialog> Dialog(bool normalize) {
    if (normalize) {
      return std::make_unique<viewer::frmNormalize>(g, messages);
    }
    return std::make_unique<viewer::frmMagnitude>(g, messages);
  }
  viewer::NormalizeSettings Settings() const {
    return {g.normStartFreq, g.normStopFreq, g.normPoints, g.normPointRange == 1};
  }
};

QString TextOf(const QWidget* w) {
  if (const auto* label = qobject_cast<const QLabel*>(w)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (const auto* frame = qobject_cast<const QGroupBox*>(w)) return frame->title();
  return QStringLiteral("<no text>");
}

}  // namespace

class tst_tooldialogs : public QObject {
  Q_OBJECT

 private slots:
  // The texts a user reads, exactly as the tools have always shown them.
  void controls_data() {
    QTest::addColumn<bool>("normalize");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const auto row = [](bool normalize, const char* name, const char* text) {
      QTest::addRow("%s %s", normalize ? "frmNormalize" : "frmMagnitude", name)
          << normalize << QString::fromLatin1(name) << QString::fromLatin1(text);
    };
    row(true, "Label1",
        "The Normalize Data tool will redistribute the data points from the source file to the frequency range and "
        "intervals that are specified in this dialog box. ");
    row(true, "Label2", "Normalized data is useful for comparing and analyzing two or more data sets ");
    row(true, "Frame2", "Frequency Range");
    row(true, "lblFrequency",
        "Frequency Start and Stop values must be an integer in the range of 1 Hz to 100,000  Hz.");
    row(true, "Frame3", "Data Distribution");
    row(true, "Label10", "Distribute data points evenly accross the frequency values.");
    row(true, "optDistribution1", "Logrithmic Distribution");
    row(true, "optPointRange1", "Per Decade");
    row(true, "optPointRange0", "Per Entire Frequency Range");
    row(false, "Label1",
        "The \"Adjust Magnitude\" tool will shift the magnitude of the frequency response data up or down by the "
        "number of decibels specified in this dialog box. ");
    row(false, "Label5", "Decibels");
  }
  void controls() {
    QFETCH(bool, normalize);
    QFETCH(QString, name);
    QFETCH(QString, text);
    Tools t;
    const std::unique_ptr<QDialog> dialog = t.Dialog(normalize);
    QCOMPARE(dialog->objectName(), normalize ? QStringLiteral("frmNormalize") : QStringLiteral("frmMagnitude"));
    QCOMPARE(dialog->windowTitle(), normalize ? kNormalizeTitle : QStringLiteral("Vostrel - Adjust Magnitude"));
    const QWidget* control = dialog->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(TextOf(control), text);
  }

  // However narrow and low the user makes a dialog, every wrapped text keeps the lines it needs.
  void wrappedTextFits_data() {
    QTest::addColumn<bool>("normalize");
    QTest::newRow("frmNormalize") << true;
    QTest::newRow("frmMagnitude") << false;
  }
  void wrappedTextFits() {
    QFETCH(bool, normalize);
    Tools t;
    const std::unique_ptr<QDialog> dialog = t.Dialog(normalize);
    dialog->show();
    dialog->resize(1, 1);
    QCoreApplication::processEvents();
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
      if (label->wordWrap()) {
        QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->objectName()));
      }
    }
  }

  // Opening fills the dialog from the remembered settings; the two sets of options are
  // independent choices.
  void normalizeOpens_data() {
    QTest::addColumn<int>("distribution");
    QTest::addColumn<int>("pointRange");
    QTest::addColumn<double>("start");
    QTest::addColumn<QString>("startText");
    QTest::newRow("start values") << 1 << 0 << 1.0 << QStringLiteral("1");
    QTest::newRow("linear per decade") << 0 << 1 << 100000.0 << QStringLiteral("100000");
  }
  void normalizeOpens() {
    QFETCH(int, distribution);
    QFETCH(int, pointRange);
    QFETCH(double, start);
    QFETCH(QString, startText);
    Tools t;
    t.g.normDistribution = distribution;
    t.g.normPointRange = pointRange;
    t.g.normStartFreq = start;
    viewer::frmNormalize dialog(t.g, t.messages);
    QVERIFY(dialog.optDistribution[std::size_t(distribution)]->isChecked());
    QVERIFY(!dialog.optDistribution[std::size_t(1 - distribution)]->isChecked());
    QVERIFY(dialog.optPointRange[std::size_t(pointRange)]->isChecked());
    QVERIFY(!dialog.optPointRange[std::size_t(1 - pointRange)]->isChecked());
    QCOMPARE(dialog.edtFreqStart->text(), startText);
    QCOMPARE(dialog.edtFreqStop->text(), QStringLiteral("50000"));
    QCOMPARE(dialog.edtNumberOfPoints->text(), QStringLiteral("1000"));
  }

  // OK's checks in their order: each refusal shows its message and keeps what the earlier steps
  // stored (the settings start at 7 Hz, 7000 Hz, 70 points, logarithmic over the entire range).
  void normalizeValidation_data() {
    QTest::addColumn<bool>("linear");
    QTest::addColumn<bool>("perDecade");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("message");       // empty: accepted
    QTest::addColumn<QList<double>>("stored");  // start, stop, points afterwards
    const QString none;
    QTest::newRow("accepted") << false << false << "20"
                              << "20000"
                              << "100" << none << QList<double>{20, 20000, 100};
    QTest::newRow("start empty") << true << true << ""
                                 << "20000"
                                 << "100" << kFrequencyRange << QList<double>{7, 7000, 70};
    QTest::newRow("start letters") << false << false << "abc"
                                   << "20000"
                                   << "100" << kFrequencyRange << QList<double>{7, 7000, 70};
    QTest::newRow("start 0.5 reads 0") << false << false << "0.5"
                                       << "20000"
                                       << "100" << kFrequencyRange << QList<double>{7, 7000, 70};
    QTest::newRow("start 2.5 reads 2") << false << false << "2.5"
                                       << "20000"
                                       << "100" << none << QList<double>{2, 20000, 100};
    QTest::newRow("start 3.5 reads 4") << false << false << "3.5"
                                       << "20000"
                                       << "100" << none << QList<double>{4, 20000, 100};
    QTest::newRow("start 100001") << false << false << "100001"
                                  << "20000"
                                  << "100" << kFrequencyRange << QList<double>{7, 7000, 70};
    QTest::newRow("start beyond a double") << false << false << "1e400"
                                           << "20000"
                                           << "100" << kFrequencyRange << QList<double>{7, 7000, 70};
    QTest::newRow("stop 0 keeps the new start") << false << false << "20"
                                                << "0"
                                                << "100" << kFrequencyRange << QList<double>{20, 7000, 70};
    QTest::newRow("stop 100001") << false << false << "20"
                                 << "100001"
                                 << "100" << kFrequencyRange << QList<double>{20, 7000, 70};
    QTest::newRow("stop 100000.5 reads 100000") << false << false << "20"
                                                << "100000.5"
                                                << "100" << none << QList<double>{20, 100000, 100};
    QTest::newRow("start and stop exchanged") << false << false << "5000"
                                              << "200"
                                              << "100" << none << QList<double>{200, 5000, 100};
    QTest::newRow("start equal to stop") << false << false << "500"
                                         << "500"
                                         << "100" << none << QList<double>{500, 500, 100};
    QTest::newRow("odd points keep start and stop") << false << false << "5000"
                                                    << "200"
                                                    << "11" << kPoints10000 << QList<double>{200, 5000, 70};
    QTest::newRow("10 points") << true << false << "20"
                               << "20000"
                               << "10" << none << QList<double>{20, 20000, 10};
    QTest::newRow("10002 points") << true << false << "20"
                                  << "20000"
                                  << "10002" << kPoints10000 << QList<double>{20, 20000, 70};
    QTest::newRow("points empty") << true << false << "20"
                                  << "20000"
                                  << "" << kPoints10000 << QList<double>{20, 20000, 70};
    QTest::newRow("points beyond a double") << true << false << "20"
                                            << "20000"
                                            << "1e400" << kPoints10000 << QList<double>{20, 20000, 70};
    QTest::newRow("11.5 points read 12") << true << false << "20"
                                         << "20000"
                                         << "11.5" << none << QList<double>{20, 20000, 12};
    QTest::newRow("2000 per decade") << false << true << "20"
                                     << "20000"
                                     << "2000" << none << QList<double>{20, 20000, 2000};
    QTest::newRow("2002 per decade") << false << true << "20"
                                     << "20000"
                                     << "2002" << kPoints2000 << QList<double>{20, 20000, 70};
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
    t.g.normStartFreq = 7;
    t.g.normStopFreq = 7000;
    t.g.normPoints = 70;
    viewer::frmNormalize dialog(t.g, t.messages);
    dialog.optDistribution[linear ? 0 : 1]->setChecked(true);
    dialog.optPointRange[perDecade ? 1 : 0]->setChecked(true);
    dialog.edtFreqStart->setText(start);
    dialog.edtFreqStop->setText(stop);
    dialog.edtNumberOfPoints->setText(points);
    const bool accepted = t.Ok(dialog);

    QCOMPARE(accepted, message.isEmpty());
    QCOMPARE(t.g.dataNormalized, message.isEmpty());
    QCOMPARE(t.messages.shown.size(), std::size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty()) {
      QCOMPARE(t.messages.shown[0].text, message);
      QCOMPARE(t.messages.shown[0].title, kNormalizeTitle);
      QVERIFY(t.messages.shown[0].buttons == platform::MessageButtons::kOk);
      QCOMPARE(t.g.normalizedData.LastIndex(), 1);
    }
    QCOMPARE(t.g.normDistribution, linear ? 0 : 1);
    QCOMPARE(t.g.normPointRange, perDecade ? 1 : 0);
    QCOMPARE((QList<double>{t.g.normStartFreq, t.g.normStopFreq, double(t.g.normPoints)}), stored);
  }

  // OK re-samples the adjusted data when there are any, else the loaded data; the distribution
  // chosen decides the walk.
  void normalizeSource_data() {
    QTest::addColumn<bool>("adjusted");
    QTest::addColumn<bool>("linear");
    QTest::newRow("loaded, log") << false << false;
    QTest::newRow("loaded, linear") << false << true;
    QTest::newRow("adjusted, log") << true << false;
  }
  void normalizeSource() {
    QFETCH(bool, adjusted);
    QFETCH(bool, linear);
    Tools t;
    if (adjusted) {
      QVERIFY(t.Adjust(QStringLiteral("-6")));
    }
    t.g.normDistribution = linear ? 0 : 1;
    QVERIFY(t.Normalize(QStringLiteral("20"), QStringLiteral("20000"), QStringLiteral("100")));
    const ResponseSet& source = adjusted ? t.g.adjustedData : t.g.loadedData;
    QCOMPARE(t.g.normalizedData,
             linear ? viewer::NormalizeLinear(source, t.Settings()) : viewer::NormalizeLog(source, t.Settings()));
    QVERIFY(t.g.normalizedData.PointCount() > 90);
    QVERIFY(t.messages.shown.empty());
  }

  void normalizeCancel() {
    Tools t;
    const viewer::GlobalVariables before = t.g;
    viewer::frmNormalize dialog(t.g, t.messages);
    dialog.optDistribution[0]->setChecked(true);
    dialog.optPointRange[1]->setChecked(true);
    dialog.edtFreqStart->setText(QStringLiteral("20"));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.cmdCancel_Click();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toInt(), int(QDialog::Rejected));
    QCOMPARE(t.g.normDistribution, before.normDistribution);
    QCOMPARE(t.g.normPointRange, before.normPointRange);
    QCOMPARE(t.g.normStartFreq, before.normStartFreq);
    QVERIFY(!t.g.dataNormalized);
  }

  // The leading number of the text, no number reading 0; the adjustment always succeeds.
  void adjust_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("offset");
    QTest::newRow("down 6.5") << QStringLiteral("-6.5") << -6.5;
    QTest::newRow("number and unit") << QStringLiteral("3 dB") << 3.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
  }
  void adjust() {
    QFETCH(QString, text);
    QFETCH(double, offset);
    Tools t;
    viewer::frmMagnitude dialog(t.g, t.messages);
    QVERIFY(dialog.edtDecibels->text().isEmpty());
    dialog.edtDecibels->setText(text);
    QVERIFY(t.Ok(dialog));
    QVERIFY(t.g.dataAdjusted);
    QCOMPARE(t.g.adjustedData, viewer::AdjustMagnitude(offset, t.g.loadedData));
    QVERIFY(t.messages.shown.empty());
  }

  // A number beyond the range of a double would make every magnitude infinite: it is refused
  // with a message and the dialog stays open.
  void adjustOutOfRange() {
    Tools t;
    QVERIFY(!t.Adjust(QStringLiteral("-1e400")));
    QVERIFY(!t.g.dataAdjusted);
    QCOMPARE(t.g.adjustedData.LastIndex(), 1);
    QCOMPARE(t.messages.shown.size(), std::size_t(1));
    QCOMPARE(t.messages.shown[0].text, QStringLiteral("The number of decibels is too large."));
    QCOMPARE(t.messages.shown[0].title, QStringLiteral("Vostrel - Adjust Magnitude"));
    QVERIFY(t.messages.shown[0].buttons == platform::MessageButtons::kOk);
  }

  void adjustCancel() {
    Tools t;
    viewer::frmMagnitude dialog(t.g, t.messages);
    dialog.edtDecibels->setText(QStringLiteral("3"));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.cmdCancel_Click();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!t.g.dataAdjusted);
    QCOMPARE(t.g.adjustedData.LastIndex(), 1);
  }

  // Adjusting after a normalization shifts the normalized points (phase 0); each run starts
  // again from its source, so +3 twice is +3 and a second normalization gives the same set.
  void chained() {
    Tools t;
    QVERIFY(t.Normalize(QStringLiteral("30"), QStringLiteral("3000"), QStringLiteral("20")));
    const ResponseSet normalized = t.g.normalizedData;
    QVERIFY(t.Adjust(QStringLiteral("3")));
    QVERIFY(t.Adjust(QStringLiteral("3")));
    QCOMPARE(t.g.adjustedData.LastIndex(), normalized.LastIndex());
    for (int i = 2; i <= normalized.LastIndex(); ++i) {
      QCOMPARE(t.g.adjustedData[i][data::kFrequency], normalized[i][data::kFrequency]);
      QCOMPARE(t.g.adjustedData[i][data::kMagnitude], normalized[i][data::kMagnitude] + 3);
      QCOMPARE(t.g.adjustedData[i][data::kPhase], 0.0);
    }
    // Normalizing now re-samples the adjusted data, not the previous result.
    QVERIFY(t.Normalize(QStringLiteral("30"), QStringLiteral("3000"), QStringLiteral("20")));
    QCOMPARE(t.g.normalizedData, viewer::NormalizeLog(t.g.adjustedData, t.Settings()));
    QVERIFY(t.g.normalizedData != normalized);
  }
};

QTEST_MAIN(tst_tooldialogs)
#include "tst_tooldialogs.moc"
