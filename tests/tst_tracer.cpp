// The tracer window through its handlers and the scripted fakes: picture import, the registration
// of the axes and the live readout; the Trace commands, the two ways of stepping, the save
// question, the saved file, the trace options, markers, undo, the loupe, and the example graph
// pictures traced end to end (by hand and by colour) and read back with the viewer's reader.
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <fstream>

#include "DataTools.h"
#include "GraphJudge.h"
#include "PictureLean.h"
#include "Pictures.h"
#include "ResponseFile.h"
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

  // Graph pictures with a known truth, traced as a user would (GraphJudge.h): Auto Trace from 20 Hz
  // to 20 kHz in 200 steps, a point by hand wherever it says it lost the curve (3 at most), and
  // every point of the saved file within 0.5 dB or 2 % of the plotted data. The real-style
  // pictures come from another plotting program: a black curve on a black grid as JPEG, crossing
  // curves under a legend on a linear ohm scale, and a tilted scan that the import straightens.
  void endToEnd_data() {
    QTest::addColumn<QString>("graph");
    QTest::newRow("data sheet, black on black, JPEG") << "real-style/datasheet-black-jpeg.json";
    QTest::newRow("crossing curves and a legend") << "real-style/crossing-legend-ohm.json";
    QTest::newRow("tilted scan") << "real-style/scanned-tilted-spl.json";
    QTest::newRow("clean SPL") << "graph-spl-960x640";
    QTest::newRow("clean impedance, log scale") << "graph-impedance-2400x1200";
  }
  void endToEnd() {
    QFETCH(QString, graph);
    std::optional<fakes::GraphCase> c = fakes::ReadGraphCase(QStringLiteral(FIXTURES_DIR "/") + graph);
    if (!graph.endsWith(QLatin1String(".json"))) {
      // The example pictures: references at the lines given in examples/*.json, truth in .truth.frd.
      const bool spl = graph.contains(QLatin1String("spl"));
      c = fakes::GraphCase{};
      c->picture = QStringLiteral(FIXTURES_DIR "/%1.png").arg(graph);
      c->size = spl ? QSize(960, 640) : QSize(2400, 1200);
      c->impedance = !spl;
      const double refs[2][4] = {{268.3033612487734, 844.3033612487734, 476.8, 143.2},
                                 {671.2584031219335, 2111.2584031219335, 789.7246845268037, 475.44936905360726}};
      const double* r = refs[spl ? 0 : 1];
      c->freq[0][0] = 100, c->freq[0][1] = r[0], c->freq[1][0] = 10000, c->freq[1][1] = r[1];
      c->level[0][0] = spl ? 60 : 4, c->level[0][1] = r[2], c->level[1][0] = spl ? 90 : 16, c->level[1][1] = r[3];
      const std::optional<data::ResponseSet> truth = ReadBack(QStringLiteral(FIXTURES_DIR "/%1.truth.frd").arg(graph));
      QVERIFY(truth);
      for (int i = 2; i <= truth->LastIndex(); ++i) {
        c->truth.emplace_back((*truth)[i].value[0], (*truth)[i].value[1]);
      }
    }
    QVERIFY(c);
    const fakes::GraphResult r = fakes::TraceGraph(*c);
    QString text;
    for (const auto& [f, error] : r.beyond) {
      text += QStringLiteral(" %1 Hz off by %2,").arg(f).arg(error);
    }
    for (const double f : r.hand) {
      text += QStringLiteral(" %1 Hz by hand,").arg(f);
    }
    QVERIFY2(r.failure.isEmpty() && r.written == 201 && r.hand.size() <= 3 && r.beyond.empty(),
             qPrintable(QStringLiteral("%1 written:%2").arg(r.written).arg(text)));
  }

  // Markers and Undo in both ways of stepping: the marker goes with its point, the position goes
  // back to where the point was measured, and a save writes what remains. Markers go with a new
  // trace.
  void undo_data() {
    QTest::addColumn<bool>("limited");
    QTest::newRow("free-form") << false;
    QTest::newRow("limited") << true;
  }
  void undo() {
    QFETCH(bool, limited);
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Ready();
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
    QVERIFY(w.pnlPoints->Points().size() == 3 && w.pnlPoints->Points()[1] == QPointF(secondAt - 15, 2000));
    w.mnuUndoPoint->trigger();
    t.Key(platform::kKeyBack);
    QCOMPARE((QList<float>{float(t.g.recordedPointCount), float(w.pnlPoints->Points().size()), float(w.traceX),
                           w.pnlTrace->Width(), w.lnTrace->Y1()}),
             (QList<float>{1, 1, float(secondAt), float(secondAt), 2000}));
    QCOMPARE(t.Panel(2), QStringLiteral("Db  82.63158"));
    QTemporaryDir dir;
    QCOMPARE(t.SaveTo(dir.filePath(QStringLiteral("undone"))).count("\r\n"), 1);
    t.Key(platform::kKeyBack, 2);  // the second finds nothing to take back
    QVERIFY(t.g.recordedPointCount == 0 && !w.isTraceUnsaved && w.pnlPoints->Points().empty());
    t.Click();
    w.mnuTraceStop_Click();
    w.mnuTraceStartSPL_Click();
    QVERIFY(w.pnlPoints->Points().empty());
  }

  // A reference line placed 1 or 2 pixels beside a drawn grid line lands on its centre (within
  // 0.2 of a picture pixel), vertical ones too; one placed within 0.75 of the centre stays where it
  // was put, on the line already; with View > Snap to Lines off nothing snaps.
  void snapReferences_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<double>("beside");  // picture pixels from the line's centre
    QTest::addColumn<bool>("snap");
    QTest::addColumn<double>("lands");  // from the line's centre
    QTest::newRow("a pixel above") << false << -1.0 << true << 0.0;
    QTest::newRow("two pixels below") << false << 2.0 << true << 0.0;
    QTest::newRow("1.5 pixels right") << true << 1.5 << true << 0.0;
    QTest::newRow("on the line already") << false << 0.5 << true << 0.5;
    QTest::newRow("six pixels away") << true << -6.0 << true << -6.0;
    QTest::newRow("snapping off") << false << 2.0 << false << 2.0;
  }
  void snapReferences() {
    QFETCH(bool, vertical);
    QFETCH(double, beside);
    QFETCH(bool, snap);
    QFETCH(double, lands);
    QImage picture = Filled(600, 400, Qt::white);
    {
      QPainter p(&picture);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(QColor(90, 90, 90), 1));
      for (int k = 0; k < 5; ++k) {
        p.drawLine(QPointF(40, 60.3 + 80 * k), QPointF(560, 60.3 + 80 * k));
        p.drawLine(QPointF(80.7 + 120 * k, 30), QPointF(80.7 + 120 * k, 370));
      }
    }
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Import(picture);
    if (!snap) {
      w.mnuSnapLines->trigger();
    }
    const double centre = vertical ? 200.7 : 140.3;
    const QPointF at = w.FromPicture({centre + beside, centre + beside});
    t.Register(vertical ? w.mnuReg100Hz : w.mnuReg60Db, QStringLiteral("100"), float(vertical ? at.x() : at.y()));
    const platform::LineShape& line = vertical ? *w.lnReg100Hz : *w.lnReg60Db;
    const QPointF placed = w.ToPicture({line.X1(), line.Y1()});
    QVERIFY2(std::fabs((vertical ? placed.x() : placed.y()) - centre - lands) < 0.2,
             qPrintable(QString::number(vertical ? placed.x() : placed.y())));
  }

  // A picture tilted by 0.8 degrees is straightened on import, and the status says so; one tilted
  // by 7 is not (beyond what an import takes for a scan's lean), but Alignment > Straighten Picture
  // and two clicks on one of its grid lines straighten it, clearing registration and trace after
  // the save question (Cancel keeps everything).
  void straighten() {
    QImage upright = Filled(600, 400, Qt::white);
    {
      QPainter p(&upright);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(QColor(90, 90, 90), 1));
      for (int k = 0; k < 5; ++k) {
        p.drawLine(QPointF(40, 60.3 + 80 * k), QPointF(560, 60.3 + 80 * k));
        p.drawLine(QPointF(80.7 + 120 * k, 30), QPointF(80.7 + 120 * k, 370));
      }
    }
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Import(tracer::Straighten(upright, -0.8));
    QVERIFY(std::fabs(w.pictureLean - 0.8) < 0.01);
    QCOMPARE(t.Panel(4), QStringLiteral("Picture straightened by 0.80 degrees"));
    const QImage tilted = tracer::Straighten(upright, -7);
    t.Import(tilted);
    QCOMPARE(w.pictureLean, 0.0);
    t.Ready(false);
    t.g.useTraceLimits = true;
    w.mnuTraceStartSPL_Click();
    t.Click();
    t.services.messageBox.answers = {MessageResult::kCancel, MessageResult::kNo};
    w.mnuStraighten->trigger();
    QVERIFY(!w.isStraightening && t.Message() == QStringLiteral("Do you want to save the current trace data?"));
    w.mnuStraighten->trigger();
    for (const double x : {100.0, 500.0}) {
      const QPointF at = w.FromPicture(tracer::StraightenedPoint({x, 140.3}, tilted.size(), -7));
      t.Move(float(at.x()), float(at.y()));
      t.Click();
    }
    QVERIFY2(std::fabs(w.pictureLean - 7) < 0.05, qPrintable(QString::number(w.pictureLean)));
    QVERIFY(t.Panel(4).startsWith(QLatin1String("Picture straightened by 7.0")));
    QVERIFY(!w.isTracing && t.g.recordedPointCount == 0 && tracer::Tag(w.mnuReg60Db) == QLatin1String("0"));
  }

  // Auto Trace needs a limited trace and a picked curve (a pick on bare background takes none).
  // On a black curve over a black grid it follows the curve through the grid lines it crosses and
  // along the one it runs on; where the curve hides under a legend box it stops, records nothing
  // there (not the legend's sample line beside its course) and says so; from a point placed by hand
  // past the box, Auto Trace goes on to the curve's end.
  void autoTrace() {
    const auto curve = [](double x) {  // smooth, flat along the grid line at 175.5 from 360 to 460
      const double fade = x < 280 ? 1 : x < 360 ? (1 + std::cos(M_PI * (x - 280) / 80)) / 2 : 0;
      const double rise = x < 460 ? 0 : x < 500 ? (1 - std::cos(M_PI * (x - 460) / 40)) / 2 : 1;
      return 175.5 + 60 * std::sin(2 * M_PI * (x - 40) / 320) * fade - 40 * std::sin(2 * M_PI * (x - 460) / 200) * rise;
    };
    QImage picture = Filled(600, 300, Qt::white);
    {
      QPainter p(&picture);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(Qt::black, 1));
      for (int k = 0; k <= 5; ++k) {
        p.drawLine(QPointF(40, 25.5 + 50 * k), QPointF(560, 25.5 + 50 * k));
        p.drawLine(QPointF(40.5 + 104 * k, 25), QPointF(40.5 + 104 * k, 275));
      }
      p.setPen(QPen(Qt::black, 2));
      QPolygonF line;
      for (double x = 40; x <= 560; x += 0.5) {
        line << QPointF(x, curve(x));
      }
      p.drawPolyline(line);
      p.fillRect(QRectF(262, 95, 70, 60), Qt::white);  // the legend box over the curve
      p.setPen(QPen(Qt::black, 1));
      p.drawRect(QRectF(262, 95, 70, 60));
      p.setPen(QPen(Qt::black, 2));
      p.drawLine(QPointF(270, 105), QPointF(297, 105));  // its sample line
    }
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Import(picture);
    // 20 Hz to 20 kHz across the plot, 200 steps of 2.6 pixels.
    t.Register(w.mnuReg100Hz, QStringLiteral("20"), float(w.FromPicture({40.5, 0}).x()));
    t.Register(w.mnuReg10000Hz, QStringLiteral("20000"), float(w.FromPicture({560.5, 0}).x()));
    t.Register(w.mnuReg60Db, QStringLiteral("60"), float(w.FromPicture({0, 275.5}).y()));
    t.Register(w.mnuReg90Db, QStringLiteral("90"), float(w.FromPicture({0, 25.5}).y()));
    for (const char* refusal : {"Auto Trace follows a trace with limits", "Pick the curve's colour first"}) {
      w.mnuAutoTrace->trigger();
      QVERIFY(t.Message().startsWith(QLatin1String(refusal)));
      t.g = {true, 20, 20000, 200, 0};
      w.mnuTraceStartSPL_Click();
    }
    for (const double x : {70.0, 120.0}) {  // bare background, then on the curve
      const QPointF at = w.FromPicture({x, x < 100 ? 240 : curve(x)});
      t.Move(float(at.x()), float(at.y()));
      w.mnuPickColour->trigger();
      t.Click();
      QCOMPARE(w.curvePick.has_value(), x > 100);
    }
    QCOMPARE(t.g.recordedPointCount, 0);
    // The run goes on in slices, here driven by hand. Esc between two slices stops it; so does a
    // command, before it does its own work (Stop Trace, cancelled at its question).
    const QDeadlineTimer noDeadline(QDeadlineTimer::Forever);
    w.mnuAutoTrace->trigger();
    QVERIFY(w.AutoTraceSteps(3, noDeadline) && t.g.recordedPointCount == 3);
    t.Key(platform::kKeyEscape);
    QVERIFY(!w.AutoTraceSteps(3, noDeadline) && t.g.recordedPointCount == 3 && t.Panel(4) == "Trace SPL");
    w.mnuAutoTrace->trigger();
    w.AutoTraceSteps(2, noDeadline);
    t.services.messageBox.answers = {MessageResult::kCancel};
    w.mnuTraceStop->trigger();
    QCoreApplication::processEvents();
    QVERIFY(!w.isAutoTracing && w.isTracing && t.g.recordedPointCount == 5);
    const QString lost = QStringLiteral("Curve lost here: place the point by hand, then Auto Trace again");
    t.AutoTrace();
    const double stoppedAt = w.ToPicture({w.lnTrace->X2() - 15.0F, 0}).x();
    QVERIFY2(t.Panel(4) == lost && stoppedAt > 250 && stoppedAt < 282, qPrintable(QString::number(stoppedAt)));
    // Past the box by hand (Auto Trace asks for one point at a time), then on to the end.
    for (int k = 0; k < 60 && w.ToPicture({w.lnTrace->X2() - 15.0F, 0}).x() < 334; ++k) {
      const double x = w.ToPicture({w.lnTrace->X2() - 15.0F, 0}).x();
      t.Move(0, float(w.FromPicture({0, curve(x)}).y()));
      t.Click();
    }
    const std::size_t byHand = w.tracePlaces.size();
    t.AutoTrace();
    QVERIFY(w.tracePlaces.back().onPicture.x() > 550 && w.tracePlaces.size() > byHand + 20);
    for (const auto& place : w.tracePlaces) {
      const QPointF p = place.onPicture;
      QVERIFY2(p.x() >= 40 && std::fabs(p.y() - curve(p.x())) < 1,
               qPrintable(QStringLiteral("%1, %2 for %3").arg(p.x()).arg(p.y()).arg(curve(p.x()))));
    }
    // Of 100000 steps, one a column: no point twice.
    t.services.messageBox.answers = {MessageResult::kNo};
    w.mnuTraceStop->trigger();
    t.g.tracePointLimit = 100000;
    w.mnuTraceStartSPL_Click();
    t.AutoTrace();
    QVERIFY(t.g.recordedPointCount > 150 && t.Panel(4) == lost);
    QVERIFY(std::adjacent_find(w.traceFreqs.begin(), w.traceFreqs.end(), std::greater_equal<>()) == w.traceFreqs.end());
  }
};

QTEST_MAIN(tst_tracer)
#include "tst_tracer.moc"
