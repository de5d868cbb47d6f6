// The tracer window through its handlers and the scripted fakes: start-up, picture import, the
// registration of the axes and the live readout.
#include <QMenu>
#include <QtTest>

#include "TracerFixture.h"

using fakes::Tracer;

namespace {

QImage Filled(int width, int height, const QColor& color) {
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(color);
  return picture;
}

QColor PixelAt(QWidget& widget, int x, int y) { return widget.grab().toImage().pixelColor(x, y); }

// The window at a given client size, as the user would leave it after un-maximizing.
void Resize(Tracer& t, int width, int height) {
  t.window->showNormal();
  t.window->resize(width, height);
  QCoreApplication::processEvents();
}

}  // namespace

class tst_form1 : public QObject {
  Q_OBJECT

 private slots:
  void startUp() {
    Tracer t;
    tracer::Form1& w = *t.window;
    QVERIFY(w.isMaximized());
    QCOMPARE(w.windowTitle(), QStringLiteral("SPL and Impedance Trace"));
    QCOMPARE((QStringList{t.Panel(1), t.Panel(2), t.Panel(3), t.Panel(4)}), (QStringList{"Freq.", "Db", "Ohm", ""}));
    for (QAction* item : {w.mnuReg100Hz, w.mnuReg10000Hz, w.mnuReg60Db, w.mnuReg90Db, w.mnuReg4Ohm, w.mnuReg16Ohm}) {
      QVERIFY(tracer::Tag(item) == "0" && !item->isChecked());
    }
    for (const auto* line : w.Graph[0]->findChildren<platform::LineShape*>()) {
      QVERIFY2(!line->Visible(), qPrintable(line->objectName()));
    }
    QVERIFY(!w.pnlTrace->Visible());
    QVERIFY(w.mnuOhmScale2->isChecked() && !w.mnuOhmScale10->isChecked() && !w.mnuOhmScale1->isChecked());
    QVERIFY(w.Graph[0]->Operations().empty() && !w.isGraphImported);
    // The graph area fills the client area but for 120-twip margins at the sides, 90 below.
    const QSize client = w.centralWidget()->size() * 15;
    QCOMPARE((QList<int>{w.Graph[0]->Left(), w.Graph[0]->Top(), w.Graph[0]->Width(), w.Graph[0]->Height()}),
             (QList<int>{120, 0, client.width() - 240, client.height() - 90}));
    QCOMPARE((QList<int>{t.g.traceStartFreq, t.g.traceStopFreq, t.g.tracePointLimit, int(t.g.useTraceLimits)}),
             (QList<int>{20, 20000, 400, 0}));
  }

  // Import from the clipboard and from a file, then what the graph area shows.
  void import_data() {
    QTest::addColumn<QImage>("picture");  // on the clipboard; null: none
    QTest::addColumn<QString>("file");    // imported from this fixture instead, when set
    QTest::addColumn<QString>("message");
    const QString noPicture = QStringLiteral("Copy a graph image to the clipboard, then click Import Graph");
    const QString noFile = QStringLiteral("The file does not hold a picture that can be imported.");
    QTest::newRow("picture") << Filled(400, 300, Qt::red) << QString() << QString();
    QTest::newRow("text or nothing") << QImage() << QString() << noPicture;
    QTest::newRow("widest picture") << Filled(16384, 2, Qt::red) << QString() << QString();
    QTest::newRow("too wide") << Filled(16385, 2, Qt::red) << QString() << noPicture;
    QTest::newRow("too tall") << Filled(2, 16385, Qt::red) << QString() << noPicture;
    QTest::newRow("file") << QImage() << "graph-spl-960x640.png" << QString();
    QTest::newRow("file without picture") << QImage() << "woofer-24ppo.frd" << noFile;
  }
  void import() {
    QFETCH(QImage, picture);
    QFETCH(QString, file);
    QFETCH(QString, message);
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Import(Filled(50, 50, Qt::blue));  // replaced or, on failure, gone
    t.services.clipboard.text = QStringLiteral("not a picture");
    if (file.isEmpty()) {
      t.Import(picture);
    } else {
      t.services.fileDialog.answers.push_back(QStringLiteral(FIXTURES_DIR "/") + file);
      w.mnuImportFile_Click();
    }
    QCOMPARE(t.services.messageBox.shown.empty() ? QString() : t.services.messageBox.shown.back().text, message);
    QCOMPARE(w.isGraphImported, message.isEmpty());
    if (!message.isEmpty()) {
      QCOMPARE(t.services.messageBox.shown.back().title, QStringLiteral("Quelbrin"));
      QVERIFY(w.Graph[0]->Operations().empty() && w.Graph[1]->Picture().isNull());
      return;
    }
    // The holder keeps the picture at its own size; the graph area shows it stretched over it all.
    const QImage& held = w.Graph[1]->Picture();
    QCOMPARE((QList<int>{w.Graph[1]->Width(), w.Graph[1]->Height()}),
             (QList<int>{held.width() * 15, held.height() * 15}));
    QCOMPARE(w.Graph[0]->Operations().size(), std::size_t(1));
    const platform::DrawOp& op = w.Graph[0]->Operations().front();
    QCOMPARE((QList<float>{op.x1, op.y1, op.x2, op.y2}),
             (QList<float>{0, 0, float(w.Graph[0]->Width()), float(w.Graph[0]->Height())}));
    QCOMPARE(w.Graph[0]->Pictures().front().source, QRectF(QPointF(0, 0), held.size()));
    if (held.width() == 400) {
      const QSize size = w.Graph[0]->size();
      QCOMPARE(PixelAt(*w.Graph[0], 0, 0), QColor(Qt::red));
      QCOMPARE(PixelAt(*w.Graph[0], size.width() - 1, size.height() - 1), QColor(Qt::red));
    }
  }

  // A 2400-pixel picture on a 1920-pixel screen, stretched again whenever the window changes size.
  void resizeStretchesAgain() {
    Tracer t;
    tracer::Form1& w = *t.window;
    Resize(t, 1920, 1040);
    t.Import(QImage(QStringLiteral(FIXTURES_DIR "/graph-impedance-2400x1200.png")));
    QVERIFY(w.isGraphImported);
    QCOMPARE(w.Graph[1]->Width(), 36000);
    QCOMPARE(w.Graph[0]->Width(), 1904 * 15);
    Resize(t, 1000, 700);
    const int W0 = w.Graph[0]->Width();
    QCOMPARE(W0, 984 * 15);
    QCOMPARE(w.Graph[0]->Operations().size(), std::size_t(1));
    QCOMPARE(w.Graph[0]->Operations().front().x2, float(W0));
    QCOMPARE(w.lnReg60Db->X2(), float(W0));
    QCOMPARE(w.lnReg100Hz->Y2(), float(w.Graph[0]->Height()));
    QCOMPARE(w.pnlTrace->Height(), float(w.Graph[0]->Height()));
    // At 1000 twips of outer height or less the graph area keeps its place and size.
    Resize(t, 1000, 5);
    QCOMPARE(w.Graph[0]->Width(), W0);
  }

  // One reference through its states: placing, fixed, unregistered; Cancel and the frame's close.
  void registration() {
    Tracer t;
    tracer::Form1& w = *t.window;
    t.AnswerValue(QStringLiteral("100"));
    w.mnuReg100Hz->trigger();
    QCOMPARE(t.services.modal.shown.back(), QStringLiteral("dlgValue"));
    QCOMPARE(t.Panel(4), QStringLiteral("Register 100Hz"));
    QVERIFY(tracer::Tag(w.mnuReg100Hz) == "1" && w.mnuReg100Hz->isChecked() && w.lnReg100Hz->Visible());
    t.Move(1500, 700);
    QCOMPARE((QList<float>{w.lnReg100Hz->X1(), w.lnReg100Hz->X2()}), (QList<float>{1500, 1500}));
    QCOMPARE(t.Panel(1), QStringLiteral("Freq."));  // no readout while a line is placed
    QCOMPARE(PixelAt(*w.Graph[0], 100, 10), QColor(0, 0, 255));
    t.Click();
    QCOMPARE(tracer::Tag(w.mnuReg100Hz), QStringLiteral("2"));
    QCOMPARE(t.Panel(4), QStringLiteral(" "));
    t.Move(3000, 700);
    QCOMPARE(w.lnReg100Hz->X1(), 1500.0F);

    // A second click on the item unregisters without a dialog; the value stays.
    w.mnuReg100Hz->trigger();
    QCOMPARE(t.services.modal.shown.size(), std::size_t(1));
    QVERIFY(tracer::Tag(w.mnuReg100Hz) == "0" && !w.mnuReg100Hz->isChecked() && !w.lnReg100Hz->Visible());
    QCOMPARE(w.lowFreq, 100.0);

    // Cancel, and closing the dialog through its frame, leave the reference unregistered.
    t.AnswerValue(QString());
    w.mnuReg10000Hz->trigger();
    t.services.modal.scripts.push_back([](QDialog& dialog) { dialog.close(); });
    w.mnuReg10000Hz->trigger();
    QVERIFY(tracer::Tag(w.mnuReg10000Hz) == "0" && !w.mnuReg10000Hz->isChecked() && !w.lnReg10000Hz->Visible());
    QCOMPARE(w.highFreq, 10000.0);
  }

  // With several references placing, the earliest in the menu's order follows and is fixed first.
  void placingOrder() {
    Tracer t;
    tracer::Form1& w = *t.window;
    t.AnswerValue(QStringLiteral("70"));
    w.mnuReg60Db->trigger();
    t.AnswerValue(QStringLiteral("20"));
    w.mnuReg100Hz->trigger();
    t.Move(600, 900);
    QCOMPARE((QList<float>{w.lnReg100Hz->X1(), w.lnReg60Db->Y1()}), (QList<float>{600, 3720}));
    t.Click();
    t.Move(800, 1000);
    QCOMPARE((QList<float>{w.lnReg100Hz->X1(), w.lnReg60Db->Y1()}), (QList<float>{600, 1000}));
    t.Click();
    QVERIFY(tracer::Tag(w.mnuReg100Hz) == "2" && tracer::Tag(w.mnuReg60Db) == "2");
    QCOMPARE((QList<double>{w.lowFreq, w.lowFreqLog, w.lowDb}), (QList<double>{20, tracer::LogBase10(20), 70}));
  }

  // The value dialog refuses what is not a number and stays; the status bar shows what was typed.
  void typedValues() {
    Tracer t;
    tracer::Form1& w = *t.window;
    t.AnswerValue(QStringLiteral("1,000"));
    w.mnuReg16Ohm->trigger();
    QCOMPARE(t.services.messageBox.shown.size(), std::size_t(1));
    QCOMPARE(t.services.messageBox.shown[0].text, QStringLiteral("Enter a valid number, then click 'OK'"));
    QCOMPARE(t.services.messageBox.shown[0].title, QStringLiteral("Review Data"));
    QVERIFY(tracer::Tag(w.mnuReg16Ohm) == "0" && w.highOhm == 16);
    QLocale::setDefault(QLocale(QLocale::German));
    t.AnswerValue(QStringLiteral(" 2,5"));
    w.mnuReg16Ohm->trigger();
    QLocale::setDefault(QLocale::c());
    QCOMPARE((QList<double>{w.highOhm, w.highOhmScaled}), (QList<double>{2.5, tracer::LogBase2(2.5)}));
    QCOMPARE(t.Panel(4), QStringLiteral("Register  2,5 Ohms"));
  }

  void ohmScales() {
    Tracer t;
    tracer::Form1& w = *t.window;
    w.mnuOhmScale10->trigger();
    t.AnswerValue(QStringLiteral("4"));
    w.mnuReg4Ohm->trigger();
    QCOMPARE(QString::number(w.lowOhmScaled, 'f', 5), QStringLiteral("0.60206"));
    for (const auto& [item, scaled] : {std::pair{w.mnuOhmScale2, 2.0}, std::pair{w.mnuOhmScale1, 0.0}}) {
      item->trigger();
      QCOMPARE(w.lowOhmScaled, scaled);
      QCOMPARE(w.highOhmScaled, 2 * scaled);
      QVERIFY(item->isChecked() && !w.mnuOhmScale10->isChecked());
    }
    // An import brings back the base-2 scale and the defaults.
    w.mnuOhmScale10->trigger();
    t.Import(Filled(10, 10, Qt::white));
    QVERIFY(w.mnuOhmScale2->isChecked() && !w.mnuOhmScale10->isChecked() && !w.mnuOhmScale1->isChecked());
    QCOMPARE((QList<double>{w.lowOhm, w.lowOhmScaled, w.highOhmScaled}), (QList<double>{4, 2, 4}));
    QCOMPARE(tracer::Tag(w.mnuReg4Ohm), QStringLiteral("0"));
  }

  // The readout from the defaults and the lines' design places, in the user's decimal separator.
  void readout_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("linear");
    QTest::addColumn<QStringList>("panels");
    QTest::newRow("base 2") << "en_US" << false << QStringList{"Freq.  1000", "Db  74.21053", "Ohm  8"};
    QTest::newRow("linear") << "en_US" << true << QStringList{"Freq.  1000", "Db  74.21053", "Ohm  10"};
    QTest::newRow("German") << "de_DE" << false << QStringList{"Freq.  1000", "Db  74,21053", "Ohm  8"};
  }
  void readout() {
    QFETCH(QString, locale);
    QFETCH(bool, linear);
    QFETCH(QStringList, panels);
    QLocale::setDefault(QLocale(locale));
    Tracer t;
    if (linear) {
      t.window->mnuOhmScale1->trigger();
    }
    t.Move(4035, 2640);
    QLocale::setDefault(QLocale::c());
    QCOMPARE((QStringList{t.Panel(1), t.Panel(2), t.Panel(3)}), panels);
    QCOMPARE((QList<double>{t.window->freqScale, t.window->dbScale, t.window->ohmScale}),
             (QList<double>{1860, 76, linear ? 80.0 : 480.0}));
  }

  // An axis without a usable scale leaves its panel as it was; the other quantities go on.
  void degenerateAxis() {
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Move(4035, 2640);
    t.Register(w.mnuReg10000Hz, QStringLiteral("100"), 2160);  // both frequency lines at 2160
    t.Move(5000, 2716);
    QCOMPARE(t.Panel(1), QStringLiteral("Freq.  1000"));
    QCOMPARE(w.curFreq, 1000.0F);
    QCOMPARE(t.Panel(2), QStringLiteral("Db  73.21053"));
  }
};

QTEST_MAIN(tst_form1)
#include "tst_form1.moc"
