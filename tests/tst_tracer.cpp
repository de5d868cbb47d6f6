// The tracer window through its handlers and the scripted fakes: picture import, the registration
// of the axes and the live readout; the Trace commands, the two ways of stepping, the save
// question, the saved file, the trace options, markers, editing points with undo and redo,
// sessions, and the loupe. (The picture analysis through the window, Auto Trace and the graphs
// traced end to end are in tst_pictures.)
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <fstream>

#include "DataTools.h"
#include "Pictures.h"
#include "PngChunks.h"
#include "ResponseFile.h"
#include "SessionFile.h"
#include "TracerFixture.h"
#include "frmTraceOpt.h"
#include "numbers.h"

using fakes::Filled;
using fakes::Tracer;
using platform::MessageResult;

namespace {

// The window at a given client size, as the user would leave it after un-maximizing.
void Resize(Tracer& t, int width, int height) {
  t.window->showNormal();
  t.window->resize(width, height);
  QCoreApplication::processEvents();
}

QString Text(float value) { return QString::fromStdString(platform::SingleText(value)); }

std::optional<data::ResponseSet> ReadBack(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  data::ResponseSet set;
  return data::ReadResponseFile(in, set) ? std::optional(set) : std::nullopt;
}

}  // namespace

Q_DECLARE_METATYPE(MessageResult)

class tst_tracer : public QObject {
  Q_OBJECT

 private slots:
  // Import from the clipboard and from a file, then what the graph area shows. Files up to 16384
  // pixels each way are read (Qt refuses more than 128 MB unless told otherwise), and a BMP whose
  // rows run from the top down.
  void import_data() {
    QTest::addColumn<QImage>("picture");    // on the clipboard; null: none
    QTest::addColumn<QString>("file");      // imported from this file instead, when set
    QTest::addColumn<QByteArray>("bytes");  // the file's bytes, when it is made here
    QTest::addColumn<QString>("message");
    const QString noPicture = QStringLiteral("Copy a graph image to the clipboard, then click Import Graph");
    const QString noFile = QStringLiteral("The file does not hold a picture that can be imported.");
    // 2 x 2 pixels of 24 bits, the height given as -2: the blue row first, then the red one.
    const QByteArray topDown = QByteArray::fromHex(
        "424d460000000000000036000000"                                                      // file header
        "2800000002000000feffffff01001800000000001000000000000000000000000000000000000000"  // 2 x -2, 24 bits
        "ff0000ff000000000000ff0000ff0000");
    const QByteArray none;
    QTest::newRow("picture") << Filled(400, 300, Qt::red) << QString() << none << QString();
    QTest::newRow("text or nothing") << QImage() << QString() << none << noPicture;
    QTest::newRow("too wide") << Filled(16385, 2, Qt::red) << QString() << none << noPicture;
    QTest::newRow("too tall") << Filled(2, 16385, Qt::red) << QString() << none << noPicture;
    QTest::newRow("file") << QImage() << FIXTURES_DIR "/graph-spl-960x640.png" << none << QString();
    QTest::newRow("file without picture") << QImage() << FIXTURES_DIR "/woofer-24ppo.frd" << none << noFile;
    QTest::newRow("top-down BMP") << QImage() << "top-down.bmp" << topDown << QString();
    QTest::newRow("largest PNG") << QImage() << "largest.png" << fakes::BlackPng(16384, 16384) << QString();
    QTest::newRow("PNG too tall") << QImage() << "tall.png" << fakes::BlackPng(16384, 16385) << noFile;
  }
  void import() {
    QFETCH(QImage, picture);
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    Tracer t;
    tracer::Form1& w = *t.window;
    QVERIFY(w.isMaximized());
    t.Ready(false);
    t.Move(4035, 2640);
    w.mnuOhmScale10->trigger();          // back to base 2 with any import
    t.Import(Filled(50, 50, Qt::blue));  // replaced or, on failure, gone
    QTemporaryDir dir;
    if (!bytes.isEmpty()) {
      QFile made(dir.filePath(file));
      QVERIFY(made.open(QIODevice::WriteOnly) && made.write(bytes) == bytes.size());
      file = made.fileName();
    }
    if (file.isEmpty()) {
      t.Import(picture);
    } else {
      t.services.fileDialog.answers.push_back(file);
      w.mnuImportFile_Click();
    }
    QCOMPARE(t.Message(), message);
    QVERIFY(w.isGraphImported == message.isEmpty() && w.mnuOhmScale2->isChecked() && !w.mnuOhmScale10->isChecked());
    QCOMPARE((QStringList{t.Panel(1), t.Panel(2), t.Panel(3)}), (QStringList{"Freq.", "Db", "Ohm"}));
    if (!message.isEmpty()) {  // after the reset: no picture at all
      QVERIFY(t.services.messageBox.shown.back().title == "Quelbrin" && w.Graph[1]->Picture().isNull() &&
              w.Graph[0]->Operations().empty());
      return;
    }
    // The holder keeps the picture at its own size; the graph area shows it stretched over it all.
    const QImage& held = w.Graph[1]->Picture();
    QCOMPARE(QSize(w.Graph[1]->Width(), w.Graph[1]->Height()), held.size() * 15);
    QCOMPARE(w.Graph[0]->Operations().size(), std::size_t(1));
    if (held.width() == 400) {
      const QImage shown = w.Graph[0]->grab().toImage();
      QVERIFY(shown.pixelColor(0, 0) == Qt::red && shown.pixelColor(shown.width() - 1, shown.height() - 1) == Qt::red);
    }
    if (held.width() == 2) {  // the top row on top
      QVERIFY(held.pixelColor(1, 0) == QColor(0, 0, 255) && held.pixelColor(1, 1) == Qt::red);
    }
  }

  // A 2400-pixel picture on a 1920-pixel screen, stretched again whenever the window changes size;
  // the references, the trace position and the markers stay on their points of the picture, so
  // the readout at a point of the picture reads the same after the resize as before.
  void resize() {
    Tracer t;
    tracer::Form1& w = *t.window;
    Resize(t, 1920, 1040);
    t.Import(QImage(QStringLiteral(FIXTURES_DIR "/graph-impedance-2400x1200.png")));
    QVERIFY(w.isGraphImported && w.Graph[1]->Width() == 36000 && w.Graph[0]->Width() == 1904 * 15);
    const QList<double> lines{671.258, 2111.258, 789.725, 475.449};  // 100 Hz, 10 kHz, 4 ohm, 16 ohm
    const QStringList values{"100", "10000", "4", "16"};
    QAction* const items[] = {w.mnuReg100Hz, w.mnuReg10000Hz, w.mnuReg4Ohm, w.mnuReg16Ohm};
    for (int i = 0; i < 4; ++i) {
      const QPointF at = w.FromPicture({lines[i], lines[i]});
      t.Register(items[i], values[i], float(i < 2 ? at.x() : at.y()));
    }
    const auto readAt = [&t, &w](QPointF onPicture) {  // the readout measures 15 twips left of the line's end
      const QPointF at = w.FromPicture(onPicture);
      t.Move(float(at.x() + 15), float(at.y()));
      return std::pair(w.curFreq, w.curOhm);
    };
    const auto before = readAt({1500, 600});
    t.g.useTraceLimits = true;
    w.mnuTraceStartImpedance->trigger();
    t.Key(platform::kKeyReturn, 2);
    const double column = w.ToPicture({w.traceX - 15.0, 0}).x();

    Resize(t, 1000, 700);
    const float W0 = 984 * 15;
    QCOMPARE((QList<float>{float(w.Graph[0]->Width()), w.Graph[0]->Operations().front().x2, w.lnReg16Ohm->X2()}),
             (QList<float>{W0, W0, W0}));
    QCOMPARE(w.Graph[0]->Operations().size(), std::size_t(1));
    QVERIFY(std::fabs(w.ToPicture({w.traceX - 15.0, 0}).x() - column) < 2.5);  // a twip is 2.4 pixels now
    t.services.messageBox.answers = {MessageResult::kNo};
    w.mnuTraceStop->trigger();
    const auto after = readAt({1500, 600});
    // Within the readout's rounding to whole twips (a twip is now 2.4 picture pixels).
    QVERIFY(std::fabs(std::log10(after.first / before.first)) < 2 / w.freqScale &&
            std::fabs(std::log2(after.second / before.second)) < 2 / w.ohmScale);
    Resize(t, 1000, 5);  // 1000 twips of outer height or less: the graph area stays
    QCOMPARE(float(w.Graph[0]->Width()), W0);
  }

  // One reference through its states: placing, fixed, unregistered; Cancel, the frame's close and
  // a refused value. With several placing, the earliest in the menu's order follows and is fixed
  // first. The status bar shows the value as typed, the locale's decimal separator included.
  void registration() {
    Tracer t;
    tracer::Form1& w = *t.window;
    t.AnswerValue(QStringLiteral("100"));
    w.mnuReg100Hz->trigger();
    QCOMPARE(t.Panel(4), QStringLiteral("Register 100Hz"));
    QVERIFY(tracer::Tag(w.mnuReg100Hz) == "1" && w.mnuReg100Hz->isChecked() && w.lnReg100Hz->Visible());
    t.Move(1500, 700);
    QCOMPARE((QList<float>{w.lnReg100Hz->X1(), w.lnReg100Hz->X2()}), (QList<float>{1500, 1500}));
    QCOMPARE(t.Panel(1), QStringLiteral("Freq."));  // no readout while a line is placed
    QCOMPARE(w.Graph[0]->grab().toImage().pixelColor(100, 10), QColor(0, 0, 255));
    t.Click();
    QVERIFY(tracer::Tag(w.mnuReg100Hz) == "2" && t.Panel(4) == " ");
    w.mnuReg100Hz->trigger();  // unregisters without a dialog; the value stays
    QCOMPARE(t.services.modal.shown.size(), std::size_t(1));
    QVERIFY(tracer::Tag(w.mnuReg100Hz) == "0" && !w.mnuReg100Hz->isChecked() && !w.lnReg100Hz->Visible());
    QCOMPARE(w.lowFreq, 100.0);

    t.AnswerValue(QString());
    w.mnuReg10000Hz->trigger();
    t.services.modal.scripts.push_back([](QDialog& dialog) { dialog.close(); });
    w.mnuReg10000Hz->trigger();
    t.AnswerValue(QStringLiteral("1,000"));
    w.mnuReg10000Hz->trigger();
    QCOMPARE(t.Message(), QStringLiteral("Enter a valid number, then click 'OK'"));
    QCOMPARE(t.services.messageBox.shown.back().title, QStringLiteral("Review Data"));
    QVERIFY(tracer::Tag(w.mnuReg10000Hz) == "0" && !w.mnuReg10000Hz->isChecked() && !w.lnReg10000Hz->Visible());
    QCOMPARE(w.highFreq, 10000.0);

    t.AnswerValue(QStringLiteral("70"));
    w.mnuReg60Db->trigger();
    QLocale::setDefault(QLocale(QLocale::German));
    t.AnswerValue(QStringLiteral(" 2,5"));
    w.mnuReg100Hz->trigger();
    QLocale::setDefault(QLocale::c());
    QCOMPARE(t.Panel(4), QStringLiteral("Register  2,5Hz"));
    t.Move(600, 900);
    QCOMPARE((QList<float>{w.lnReg100Hz->X1(), w.lnReg60Db->Y1()}), (QList<float>{600, 3720}));
    t.Click();
    t.Move(800, 1000);
    QCOMPARE((QList<float>{w.lnReg100Hz->X1(), w.lnReg60Db->Y1()}), (QList<float>{600, 1000}));
    t.Click();
    QVERIFY(tracer::Tag(w.mnuReg100Hz) == "2" && tracer::Tag(w.mnuReg60Db) == "2");
    QCOMPARE((QList<double>{w.lowFreq, w.lowFreqLog, w.lowDb}), (QList<double>{2.5, tracer::LogBase10(2.5), 70}));
  }

  // The readout with the default values registered at the lines' design places, in the user's
  // decimal separator; a quantity without both its references shows its caption alone. A
  // reference registered again at 2160 moves on to (5000, 2716). An axis without a usable scale
  // (both frequency lines at 2160) leaves its panel as it was; the other quantities go on.
  // Switching the ohm scale recomputes the registered values' logarithms, and a value registered
  // on base 10 is stored as its base-10 logarithm.
  void readout_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("scales");      // ohm scale items chosen first
    QTest::addColumn<QStringList>("registered");  // item, value ("": unregistered); "none": nothing registered
    QTest::addColumn<QStringList>("panels");
    QTest::newRow("nothing registered") << "en_US" << QStringList{} << QStringList{"none"}
                                        << QStringList{"Freq.", "Db", "Ohm"};
    QTest::newRow("base 2") << "en_US" << QStringList{} << QStringList{}
                            << QStringList{"Freq.  1000", "Db  74.21053", "Ohm  8"};
    QTest::newRow("linear") << "en_US" << QStringList{"mnuOhmScale1"} << QStringList{}
                            << QStringList{"Freq.  1000", "Db  74.21053", "Ohm  10"};
    QTest::newRow("German") << "de_DE" << QStringList{} << QStringList{}
                            << QStringList{"Freq.  1000", "Db  74,21053", "Ohm  8"};
    QTest::newRow("low amplitude unregistered") << "en_US" << QStringList{} << QStringList{"mnuReg60Db", ""}
                                                << QStringList{"Freq.  3302.305", "Db", "Ohm  7.168477"};
    QTest::newRow("no frequency scale") << "en_US" << QStringList{} << QStringList{"mnuReg10000Hz", "100"}
                                        << QStringList{"Freq.  1000", "Db  73.21053", "Ohm  7.168477"};
    QTest::newRow("base 10 after linear")
        << "en_US" << QStringList{"mnuOhmScale1", "mnuOhmScale10"} << QStringList{"mnuReg16Ohm", "32"}
        << QStringList{"Freq.  3302.305", "Db  73.21053", "Ohm  9.596445"};
  }
  void readout() {
    QFETCH(QString, locale);
    QFETCH(QStringList, scales);
    QFETCH(QStringList, registered);
    QFETCH(QStringList, panels);
    QLocale::setDefault(QLocale(locale));
    Tracer t;
    if (registered != QStringList{"none"}) {
      t.Ready(false);
    }
    for (const QString& name : scales) {
      t.window->findChild<QAction*>(name)->trigger();
    }
    t.Move(4035, 2640);
    if (registered.size() == 2) {
      QAction* item = t.window->findChild<QAction*>(registered[0]);
      item->trigger();  // unregistered
      if (!registered[1].isEmpty()) {
        t.Register(item, registered[1], 2160);
      }
      t.Move(5000, 2716);
    }
    QLocale::setDefault(QLocale::c());
    QCOMPARE((QStringList{t.Panel(1), t.Panel(2), t.Panel(3)}), panels);
  }
  // The Start commands refuse in a fixed order, each kind of trace checking its own references, and
  // then whether they define a usable scale.
  void refusals_data() {
    QTest::addColumn<QStringList>("unregister");  // menu items clicked again after Ready; "picture": none
    QTest::addColumn<QStringList>("again");       // then registered again: item, value, place; ...
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<QString>("refused");  // the references named in the message, "scale", or empty
    const QStringList none;
    QTest::newRow("no picture") << QStringList{"picture"} << none << false << "import";
    QTest::newRow("no high amplitude") << QStringList{"mnuReg90Db", "mnuReg100Hz"} << none << false << "amplitude";
    QTest::newRow("no frequency") << QStringList{"mnuReg10000Hz"} << none << false << "frequency";
    QTest::newRow("no low impedance") << QStringList{"mnuReg4Ohm"} << none << true << "impedance";
    QTest::newRow("SPL without impedance") << QStringList{"mnuReg4Ohm", "mnuReg16Ohm"} << none << false << "";
    QTest::newRow("impedance without amplitude") << QStringList{"mnuReg60Db"} << none << true << "";
    QTest::newRow("frequency lines at one place")
        << none << QStringList{"mnuReg10000Hz", "10000", "2160"} << false << "scale";
    QTest::newRow("one frequency twice") << none << QStringList{"mnuReg10000Hz", "100", "5880"} << true << "scale";
    QTest::newRow("level beyond single precision")
        << none << QStringList{"mnuReg90Db", "1e308", "1440"} << false << "scale";
    QTest::newRow("impedances at or below 1 ohm")
        << none << QStringList{"mnuReg4Ohm", "0.5", "3120", "mnuReg16Ohm", "1", "2160"} << true << "scale";
    QTest::newRow("SPL with unusable impedances") << none << QStringList{"mnuReg16Ohm", "4", "2160"} << false << "";
  }
  void refusals() {
    QFETCH(QStringList, unregister);
    QFETCH(QStringList, again);
    QFETCH(bool, impedance);
    QFETCH(QString, refused);
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Ready(unregister != QStringList{"picture"});
    for (const QString& name : unregister) {
      if (QAction* item = w.findChild<QAction*>(name)) {
        item->trigger();
      }
    }
    for (qsizetype i = 0; i + 2 < again.size(); i += 3) {
      QAction* item = w.findChild<QAction*>(again[i]);
      item->trigger();
      t.Register(item, again[i + 1], again[i + 2].toFloat());
    }
    (impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
    const QString message =
        refused == QLatin1String("import") ? QStringLiteral("Use the File > Import Graph menu item to import a graph.")
        : refused == QLatin1String("scale")
            ? QStringLiteral(
                  "The registered references do not define a usable scale: register two different values "
                  "at two different positions.")
            : QStringLiteral("Use the Alignment menu item to register %1 positions on the graph.").arg(refused);
    QCOMPARE(t.Message(), refused.isEmpty() ? QString() : message);
    QCOMPARE(w.mnuTraceStartSPL->isEnabled(), !refused.isEmpty());
    QCOMPARE(t.Panel(4), refused.isEmpty() ? (impedance ? "Starting Impedance Trace" : "Starting SPL Trace") : " ");
  }

  // Free-form: the start follows the pointer, the arming click records nothing, the first point
  // lies 15 twips left of the click and every later one 30 twips further. Up and Down move the
  // trace line by a pixel; Enter records like a click and the readout follows the new position.
  // Every recorded point is written: 20 points make 20 lines, which the viewer opens. The point at
  // the end of the area is recorded with the message; a further click there records nothing.
  void freeFormAndKeys() {
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Ready();
    w.mnuTraceStartSPL_Click();
    t.Move(-300, -20);  // a drag that left the area
    QCOMPARE((QList<float>{w.pnlTrace->Width(), w.lnTrace->X2(), w.lnTrace->Y1()}), (QList<float>{0, 0, -20}));
    t.Move(4035, 2640);
    QVERIFY(w.pnlTrace->Visible() && w.pnlTrace->Width() == 4035 && w.lnTrace->X2() == 4035);
    t.Click();
    QVERIFY(t.Panel(4) == "Trace SPL" && t.g.recordedPointCount == 0 && w.traceX == 4020);
    t.Key(platform::kKeyUp, 2);
    QCOMPARE(t.Panel(2), QStringLiteral("Db  74.60526"));
    t.Key(platform::kKeyDown);
    t.Key('A');
    QCOMPARE((QList<float>{w.lnTrace->Y1(), w.lnTrace->Y2()}), (QList<float>{2625, 2625}));
    t.Key(platform::kKeyReturn);
    QCOMPARE((QStringList{Text(w.traceFreqs[0]), Text(w.traceDbs[0]), Text(w.traceOhms[0])}),
             (QStringList{"1000", "74.4079", "8.175178"}));
    QVERIFY(w.pnlTrace->Width() == 4050 && t.Panel(1) == "Freq.  1018.743");
    t.Move(100, 2640);  // the pointer sets the line's height only
    QCOMPARE((QList<float>{w.lnTrace->Y1(), w.pnlTrace->Width()}), (QList<float>{2640, 4050}));
    t.Click();
    QVERIFY(w.pnlTrace->Width() == 4080 && Text(w.traceFreqs[1]) == "1018.743");
    t.Key(platform::kKeyReturn, 18);
    QTemporaryDir dir;
    QCOMPARE(t.SaveTo(dir.filePath(QStringLiteral("twenty.frd"))).count("\r\n"), 20);
    QVERIFY(ReadBack(dir.filePath(QStringLiteral("twenty.frd"))).has_value());
    const int W0 = w.Graph[0]->Width();
    const int points = t.g.recordedPointCount + (W0 - w.traceX - 1) / 30 + 1;
    t.Key(platform::kKeyReturn, points - t.g.recordedPointCount);
    QCOMPARE(t.Message(), QStringLiteral("The end of the graph area has been reached."));
    t.services.messageBox.shown.clear();
    t.Click();
    QVERIFY(t.g.recordedPointCount == points && w.traceFreqs.back() > w.traceFreqs[std::size_t(points - 2)]);
    QVERIFY(w.pnlTrace->Width() < float(W0) && w.pnlTrace->Width() + 30 >= float(W0));
    QCOMPARE(t.Message(), QStringLiteral("The end of the graph area has been reached."));
  }

  // Limited, with 1860 twips a decade: from the start frequency in equal log steps, each step's
  // position from the start (not from the frequency measured at the step before), so the first
  // and the last point lie within half a twip of the start and stop frequencies. Steps that would
  // not move the column are passed over: 100000 steps give one point a twip. After the last step
  // the panel says the trace is complete, and a further point is refused with the limit message.
  // All points are written; the start is at least 120 twips in.
  void limitedTrace_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("first");  // Hz
    QTest::newRow("400 steps") << 20 << 400 << 401 << 20.0;
    QTest::newRow("200 steps") << 20 << 200 << 201 << 20.0;
    QTest::newRow("100000 steps, one point a twip, 5581 in all") << 20 << 100000 << 6455 - 875 + 1 << 20.0;
    // 1 Hz reads as 10^-10 Hz, far left: the first point at 120 twips, and 96 steps beyond it.
    QTest::newRow("start left of the area") << 1 << 400 << 97 << std::pow(10.0, 2 + (105 - 2160) / 1860.0);
  }
  void limitedTrace() {
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(int, points);
    QFETCH(double, first);
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Ready();
    t.g = {true, start, 20000, count, 0};
    w.mnuTraceStartSPL_Click();
    QCOMPARE(t.Panel(4), QStringLiteral("Trace SPL"));
    t.Move(0, 2640);
    t.Key(platform::kKeyReturn, points);
    QVERIFY(t.services.messageBox.shown.empty());
    QCOMPARE(t.Panel(4), QStringLiteral("Trace complete: %1 points").arg(points));
    t.Key(platform::kKeyReturn);
    QCOMPARE(t.Message(), QStringLiteral("The specified trace limit has been reached."));
    QCOMPARE(t.g.recordedPointCount, points);
    const double halfTwip = 0.5 / 1860;  // decades
    QVERIFY2(std::fabs(std::log10(w.traceFreqs.front() / first)) <= halfTwip &&
                 std::fabs(std::log10(w.traceFreqs.back() / 20000)) <= halfTwip,
             qPrintable(QStringLiteral("%1 to %2 Hz").arg(w.traceFreqs.front()).arg(w.traceFreqs.back())));
    QVERIFY(std::adjacent_find(w.traceFreqs.begin(), w.traceFreqs.end(), std::greater_equal<>()) == w.traceFreqs.end());
    QTemporaryDir dir;
    QCOMPARE(t.SaveTo(dir.filePath(QStringLiteral("limited"))).count("\r\n"), points);
  }

  // Stop Trace, Import, Exit and the window's close button ask first while a trace has unsaved
  // points; a Yes whose save does not happen (the dialog cancelled, the file not written) stops
  // the command as Cancel does. Stop Trace keeps the points; an import ends the trace as well.
  void saveQuestion_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<MessageResult>("answer");
    QTest::addColumn<QString>("saveTo");  // the name chosen in the save dialog; empty: Cancel
    for (const char* command : {"stop", "import", "exit", "close"}) {
      QTest::addRow("%s, cancel", command) << command << MessageResult::kCancel << "";
      QTest::addRow("%s, no", command) << command << MessageResult::kNo << "";
    }
    for (const char* command : {"stop", "import", "exit"}) {
      QTest::addRow("%s, yes", command) << command << MessageResult::kYes << "asked.frd";
      QTest::addRow("%s, yes, save cancelled", command) << command << MessageResult::kYes << "";
      QTest::addRow("%s, yes, save fails", command) << command << MessageResult::kYes << "missing/asked.frd";
    }
  }
  void saveQuestion() {
    QFETCH(QString, command);
    QFETCH(MessageResult, answer);
    QFETCH(QString, saveTo);
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Ready();
    w.mnuTraceStartSPL_Click();
    t.Click();
    t.Click();
    t.services.messageBox.answers = {answer};
    QTemporaryDir dir;
    if (!saveTo.isEmpty()) {
      t.services.fileDialog.answers.push_back(dir.filePath(saveTo));
    }
    bool closed = false;
    if (command == QLatin1String("stop")) {
      w.mnuTraceStop_Click();
    } else if (command == QLatin1String("import")) {
      t.Import(fakes::Filled(40, 30, Qt::white));
    } else if (command == QLatin1String("exit")) {
      w.mnuExit_Click();
    } else {
      closed = w.close();
    }
    const fakes::MessageBox::Shown& asked = t.services.messageBox.shown.front();
    QVERIFY(asked.text == "Do you want to save the current trace data?" &&
            asked.buttons == platform::MessageButtons::kYesNoCancel);
    const bool saved = !saveTo.isEmpty() && QFile::exists(dir.filePath(saveTo));
    QCOMPARE(saved, saveTo == QLatin1String("asked.frd"));
    const bool goesOn = answer == MessageResult::kNo || saved;
    QCOMPARE(closed, command == QLatin1String("close") && goesOn);
    const bool ends = command == QLatin1String("exit") || command == QLatin1String("close");
    QCOMPARE(t.services.application.quitCalls, ends && goesOn ? 1 : 0);
    // Tracing with the points unsaved, the marker shown and Start disabled; else the trace ended.
    const bool import = command == QLatin1String("import");
    QCOMPARE((QList<bool>{w.isTracing, w.isTraceUnsaved, t.g.recordedPointCount == 1, w.pnlTrace->Visible(),
                          w.mnuTraceStartSPL->isEnabled()}),
             (QList<bool>{!goesOn || ends, !goesOn || (ends && !saved), !(import && goesOn), !goesOn || ends,
                          goesOn && !ends}));
  }

  // The saved bytes: 7 significant digits, "." in every locale, phase 0, CR LF; the dialog asks
  // before it overwrites; a save that fails says so and leaves the points unsaved. The points of
  // an impedance trace are saved as such after Stop Trace too.
  void savedFile_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QByteArray>("bytes");  // "<none>": the folder is missing, nothing is written
    const QByteArray spl("1000.123 74.21053 0\r\n20 -3.5 0\r\n");
    const QByteArray ohms("1000.123 8 0\r\n20 0.25 0\r\n");
    QTest::newRow("SPL") << "en_US" << false << false << spl;
    QTest::newRow("German settings") << "de_DE" << false << false << spl;
    QTest::newRow("impedance") << "en_US" << true << false << ohms;
    QTest::newRow("impedance after Stop Trace") << "en_US" << true << true << ohms;
    QTest::newRow("missing folder") << "en_US" << false << false << QByteArray("<none>");
  }
  void savedFile() {
    QFETCH(QString, locale);
    QFETCH(bool, impedance);
    QFETCH(bool, stopped);
    QFETCH(QByteArray, bytes);
    const bool failed = bytes == "<none>";
    QLocale::setDefault(QLocale(locale));
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Ready();
    (impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
    t.Click();
    for (const auto& [f, db, ohm] : {std::tuple{1000.123F, 74.21053F, 8.0F}, std::tuple{20.0F, -3.5F, 0.25F}}) {
      std::tie(w.curFreq, w.curDb, w.curOhm) = std::tuple{f, db, ohm};
      w.RecordTracePoint();
    }
    if (stopped) {
      t.services.messageBox.answers = {MessageResult::kNo};
      w.mnuTraceStop->trigger();
      t.services.messageBox.shown.clear();
    }
    QTemporaryDir dir;
    QCOMPARE(t.SaveTo(dir.filePath(failed ? QStringLiteral("missing/typed") : QStringLiteral("typed"))), bytes);
    QLocale::setDefault(QLocale::c());
    const platform::FileDialogSettings& asked = t.services.fileDialog.requests.back().settings;
    QVERIFY(asked.overwritePrompt && asked.defaultExt == (impedance ? "zma" : "frd") &&
            asked.fileName == (impedance ? "speaker.zma" : "speaker.frd"));
    QCOMPARE(w.isTraceUnsaved, failed);
    QCOMPARE(t.Message(), failed ? "The trace data could not be written to the specified file." : "");
  }

  // The options dialog: its rounding, the swap, and the refusals; Cancel keeps everything.
  void options_data() {
    QTest::addColumn<int>("method");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QList<int>>("stored");  // start, stop, count, limits; unchanged: refused or cancelled
    const QList<int> unchanged{20, 20000, 400, 0};
    QTest::newRow("free-form keeps the numbers") << 0 << QStringList{"5", "6", "7"} << unchanged;
    QTest::newRow("swap") << 1 << QStringList{"5000", "100", "40"} << QList<int>{100, 5000, 40, 1};
    QTest::newRow("halves to even") << 1 << QStringList{"2.5", "3.5", "10.5"} << QList<int>{2, 4, 10, 1};
    QTest::newRow("leading numbers") << 1 << QStringList{"1,000", "2e4 Hz", "7"} << QList<int>{1, 20000, 7, 1};
    QTest::newRow("beyond 32 bits") << 1 << QStringList{"20", "3000000000", "400"} << unchanged;
    QTest::newRow("beyond a double") << 1 << QStringList{"1e999", "20", "400"} << unchanged;
    QTest::newRow("no points") << 1 << QStringList{"20", "20000", "0.4"} << unchanged;
    QTest::newRow("more than 100000 points") << 1 << QStringList{"20", "20000", "100001"} << unchanged;
    QTest::newRow("cancel") << 1 << QStringList{"30", "300", "3"} << unchanged;
  }
  void options() {
    QFETCH(int, method);
    QFETCH(QStringList, boxes);
    QFETCH(QList<int>, stored);
    const bool cancel = QTest::currentDataTag() == QByteArray("cancel");
    Tracer t;
    t.services.modal.scripts.push_back([&](QDialog& d) {
      auto& dialog = static_cast<tracer::frmTraceOpt&>(d);
      QVERIFY(dialog.chkTraceMethod[0]->isChecked() && !dialog.edtTraceCount->isEnabled());
      dialog.chkTraceMethod[1]->click();
      QVERIFY(dialog.edtTraceCount->isEnabled());
      dialog.edtFrequencyStart->setText(boxes[0]);
      dialog.edtFrequencyStop->setText(boxes[1]);
      dialog.edtTraceCount->setText(boxes[2]);
      dialog.chkTraceMethod[std::size_t(method)]->click();
      cancel ? dialog.cmdCancel_Click() : dialog.cmdOK_Click();
    });
    t.window->mnuTraceOptions->trigger();
    QCOMPARE((QList<int>{t.g.traceStartFreq, t.g.traceStopFreq, t.g.tracePointLimit, int(t.g.useTraceLimits)}), stored);
    const bool refused = method == 1 && !cancel && stored[3] == 0;
    QCOMPARE(t.Message(),
             refused ? QStringLiteral(
                           "Enter whole numbers within range; the number of trace points must be from 1 to 100000.")
                     : QString());
    tracer::frmTraceOpt again(t.g, t.services.messageBox);  // a new opening shows what is stored
    QVERIFY(again.edtFrequencyStart->text().toInt() == stored[0] &&
            again.lblTraceCount->isEnabled() == (stored[3] == 1));
  }

  // quelbrin FILE and a drop: a session opens whatever its name; another file is imported as a
  // picture, unless it is named as a session.
  void openFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("session");  // the file holds a session, else a picture
    QTest::addColumn<bool>("opened");
    QTest::newRow("session") << "work.qtrace" << true << true;
    QTest::newRow("session named as a picture") << "work.png" << true << true;
    QTest::newRow("picture") << "graph.png" << false << true;
    QTest::newRow("picture named as a session") << "graph.QTRACE" << false << false;
  }
  void openFile() {
    QFETCH(QString, name);
    QFETCH(bool, session);
    QFETCH(bool, opened);
    Tracer t;
    t.Ready();
    t.window->mnuTraceStartSPL_Click();
    t.Click();
    t.Key(platform::kKeyReturn, 2);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(session ? t.SaveTo(path, true).size() > 0 : QFile::copy(FIXTURES_DIR "/graph-spl-960x640.png", path));
    Tracer u;
    u.window->OpenFile(path);
    QCOMPARE(u.Message(), opened ? QString() : QStringLiteral("The file is not a session that Quelbrin can open."));
    QVERIFY(u.window->isGraphImported == opened && u.g.recordedPointCount == (session ? 2 : 0));
  }

  // In both ways of stepping: Ctrl+click selects the point whose marker lies nearest, within 6
  // pixels; Up moves it a pixel, its level read again there; Delete removes another. Undo and Redo
  // take back and restore the edits and the recorded points in turn (a recorded point taken back
  // puts the trace where it was measured), until a point is recorded anew. Editing leaves the
  // trace position where it is; the save question and the saved file see the points as edited.
  // A new trace starts without markers or edits.
  void editPoints_data() {
    QTest::addColumn<bool>("limited");
    QTest::newRow("free-form") << false;
    QTest::newRow("limited") << true;
  }
  void editPoints() {
    QFETCH(bool, limited);
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Ready();
    t.g = {limited, 20, 20000, 40, 0};
    w.mnuTraceStartSPL_Click();
    t.Move(4035, 2640);
    if (!limited) {
      t.Click();
    }
    t.Key(platform::kKeyReturn, 3);
    t.Move(10, 2000);
    t.Key(platform::kKeyReturn);
    QTemporaryDir dir;
    const auto saved = [&] { return t.SaveTo(dir.filePath(QStringLiteral("edited.frd"))).split('\n'); };
    const QList<QByteArray> recorded = saved();
    const int position = w.traceX;
    const std::vector<QPointF> markers = w.pnlPoints->Points();
    t.CtrlClick(markers[1].x(), markers[1].y() - 100);  // 6.7 pixels away
    QVERIFY(!w.selectedPoint && t.g.recordedPointCount == 4);
    t.CtrlClick(markers[1].x(), markers[1].y() - 75);
    QVERIFY(w.selectedPoint == 1U && w.pnlSelected->Points() == std::vector{markers[1]} &&
            w.picMagnifier->View().selected == w.tracePlaces[1].onPicture);
    t.Key(platform::kKeyUp, 2);
    QCOMPARE(t.Panel(2), QStringLiteral("Db  74.60526"));  // as the readout reads 2 pixels up
    t.Key(platform::kKeyEscape);
    t.CtrlClick(markers[2].x() - 5, markers[2].y() + 20);
    t.Key(platform::kKeyDelete);
    QVERIFY(!w.selectedPoint && w.traceX == position && w.isTraceUnsaved && w.pnlPoints->Points().size() == 3);
    QList<QByteArray> edited = recorded;
    edited[1].replace("74.21053", "74.60526");
    edited.removeAt(2);
    QCOMPARE(saved(), edited);
    t.Key(platform::kKeyBack, 3);  // the deletion and both moves
    QCOMPARE(saved(), recorded);
    w.mnuUndoPoint->trigger();  // the fourth point
    QCOMPARE((QList<float>{float(t.g.recordedPointCount), float(w.traceX), w.lnTrace->Y1()}),
             (QList<float>{3, float(markers[3].x() + 15), 2000}));
    QCOMPARE(t.Panel(2), QStringLiteral("Db  82.63158"));
    for (int i = 0; i < 5; ++i) {  // the fifth finds nothing to restore
      w.mnuRedoPoint->trigger();
    }
    QVERIFY(saved() == edited && w.traceX == position);
    t.Key(platform::kKeyBack);
    t.Key(platform::kKeyReturn);  // a point recorded: nothing left to redo
    w.mnuRedoPoint->trigger();
    QCOMPARE(t.g.recordedPointCount, 5);
    t.services.messageBox.answers = {MessageResult::kNo};
    w.mnuTraceStop->trigger();
    w.mnuTraceStartSPL_Click();
    w.mnuUndoPoint->trigger();
    w.mnuRedoPoint->trigger();
    QVERIFY(w.pnlPoints->Points().empty() && t.g.recordedPointCount == 0);
  }

  // A session holds the picture, the registration, the options and the trace. Opened in a new
  // program, it gives a window whose Save As writes the same bytes as before, whose picture is
  // the same, whose readout reads the same at picture points, whose next point is the one the
  // first window records next, and whose Save Session writes what the first one writes. The
  // picture of a PNG file keeps the file's own bytes; one from the clipboard is encoded once; a
  // tilted scan is kept as imported and straightened again, on import and by hand, to the same
  // pixels, and the picked curve snaps the next point where it did.
  void sessionRoundTrip_data() {
    QTest::addColumn<QString>("picture");  // a file, else the impedance picture from the clipboard
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<bool>("limited");
    QTest::addColumn<bool>("stopped");
    QTest::newRow("PNG file, limited SPL trace") << FIXTURES_DIR "/graph-spl-960x640.png" << false << true << false;
    QTest::newRow("clipboard, free-form impedance trace stopped") << QString() << true << false << true;
    QTest::newRow("JPEG scan straightened, curve picked")
        << FIXTURES_DIR "/real-style/scanned-tilted-spl.jpg" << false << true << false;
  }
  void sessionRoundTrip() {
    QFETCH(QString, picture);
    QFETCH(bool, impedance);
    QFETCH(bool, limited);
    QFETCH(bool, stopped);
    Tracer t;
    tracer::Form1& w = *t.window;
    if (picture.isEmpty()) {
      t.Import(QImage(QStringLiteral(FIXTURES_DIR "/graph-impedance-2400x1200.png")));
    } else {
      t.services.fileDialog.answers.push_back(picture);
      w.mnuImportFile_Click();
    }
    const bool scan = picture.endsWith(QLatin1String(".jpg"));
    if (scan) {
      QVERIFY(w.pictureLean != 0);
      w.mnuStraighten->trigger();
      for (const QPointF p : {QPointF(100, 300), QPointF(700, 303)}) {
        const QPointF at = w.FromPicture(p);
        t.Move(float(at.x()), float(at.y()));
        t.Click();
      }
      QVERIFY(t.Panel(4).startsWith(QLatin1String("Picture straightened by")));
    }
    t.Ready(false);
    w.mnuOhmScale10->trigger();
    t.g = {limited, 20, 20000, 50, 0};
    (impedance ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
    t.Move(3000, 2640);
    if (!limited) {
      t.Click();
    }
    for (int i = 0; i < 6; ++i) {
      t.Move(100, float(2000 + 37 * i));
      t.Key(platform::kKeyReturn);
    }
    const std::vector<QPointF> markers = w.pnlPoints->Points();
    t.CtrlClick(markers[1].x(), markers[1].y());
    t.Key(platform::kKeyDown);
    t.CtrlClick(markers[3].x(), markers[3].y());
    t.Key(platform::kKeyDelete);
    t.Key(platform::kKeyBack, 2);
    w.mnuRedoPoint->trigger();
    if (scan) {  // on the dark curve, half way across
      const QImage& shown = w.Graph[1]->Picture();
      int y = 100;
      while (qGray(shown.pixel(440, y)) > 96) {
        ++y;
      }
      const QPointF at = w.FromPicture({440.5, y + 0.5});
      t.Move(float(at.x()), float(at.y()));
      w.mnuPickColour->trigger();
      t.Click();
      QVERIFY(w.curvePick.has_value());
    }
    if (stopped) {
      t.services.messageBox.answers = {MessageResult::kNo};
      w.mnuTraceStop->trigger();
    }
    QTemporaryDir dir;
    const QByteArray before = t.SaveTo(dir.filePath(QStringLiteral("before")));
    QVERIFY(t.SaveTo(dir.filePath(QStringLiteral("work.qtrace")), true).startsWith("\x89PNG"));

    Tracer u;  // the program started anew
    u.OpenSession(dir.filePath(QStringLiteral("work.qtrace")));
    QVERIFY(u.services.messageBox.shown.empty());
    QCOMPARE(u.SaveTo(dir.filePath(QStringLiteral("after"))), before);
    QVERIFY(u.window->Graph[1]->Picture() == w.Graph[1]->Picture());
    for (const QPointF onPicture : {QPointF(10.5, 20.25), QPointF(333, 444), QPointF(900.75, 600)}) {
      QStringList panels[2];
      for (Tracer* each : {&t, &u}) {
        const QPointF at = each->window->FromPicture(onPicture);
        each->Move(float(at.x()), float(at.y()));
        panels[each == &u] = QStringList{each->Panel(1), each->Panel(2), each->Panel(3), each->Panel(4)};
      }
      QCOMPARE(panels[1], panels[0]);
    }
    t.Key(platform::kKeyReturn);
    u.Key(platform::kKeyReturn);
    QCOMPARE(u.SaveTo(dir.filePath(QStringLiteral("next"))), t.SaveTo(dir.filePath(QStringLiteral("next"))));
    QCOMPARE(u.SaveTo(dir.filePath(QStringLiteral("again.qtrace")), true),
             t.SaveTo(dir.filePath(QStringLiteral("again.qtrace")), true));
  }

  // Save Session needs a picture and says when the file cannot be written; Open Session asks the
  // save question first while a running trace has unsaved points, and Cancel keeps everything.
  void sessionCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");  // the last one shown
    QTest::addColumn<int>("points");       // recorded after the command
    QTest::newRow("save without a picture") << "save"
                                            << "Use the File > Import Graph menu item to import a graph." << 0;
    QTest::newRow("save into a missing folder") << "save"
                                                << "The session could not be written to the specified file." << 2;
    QTest::newRow("open, question cancelled") << "cancel"
                                              << "Do you want to save the current trace data?" << 2;
    QTest::newRow("open, question answered No") << "no"
                                                << "Do you want to save the current trace data?" << 1;
  }
  void sessionCommands() {
    QFETCH(QString, command);
    QFETCH(QString, message);
    QFETCH(int, points);
    Tracer t;
    tracer::Form1& w = *t.window;
    QTemporaryDir dir;
    const QString session = dir.filePath(QStringLiteral("one point.qtrace"));
    if (points > 0) {
      t.Ready();
      w.mnuTraceStartSPL_Click();
      t.Click();
      t.Key(platform::kKeyReturn);
      t.SaveTo(session, true);
      t.Key(platform::kKeyReturn);
    }
    if (command == QLatin1String("save")) {
      QCOMPARE(t.SaveTo(dir.filePath(QStringLiteral("missing/work.qtrace")), true), QByteArray("<none>"));
    } else {
      t.services.messageBox.answers = {command == QLatin1String("no") ? MessageResult::kNo : MessageResult::kCancel};
      t.OpenSession(session);
    }
    QCOMPARE(t.Message(), message);
    QCOMPARE(t.g.recordedPointCount, points);
  }

  // A file that is not a sound session of this program is refused with the message, and nothing
  // changes: truncated, damaged, foreign, of a newer version, inconsistent, or with a picture
  // beyond the import limits (read from its header, before any decoding). One at the limit opens.
  void sessionRefused_data() {
    QTest::addColumn<QString>("fault");
    for (const char* fault : {"truncated", "a byte changed", "a picture", "a response file", "missing", "newer version",
                              "point count", "too wide", "widest"}) {
      QTest::newRow(fault) << fault;
    }
  }
  void sessionRefused() {
    QFETCH(QString, fault);
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Ready();
    w.mnuTraceStartSPL_Click();
    t.Click();
    t.Key(platform::kKeyReturn, 3);
    QTemporaryDir dir;
    const QByteArray good = t.SaveTo(dir.filePath(QStringLiteral("good.qtrace")), true);
    const QByteArray before = t.SaveTo(dir.filePath(QStringLiteral("before.frd")));
    const auto chunks = tracer::ReadPngChunks(good);
    tracer::Session session = *tracer::ReadSessionFile(good, 16384);
    // The session chunk follows IHDR.
    const auto withText = [&](QByteArray json) {
      const qsizetype end = (*chunks)[1].start + (*chunks)[1].dataSize + 12;
      return good.left((*chunks)[1].start) +
             tracer::MakePngChunk("iTXt", tracer::CompressedTextData("Quelbrin session", json)) + good.mid(end);
    };
    const QString json = QString::fromUtf8(tracer::SessionJson(session));
    QByteArray bytes;
    if (fault == "truncated") {
      bytes = good.left(good.size() - 20);
    } else if (fault == "a byte changed") {
      bytes = good;
      bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
    } else if (fault == "a picture" || fault == "a response file") {
      QFile file(fault == "a picture" ? FIXTURES_DIR "/graph-spl-960x640.png" : FIXTURES_DIR "/woofer-24ppo.frd");
      QVERIFY(file.open(QIODevice::ReadOnly));
      bytes = file.readAll();
    } else if (fault == "newer version") {
      bytes = withText(QString(json).replace("\"version\":1", "\"version\":2").toUtf8());
    } else if (fault == "point count") {
      bytes = withText(QString(json).replace("\"count\":3", "\"count\":4").toUtf8());
    } else if (fault != "missing") {
      const int width = fault == "too wide" ? 16385 : 16384;
      session.picture = QSize(width, 1);
      bytes = *tracer::JoinSessionFile(fakes::BlackPng(width, 1), session);
    }
    QVERIFY(bytes != good);
    const QString path = dir.filePath(QStringLiteral("test.qtrace"));
    QFile file(path);
    QVERIFY(fault == "missing" || (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()));
    file.close();
    t.OpenSession(path);
    if (fault == "widest") {
      QVERIFY(t.Message().isEmpty() && w.Graph[1]->Picture().size() == QSize(16384, 1));
      return;
    }
    QCOMPARE(t.Message(), QStringLiteral("The file is not a session that Quelbrin can open."));
    QCOMPARE(t.services.messageBox.shown.back().title, QStringLiteral("Quelbrin"));
    QVERIFY(w.isTracing && w.Graph[1]->Picture().size() == QSize(400, 300));
    QCOMPARE(t.SaveTo(dir.filePath(QStringLiteral("after.frd"))), before);
  }
};

QTEST_MAIN(tst_tracer)
#include "tst_tracer.moc"
