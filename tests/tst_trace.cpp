// Tracing a picture through the tracer window's handlers: the Trace commands, the two ways of
// stepping, the trace options, the saved file, and a graph picture traced end to end and read back
// with the viewer's reader.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <fstream>

#include "ResponseFile.h"
#include "TracerFixture.h"
#include "frmTraceOpt.h"
#include "numbers.h"

using fakes::Tracer;
using platform::MessageResult;

namespace {

QImage White() {
  QImage picture(400, 300, QImage::Format_RGB32);
  picture.fill(Qt::white);
  return picture;
}

// A picture imported (unless there is one) and all six references registered with their default values at the lines'
// design places: 1860 twips per decade from 100 Hz at X 2160, 76 twips per dB from 60 dB at Y 3720.
void Ready(Tracer& t, bool import = true) {
  if (import) {
    t.Import(White());
  }
  tracer::Form1& w = *t.window;
  t.Register(w.mnuReg100Hz, QStringLiteral("100"), 2160);
  t.Register(w.mnuReg10000Hz, QStringLiteral("10000"), 5880);
  t.Register(w.mnuReg60Db, QStringLiteral("60"), 3720);
  t.Register(w.mnuReg90Db, QStringLiteral("90"), 1440);
  t.Register(w.mnuReg4Ohm, QStringLiteral("4"), 3120);
  t.Register(w.mnuReg16Ohm, QStringLiteral("16"), 2160);
}

void Key(Tracer& t, int key, int times = 1) {
  for (int i = 0; i < times; ++i) {
    t.window->Graph_KeyDown(0, key, 0);
  }
}

QString Text(float value) { return QString::fromStdString(platform::SingleText(value)); }

QString LastMessage(const Tracer& t) {
  return t.services.messageBox.shown.empty() ? QString() : t.services.messageBox.shown.back().text;
}

QByteArray SaveTo(Tracer& t, const QString& path) {
  t.services.fileDialog.answers.push_back(path);
  t.window->mnuSaveAs_Click();
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

std::optional<data::ResponseSet> ReadBack(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  data::ResponseSet set;
  if (!data::ReadResponseFile(in, set)) {
    return std::nullopt;
  }
  return set;
}

// The value of a curve file (frequency, value lines) at `f`, interpolated over log f.
double CurveAt(const std::vector<std::pair<double, double>>& curve, double f) {
  auto upper = std::lower_bound(curve.begin(), curve.end(), std::make_pair(f, -1e300));
  if (upper == curve.begin()) {
    return upper->second;
  }
  if (upper == curve.end()) {
    return curve.back().second;
  }
  const auto lower = upper - 1;
  const double t = std::log(f / lower->first) / std::log(upper->first / lower->first);
  return lower->second + t * (upper->second - lower->second);
}

}  // namespace

Q_DECLARE_METATYPE(MessageResult)

class tst_trace : public QObject {
  Q_OBJECT

 private slots:
  // The Start commands refuse in a fixed order, each trace kind checking its own references.
  void refusals_data() {
    QTest::addColumn<bool>("picture");
    QTest::addColumn<QStringList>("unregister");  // menu items clicked again after Ready
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<QString>("message");  // empty: the trace starts
    const QString import = QStringLiteral("Use the File > Import Graph menu item to import a graph.");
    const QString amplitude =
        QStringLiteral("Use the Alignment menu item to register amplitude positions on the graph.");
    const QString frequency =
        QStringLiteral("Use the Alignment menu item to register frequency positions on the graph.");
    const QString impedance =
        QStringLiteral("Use the Alignment menu item to register impedance positions on the graph.");
    QTest::newRow("no picture") << false << QStringList{} << false << import;
    QTest::newRow("no high amplitude") << true << QStringList{"mnuReg90Db", "mnuReg100Hz"} << false << amplitude;
    QTest::newRow("no frequency") << true << QStringList{"mnuReg10000Hz"} << false << frequency;
    QTest::newRow("no low impedance") << true << QStringList{"mnuReg4Ohm"} << true << impedance;
    QTest::newRow("SPL without impedance") << true << QStringList{"mnuReg4Ohm", "mnuReg16Ohm"} << false << "";
    QTest::newRow("impedance without amplitude") << true << QStringList{"mnuReg60Db"} << true << "";
  }
  void refusals() {
    QFETCH(bool, picture);
    QFETCH(QStringList, unregister);
    QFETCH(bool, impedance);
    QFETCH(QString, message);
    Tracer t;
    tracer::Form1& w = *t.window;
    Ready(t);
    if (!picture) {
      w.ResetTracerWindow();
      t.Register(w.mnuReg100Hz, QStringLiteral("100"), 2160);
    }
    for (const QString& name : unregister) {
      w.findChild<QAction*>(name)->trigger();
    }
    (impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
    QCOMPARE(LastMessage(t), message);
    QCOMPARE(w.isTracing, message.isEmpty());
    QCOMPARE(w.mnuTraceStartSPL->isEnabled(), !message.isEmpty());
    if (message.isEmpty()) {
      QCOMPARE(t.Panel(4),
               impedance ? QStringLiteral("Starting Impedance Trace") : QStringLiteral("Starting SPL Trace"));
      QCOMPARE(w.isImpedanceTrace, impedance);
    }
  }

  // Free-form: the start follows the pointer, the arming click records nothing, the first point
  // lies 15 twips left of the click and every later one 30 twips further. Up and Down move the
  // trace line by a pixel; Enter records like a click and the readout follows the new position.
  void freeFormAndKeys() {
    Tracer t;
    tracer::Form1& w = *t.window;
    Ready(t);
    w.mnuTraceStartSPL_Click();
    QVERIFY(w.isTraceArmed && w.pnlTrace->Visible() && w.lnTrace->Visible());
    t.Move(-300, -20);  // a drag that left the area
    QCOMPARE((QList<float>{w.pnlTrace->Width(), w.lnTrace->X2(), w.lnTrace->Y1()}), (QList<float>{0, 0, -20}));
    t.Move(4035, 2640);
    QCOMPARE((QList<float>{w.pnlTrace->Width(), w.lnTrace->X2()}), (QList<float>{4035, 4035}));
    t.Click();
    QCOMPARE(t.Panel(4), QStringLiteral("Trace SPL"));
    QCOMPARE((QList<int>{t.g.recordedPointCount, w.traceX}), (QList<int>{0, 4020}));
    Key(t, platform::kKeyUp, 2);
    QCOMPARE(t.Panel(2), QStringLiteral("Db  74.60526"));
    Key(t, platform::kKeyDown);
    Key(t, 'A');
    QCOMPARE((QList<float>{w.lnTrace->Y1(), w.lnTrace->Y2()}), (QList<float>{2625, 2625}));
    Key(t, platform::kKeyReturn);
    QCOMPARE((QStringList{Text(w.traceFreqs[0]), Text(w.traceDbs[0]), Text(w.traceOhms[0])}),
             (QStringList{"1000", "74.4079", "8.175178"}));
    QCOMPARE(w.pnlTrace->Width(), 4050.0F);
    QCOMPARE(t.Panel(1), QStringLiteral("Freq.  1018.743"));
    t.Move(100, 2640);  // the pointer sets the line's height only
    QCOMPARE((QList<float>{w.lnTrace->Y1(), w.pnlTrace->Width()}), (QList<float>{2640, 4050}));
    t.Click();
    QCOMPARE(w.pnlTrace->Width(), 4080.0F);
    QCOMPARE(Text(w.traceFreqs[1]), QStringLiteral("1018.743"));
  }

  // Limited: from the start frequency in equal log steps; the limit message after limit + 1 points.
  void limitedTrace() {
    Tracer t;
    tracer::Form1& w = *t.window;
    Ready(t);
    t.g.useTraceLimits = true;
    w.mnuTraceStartSPL_Click();
    QCOMPARE(w.traceLogStep, 0.0075);
    QCOMPARE((QList<int>{w.traceX, int(w.pnlTrace->Width())}), (QList<int>{875, 875}));
    QCOMPARE(t.Panel(4), QStringLiteral("Trace SPL"));
    t.Move(0, 2640);
    Key(t, platform::kKeyReturn, 401);
    QVERIFY(t.services.messageBox.shown.empty());
    Key(t, platform::kKeyReturn);
    QCOMPARE(LastMessage(t), QStringLiteral("The specified trace limit has been reached."));
    QCOMPARE(t.g.recordedPointCount, 401);
    QCOMPARE(Text(w.traceFreqs.front()), QStringLiteral("20.00208"));

    // Every point is written: 401 lines from 20 Hz to 20 kHz.
    QTemporaryDir dir;
    const QByteArray saved = SaveTo(t, dir.filePath(QStringLiteral("limited")));
    QCOMPARE(saved.count("\r\n"), 401);
    QVERIFY(saved.startsWith("20.00208 74.21053 0\r\n"));

    // A start frequency left of the area starts at 120 twips. Without a usable frequency axis, a
    // limited trace records at its start and does not move.
    Tracer low;
    Ready(low);
    low.g = {true, 1, 20000, 400, 0};
    low.window->mnuTraceStartImpedance_Click();
    QCOMPARE(low.window->traceX, 120);
    // No fixed cap: the point limit is the only bound.
    low.window->mnuTraceStop_Click();
    low.g = {true, 20, 20000, 1500, 0};
    low.window->mnuTraceStartSPL_Click();
    Key(low, platform::kKeyReturn, 1501);
    QCOMPARE(low.g.recordedPointCount, 1501);
    QVERIFY(low.services.messageBox.shown.empty());
    low.services.messageBox.answers = {MessageResult::kNo};
    low.window->mnuTraceStop_Click();
    low.services.messageBox.shown.clear();
    low.window->mnuReg10000Hz->trigger();
    low.Register(low.window->mnuReg10000Hz, QStringLiteral("10000"), 2160);
    low.window->mnuTraceStartSPL_Click();
    Key(low, platform::kKeyReturn, 2);
    QCOMPARE((QList<float>{float(low.g.recordedPointCount), low.window->pnlTrace->Width()}), (QList<float>{2, 120}));
    QVERIFY(low.services.messageBox.shown.empty());
  }

  void endOfArea() {
    Tracer t;
    tracer::Form1& w = *t.window;
    Ready(t);
    const int W0 = w.Graph[0]->Width();
    w.mnuTraceStartSPL_Click();
    t.Move(float(W0 - 20), 2640);
    t.Click();
    t.Click();
    QCOMPARE(w.pnlTrace->Width(), float(W0 - 5));
    QVERIFY(t.services.messageBox.shown.empty());
    t.Click();
    QCOMPARE(LastMessage(t), QStringLiteral("The end of the graph area has been reached."));
    QCOMPARE(t.g.recordedPointCount, 2);
    QCOMPARE(w.pnlTrace->Width(), float(W0 - 5));
  }

  // Stop Trace asks the save question while points are unsaved; the points outlive the trace.
  void stopTrace_data() {
    QTest::addColumn<MessageResult>("answer");
    QTest::newRow("yes") << MessageResult::kYes;
    QTest::newRow("no") << MessageResult::kNo;
    QTest::newRow("cancel") << MessageResult::kCancel;
  }
  void stopTrace() {
    QFETCH(MessageResult, answer);
    Tracer t;
    tracer::Form1& w = *t.window;
    Ready(t);
    w.mnuTraceStartImpedance_Click();
    t.Move(4035, 2640);
    t.Click();
    t.Click();
    t.services.messageBox.answers.push_back(answer);
    QTemporaryDir dir;
    t.services.fileDialog.answers.push_back(dir.filePath(QStringLiteral("stopped.zma")));
    w.mnuTraceStop_Click();
    QCOMPARE(LastMessage(t), QStringLiteral("Do you want to save the current trace data?"));
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("stopped.zma"))), answer == MessageResult::kYes);
    const bool stopped = answer != MessageResult::kCancel;
    QCOMPARE(w.isTracing, !stopped);
    QCOMPARE(w.pnlTrace->Visible(), !stopped);
    QCOMPARE(w.mnuTraceStartSPL->isEnabled(), stopped);
    QCOMPARE(t.Panel(4), stopped ? QString() : QStringLiteral("Trace Impedance"));
    QCOMPARE(t.g.recordedPointCount, 1);
    // Once stopped, nothing is asked again and a save writes an SPL file.
    w.mnuTraceStop_Click();
    QCOMPARE(t.services.messageBox.shown.size(), std::size_t(stopped ? 1 : 2));
  }

  // Import, Exit and the window's close button during a trace with unsaved points ask first. An
  // import ends the recording but leaves the marker and the disabled Start commands.
  void saveQuestion_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<MessageResult>("answer");
    for (const char* command : {"import", "exit", "close"}) {
      QTest::addRow("%s, cancel", command) << command << MessageResult::kCancel;
      QTest::addRow("%s, no", command) << command << MessageResult::kNo;
    }
    QTest::newRow("exit, yes") << "exit" << MessageResult::kYes;
  }
  void saveQuestion() {
    QFETCH(QString, command);
    QFETCH(MessageResult, answer);
    Tracer t;
    tracer::Form1& w = *t.window;
    Ready(t);
    w.mnuTraceStartSPL_Click();
    t.Click();
    t.Click();
    t.services.messageBox.answers = {answer};
    QTemporaryDir dir;
    t.services.fileDialog.answers.push_back(dir.filePath(QStringLiteral("asked.frd")));
    bool closed = false;
    if (command == QLatin1String("import")) {
      t.Import(White());
    } else if (command == QLatin1String("exit")) {
      w.mnuExit_Click();
    } else {
      closed = w.close();
    }
    QCOMPARE(LastMessage(t), QStringLiteral("Do you want to save the current trace data?"));
    QCOMPARE(t.services.messageBox.shown.back().buttons, platform::MessageButtons::kYesNoCancel);
    const bool goesOn = answer != MessageResult::kCancel;
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("asked.frd"))), answer == MessageResult::kYes);
    QCOMPARE(closed, command == QLatin1String("close") && goesOn);
    QCOMPARE(t.services.application.quitCalls, command != QLatin1String("import") && goesOn ? 1 : 0);
    if (command == QLatin1String("import")) {
      QCOMPARE(w.isTracing, !goesOn);
      QCOMPARE(t.g.recordedPointCount, goesOn ? 0 : 1);
      QVERIFY(w.pnlTrace->Visible() && !w.mnuTraceStartSPL->isEnabled());
    }
  }

  // The saved bytes: 7 significant digits, "." in every locale, phase 0, CR LF.
  void savedFile_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("SPL") << "en_US" << false << QByteArray("1000.123 74.21053 0\r\n20 -3.5 0\r\n");
    QTest::newRow("German settings") << "de_DE" << false << QByteArray("1000.123 74.21053 0\r\n20 -3.5 0\r\n");
    QTest::newRow("impedance") << "en_US" << true << QByteArray("1000.123 8 0\r\n20 0.25 0\r\n");
  }
  void savedFile() {
    QFETCH(QString, locale);
    QFETCH(bool, impedance);
    QFETCH(QByteArray, bytes);
    QLocale::setDefault(QLocale(locale));
    Tracer t;
    tracer::Form1& w = *t.window;
    Ready(t);
    (impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
    t.Click();
    for (const auto& [f, db, ohm] : {std::tuple{1000.123F, 74.21053F, 8.0F}, std::tuple{20.0F, -3.5F, 0.25F}}) {
      w.curFreq = f;
      w.curDb = db;
      w.curOhm = ohm;
      w.RecordTracePoint();
    }
    QTemporaryDir dir;
    t.services.fileDialog.answers.push_back(dir.filePath(QStringLiteral("typed")));
    w.mnuSaveTrace->trigger();
    QLocale::setDefault(QLocale::c());
    QFile file(dir.filePath(QStringLiteral("typed")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
    const platform::FileDialogSettings& asked = t.services.fileDialog.requests.back().settings;
    const QStringList expected = impedance ? QStringList{"Save Impedance Trace As", "speaker.zma", "zma", ""}
                                           : QStringList{"Save SPL Trace As", "speaker.frd", "frd", ""};
    QCOMPARE((QStringList{asked.title, asked.fileName, asked.defaultExt, asked.filter}), expected);
    QVERIFY(asked.overwritePrompt && asked.cancelError);
    QVERIFY(!w.isTraceUnsaved);
  }

  // A trace of 20 points gives 20 lines, which the viewer opens; a failed save says so.
  void twentyPointsAndFailure() {
    Tracer t;
    Ready(t);
    t.window->mnuTraceStartSPL_Click();
    t.Move(1000, 2640);
    t.Click();
    Key(t, platform::kKeyReturn, 20);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("twenty.frd"));
    QCOMPARE(SaveTo(t, path).count("\r\n"), 20);
    QVERIFY(ReadBack(path).has_value());
    Key(t, platform::kKeyReturn);
    QCOMPARE(SaveTo(t, dir.filePath(QStringLiteral("missing/folder.frd"))), QByteArray("<none>"));
    QCOMPARE(LastMessage(t), QStringLiteral("The trace data could not be written to the specified file."));
    QVERIFY(t.window->isTraceUnsaved);
  }

  // The options dialog: its rounding, the swap, and the refusals; Cancel keeps everything.
  void options_data() {
    QTest::addColumn<int>("method");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QList<int>>("stored");  // start, stop, count, limits (after 20, 20000, 400, free-form)
    QTest::newRow("free-form keeps the numbers")
        << 0 << QStringList{"5", "6", "7"} << true << QList<int>{20, 20000, 400, 0};
    QTest::newRow("swap") << 1 << QStringList{"5000", "100", "40"} << true << QList<int>{100, 5000, 40, 1};
    QTest::newRow("halves to even") << 1 << QStringList{"2.5", "3.5", "10.5"} << true << QList<int>{2, 4, 10, 1};
    QTest::newRow("leading number") << 1 << QStringList{"1,000", "2e4 Hz", "abc"} << false
                                    << QList<int>{20, 20000, 400, 0};
    QTest::newRow("grouped start") << 1 << QStringList{"1,000", "2e4 Hz", "7"} << true << QList<int>{1, 20000, 7, 1};
    QTest::newRow("beyond 32 bits") << 1 << QStringList{"20", "3000000000", "400"} << false
                                    << QList<int>{20, 20000, 400, 0};
    QTest::newRow("beyond a double") << 1 << QStringList{"1e999", "20", "400"} << false
                                     << QList<int>{20, 20000, 400, 0};
    QTest::newRow("no points") << 1 << QStringList{"20", "20000", "0.4"} << false << QList<int>{20, 20000, 400, 0};
    QTest::newRow("negative points") << 1 << QStringList{"20", "20000", "-5"} << false << QList<int>{20, 20000, 400, 0};
    QTest::newRow("cancel") << 1 << QStringList{"30", "300", "3"} << false << QList<int>{20, 20000, 400, 0};
  }
  void options() {
    QFETCH(int, method);
    QFETCH(QStringList, boxes);
    QFETCH(bool, ok);
    QFETCH(QList<int>, stored);
    Tracer t;
    t.services.modal.scripts.push_back([&](QDialog& d) {
      auto& dialog = static_cast<tracer::frmTraceOpt&>(d);
      QVERIFY(dialog.chkTraceMethod[0]->isChecked() && !dialog.edtTraceCount->isEnabled());
      QCOMPARE(dialog.edtFrequencyStop->text(), QStringLiteral("20000"));
      dialog.chkTraceMethod[1]->click();
      QVERIFY(dialog.edtTraceCount->isEnabled());
      dialog.edtFrequencyStart->setText(boxes[0]);
      dialog.edtFrequencyStop->setText(boxes[1]);
      dialog.edtTraceCount->setText(boxes[2]);
      dialog.chkTraceMethod[std::size_t(method)]->click();
      if (QTest::currentDataTag() == QByteArray("cancel")) {
        dialog.cmdCancel_Click();
      } else {
        dialog.cmdOK_Click();
      }
    });
    t.window->mnuTraceOptions->trigger();
    QCOMPARE((QList<int>{t.g.traceStartFreq, t.g.traceStopFreq, t.g.tracePointLimit, int(t.g.useTraceLimits)}), stored);
    const bool refused = !t.services.messageBox.shown.empty();
    QCOMPARE(refused, !ok && QTest::currentDataTag() != QByteArray("cancel"));
    if (refused) {
      QCOMPARE(t.services.messageBox.shown[0].text,
               QStringLiteral("Enter whole numbers within range; the number of trace points must be at least 1."));
      QCOMPARE(t.services.messageBox.shown[0].title, QStringLiteral("Quelbrin - Trace Options"));
    }
    // A new opening shows the options as stored.
    tracer::frmTraceOpt again(t.g, t.services.messageBox);
    QCOMPARE(again.edtFrequencyStart->text().toInt(), stored[0]);
    QCOMPARE(again.chkTraceMethod[1]->isChecked(), stored[3] == 1);
    QCOMPARE(again.lblTraceCount->isEnabled(), stored[3] == 1);
  }

  // A graph picture through the clipboard, its references registered at its grid lines, a limited
  // trace that puts the line on the curve drawn in each column, saved and read back.
  void endToEnd_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<QList<double>>("lines");  // picture pixels: x of 100 Hz, 10 kHz; y of the low, high level
    QTest::addColumn<QStringList>("values");   // the levels of those lines
    QTest::addColumn<int>("points");           // 200: by Auto Trace, else by hand
    QTest::addColumn<double>("tolerance");     // dB
    const QList<double> spl{268.3033612487734, 844.3033612487734, 476.8, 143.2};
    const QList<double> ohm{671.2584031219335, 2111.2584031219335, 789.7246845268037, 475.44936905360726};
    QTest::newRow("SPL") << "graph-spl-960x640" << false << spl << QStringList{"60", "90"} << 60 << 0.3;
    QTest::newRow("impedance") << "graph-impedance-2400x1200" << true << ohm << QStringList{"4", "16"} << 60 << 0.3;
    // Within 0.2 dB, and 1 % of the impedance (0.086 dB).
    QTest::newRow("SPL, Auto Trace") << "graph-spl-960x640" << false << spl << QStringList{"60", "90"} << 200 << 0.2;
    QTest::newRow("impedance, Auto Trace")
        << "graph-impedance-2400x1200" << true << ohm << QStringList{"4", "16"} << 200 << 0.086;
  }
  void endToEnd() {
    QFETCH(QString, name);
    QFETCH(bool, impedance);
    QFETCH(QList<double>, lines);
    QFETCH(QStringList, values);
    QFETCH(int, points);
    QFETCH(double, tolerance);
    const QString base = QStringLiteral(FIXTURES_DIR "/") + name;
    const QImage picture(base + QStringLiteral(".png"));
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Import(picture);
    const double sx = w.Graph[0]->Width() / double(picture.width());
    const double sy = w.Graph[0]->Height() / double(picture.height());
    t.Register(w.mnuReg100Hz, QStringLiteral("100"), float(lines[0] * sx));
    t.Register(w.mnuReg10000Hz, QStringLiteral("10000"), float(lines[1] * sx));
    t.Register(impedance ? w.mnuReg4Ohm : w.mnuReg60Db, values[0], float(lines[2] * sy));
    t.Register(impedance ? w.mnuReg16Ohm : w.mnuReg90Db, values[1], float(lines[3] * sy));
    t.g = {true, 20, 20000, points, 0};
    (impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
    // The middle of the curve's coloured pixels in a picture column (or the nearest column with
    // some, where the plot's frame hides the curve or the trace steps past its end).
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const auto curveIn = [&rgb](int column) {
      double sum = 0;
      int count = 0;
      for (int y = 0; y < rgb.height(); ++y) {
        const QColor c = rgb.pixelColor(std::clamp(column, 0, rgb.width() - 1), y);
        if (std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 80) {
          sum += y;
          ++count;
        }
      }
      return count > 0 ? sum / count : -1.0;
    };
    const auto curveNear = [&](double x) {
      double y = -1;
      for (int d = 0; d <= 8 && y < 0; ++d) {
        y = std::max(curveIn(int(std::lround(x)) - d), curveIn(int(std::lround(x)) + d));
      }
      return y;
    };
    if (points == 200) {
      // Pick the colour on the curve at 1 kHz, then let the trace run.
      const double x = (lines[0] + lines[1]) / 2;
      t.Move(float(x * sx), float((curveNear(x) + 0.5) * sy));
      w.mnuPickColour->trigger();
      t.Click();
      w.mnuAutoTrace->trigger();
      // Each step starts from the frequency measured at whole twips, so the steps run a little
      // long and the last few land beyond the curve's end at 20 kHz, where the trace stops.
      QVERIFY(w.traceFreqs.back() > 20000 && t.g.recordedPointCount > 190);
      QCOMPARE(t.Panel(4), QStringLiteral("Curve colour not found here: place the point by hand"));
    } else {
      for (int point = 0; point <= points; ++point) {
        const double y = curveNear((w.traceX - w.traceXOffset) / sx);
        QVERIFY2(y >= 0, "no curve in the trace column");
        t.Move(0, float((y + 0.5) * sy));
        t.Click();
      }
      QVERIFY(t.services.messageBox.shown.empty());
      t.Click();
      QCOMPARE(LastMessage(t), QStringLiteral("The specified trace limit has been reached."));
      QCOMPARE(t.g.recordedPointCount, points + 1);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(name + (impedance ? QStringLiteral(".zma") : QStringLiteral(".frd")));
    SaveTo(t, path);
    const std::optional<data::ResponseSet> traced = ReadBack(path);
    const std::optional<data::ResponseSet> truth = ReadBack(base + QStringLiteral(".truth.frd"));
    QVERIFY(traced && truth);
    QCOMPARE(traced->LastIndex() - 1, t.g.recordedPointCount);
    std::vector<std::pair<double, double>> curve;
    for (int i = 2; i <= truth->LastIndex(); ++i) {
      curve.emplace_back((*truth)[i].value[0], (*truth)[i].value[1]);
    }
    for (int i = 2; i <= traced->LastIndex() && (*traced)[i].value[0] <= 20000; ++i) {
      // The frequency of the measured picture column, from the picture's grid.
      const double x = w.tracePlaces[std::size_t(i - 2)].onPicture.x();
      const double column = 100 * std::pow(100.0, (x - lines[0]) / (lines[1] - lines[0]));
      const double f = (*traced)[i].value[0];
      const double level = (*traced)[i].value[1];
      // The level against the curve within 1 % of the point's frequency: on a steep flank a
      // fraction of a pixel to the side is a large step in level.
      double error = 1e9;
      for (int k = -20; k <= 20; ++k) {
        const double expected = CurveAt(curve, f * std::pow(1.01, k / 20.0));
        error = std::min(error, std::fabs(impedance ? 20 * std::log10(level / expected) : level - expected));
      }
      QVERIFY2(std::fabs(f / column - 1) < 0.01 && error < tolerance,
               qPrintable(QStringLiteral("point %1: %2 Hz, %3 off by %4").arg(i - 1).arg(f).arg(level).arg(error)));
    }
  }

  // Markers and Undo in both ways of stepping: the marker goes with its point, the position goes
  // back to where the point was measured, and a save writes what remains.
  void undo_data() {
    QTest::addColumn<bool>("limited");
    QTest::newRow("free-form") << false;
    QTest::newRow("limited") << true;
  }
  void undo() {
    QFETCH(bool, limited);
    Tracer t;
    tracer::Form1& w = *t.window;
    Ready(t);
    t.g.useTraceLimits = limited;
    w.mnuTraceStartSPL_Click();
    t.Move(3000, 2640);
    if (!limited) {
      t.Click();  // fixes the start
    }
    t.Click();
    t.Move(10, 2000);
    const int secondAt = w.traceX;
    t.Click();
    t.Click();
    QCOMPARE(w.pnlPoints->Points().size(), std::size_t(3));
    QCOMPARE(w.pnlPoints->Points()[1], QPointF(secondAt - 15, 2000));
    w.mnuUndoPoint->trigger();
    Key(t, platform::kKeyBack);
    QCOMPARE(t.g.recordedPointCount, 1);
    QCOMPARE(w.pnlPoints->Points().size(), std::size_t(1));
    QCOMPARE((QList<float>{float(w.traceX), w.pnlTrace->Width(), w.lnTrace->Y1()}),
             (QList<float>{float(secondAt), float(secondAt), 2000}));
    QCOMPARE(t.Panel(2), QStringLiteral("Db  82.63158"));
    QTemporaryDir dir;
    QCOMPARE(SaveTo(t, dir.filePath(QStringLiteral("undone"))).count("\r\n"), 1);
    Key(t, platform::kKeyBack);
    Key(t, platform::kKeyBack);  // nothing left to take back
    QVERIFY(t.g.recordedPointCount == 0 && !w.isTraceUnsaved && w.pnlPoints->Points().empty());
    // Markers follow the picture when the window changes size, and go with a new trace.
    t.Click();
    const QPointF before = w.pnlPoints->Points()[0];
    const double width = w.Graph[0]->Width();
    t.window->showNormal();
    t.window->resize(600, 500);
    QCoreApplication::processEvents();
    QCOMPARE(w.pnlPoints->Points()[0].x(), before.x() * w.Graph[0]->Width() / width);
    w.mnuTraceStop_Click();
    w.mnuTraceStartSPL_Click();
    QVERIFY(w.pnlPoints->Points().empty());
  }

  // The loupe shows while a reference line is placed or a trace runs, away from the pointer, with
  // the picture's own pixels enlarged four times.
  void magnifier() {
    Tracer t;
    tracer::Form1& w = *t.window;
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setPixel(300, 200, qRgb(255, 0, 0));
    t.Import(picture);
    t.Move(3000, 3000);
    QVERIFY(w.picMagnifier->isHidden());
    t.AnswerValue(QStringLiteral("100"));
    w.mnuReg100Hz->trigger();
    const QPointF onRed = w.FromPicture({300.5, 200.5});
    t.Move(float(onRed.x()), float(onRed.y()));
    QVERIFY(w.picMagnifier->isVisible());
    QCOMPARE(w.picMagnifier->pos(), QPoint(8, 8));
    const QImage loupe = w.picMagnifier->grab().toImage();
    // The red pixel lies under the pointer, at the loupe's middle, 4 by 4 pixels.
    QCOMPARE(loupe.pixelColor(80, 80), QColor(255, 0, 0));
    QCOMPARE(loupe.pixelColor(83, 83), QColor(255, 0, 0));
    QCOMPARE(loupe.pixelColor(90, 90), QColor(Qt::white));
    t.Move(150, 150);  // near the loupe's corner: it moves to the opposite one
    QCOMPARE(w.picMagnifier->geometry().bottomRight(), QPoint(w.Graph[0]->width() - 9, w.Graph[0]->height() - 9));
    w.mnuMagnifier->trigger();
    t.Move(3000, 3000);
    QVERIFY(w.picMagnifier->isHidden());
  }

  // Auto Trace stops at the first column without the curve's colour, ready for a point by hand.
  void autoTraceStopsAtGap() {
    Tracer t;
    tracer::Form1& w = *t.window;
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int x = 0; x < 400; ++x) {
      picture.setPixel(x, 150, x >= 200 && x < 230 ? qRgb(255, 255, 255) : qRgb(0, 0, 200));
    }
    t.Import(picture);
    Ready(t, false);
    t.g.useTraceLimits = true;
    w.mnuAutoTrace->trigger();
    QVERIFY(LastMessage(t).startsWith(QStringLiteral("Auto Trace follows a trace with limits")));
    w.mnuTraceStartSPL_Click();
    w.mnuAutoTrace->trigger();
    QVERIFY(LastMessage(t).startsWith(QStringLiteral("Pick the curve's colour first")));
    const QPointF onCurve = w.FromPicture({50, 150.5});
    t.Move(float(onCurve.x()), float(onCurve.y()));
    w.mnuPickColour->trigger();
    t.Click();
    QCOMPARE(t.g.recordedPointCount, 0);
    w.mnuAutoTrace->trigger();
    QCOMPARE(t.Panel(4), QStringLiteral("Curve colour not found here: place the point by hand"));
    const double stoppedAt = w.ToPicture({w.lnTrace->X2() - 15.0F, 0}).x();
    QVERIFY2(stoppedAt >= 198 && stoppedAt < 205, qPrintable(QString::number(stoppedAt)));
    QVERIFY(t.g.recordedPointCount > 10);
    for (const auto& place : w.tracePlaces) {
      QVERIFY(std::fabs(place.onPicture.y() - 150.5) < 1e-3);
    }
  }
};

QTEST_MAIN(tst_trace)
#include "tst_trace.moc"
