// The viewer's main window through its handlers and the scripted platform fakes: start-up, the
// menu states, the open and save dialogs, and every failure of the file commands.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QtTest>
#include <csignal>
#include <memory>

#include "ResponseFile.h"
#include "ViewerFixture.h"
#include "ViewerInfo.h"
#include "frmMagnitude.h"
#include "frmMain.h"
#include "frmNormalize.h"

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using platform::MessageButtons;
using platform::MessageResult;

namespace {

using fakes::kFixtures;
using fakes::SetOf;
using fakes::Viewer;

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

}  // namespace

class tst_frmmain : public QObject {
  Q_OBJECT

 private slots:
  void startUp() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Vostrel"));
    QVERIFY(w.isMaximized());
    QCOMPARE(v.Status(), QStringLiteral("File: none"));
    QVERIFY(!v.g.dataLoaded && !v.g.dataNormalized && !v.g.dataAdjusted);
    QCOMPARE(
        (QList<double>{v.g.normStartFreq, v.g.normStopFreq, double(v.g.normPoints), double(v.g.normPointRange),
                       double(v.g.normDistribution), double(v.g.rulerSize), v.g.graphBottomValue, v.g.graphTopValue}),
        (QList<double>{1, 50000, 1000, 0, 1, 270, -48, 120}));
    // The frame fills the window with 120-twip margins; the graph is 1.5 times its width, empty.
    QCOMPARE((QList<int>{w.pctFrame->Left(), w.pctFrame->Top(), w.pctFrame->Width(), w.pctFrame->Height()}),
             (QList<int>{120, 120, w.centralWidget()->width() * 15 - 240, w.centralWidget()->height() * 15 - 240}));
    QCOMPARE(v.g.graphSize, qRound(w.pctFrame->Width() * 1.5));
    QCOMPARE((QList<int>{w.pctGraph->Width(), w.HMeasureGraph->Height(), w.VMeasureGraph->Width()}),
             (QList<int>{v.g.graphSize, 270, 270}));
    QCOMPARE(w.pctGraph->BackColor(), QColor(224, 224, 216));
    QVERIFY(w.pctGraph->Operations().empty());
  }

  void menuTree() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    struct Item {
      const char* name;
      const char* caption;  // nullptr for a separator
      bool enabled;
    };
    const auto check = [](const QList<QAction*>& actions, const std::vector<Item>& items) {
      QCOMPARE(actions.size(), qsizetype(items.size()));
      for (std::size_t i = 0; i < items.size(); ++i) {
        const QAction* a = actions[qsizetype(i)];
        QCOMPARE(a->objectName(), QLatin1String(items[i].name));
        QCOMPARE(a->isSeparator(), items[i].caption == nullptr);
        if (items[i].caption != nullptr) {
          QCOMPARE(a->text(), QLatin1String(items[i].caption));
          QCOMPARE(a->isEnabled(), items[i].enabled);
        }
      }
    };
    check(w.menuBar()->actions(), {{"mnuFile", "File", true},
                                   {"mnuTools", "Tools", false},
                                   {"mnuView", "View", true},
                                   {"mnuHelp", "Help", true}});
    check(w.mnuFile->actions(), {{"mnuOpen", "Open", true},
                                 {"mnuClose", "Close", true},
                                 {"mnuSeparator1", nullptr, true},
                                 {"mnuSave", "Save", false},
                                 {"mnuSaveAs", "Save As...", false},
                                 {"mnuExportPicture", "Export Picture...", true},
                                 {"mnuSeparator2", nullptr, true},
                                 {"mnuExit", "Exit", true}});
    check(w.mnuOpen->actions(),
          {{"mnuOpenSpl", "Frequency Response Data File", true}, {"mnuOpenImpedance", "Impedance Data File", true}});
    check(w.mnuTools->actions(),
          {{"mnuNormalize", "Normalize Data...", true}, {"mnuMagnidude", "Adjust Magnitude...", true}});
    check(w.mnuHelp->actions(), {{"mnuAbout", "About", true}});
  }

  // Menu states and status bar after a sequence of commands. Steps: "spl:<file>" and "zma:<file>"
  // open a fixture ("-" cancels the dialog, "?" names a file that does not exist), "close".
  void menuStates_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("tools");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("loaded");
    QTest::newRow("start") << QStringList{} << false << "File: none" << false;
    QTest::newRow("response file read") << QStringList{"spl:woofer-24ppo.frd"} << true << "File: <path>" << true;
    QTest::newRow("impedance file read") << QStringList{"zma:woofer-48ppo.zma"} << false << "File: <path>" << true;
    QTest::newRow("impedance after response disables Tools")
        << QStringList{"spl:woofer-24ppo.frd", "zma:midrange-2col.zda"} << false << "File: <path>" << true;
    QTest::newRow("response after impedance enables Tools")
        << QStringList{"zma:woofer-48ppo.zma", "spl:tweeter-tab-2col.frd"} << true << "File: <path>" << true;
    QTest::newRow("cancelled open keeps data and Tools")
        << QStringList{"spl:woofer-24ppo.frd", "zma:-"} << true << "File: none" << true;
    QTest::newRow("missing file keeps data and Tools")
        << QStringList{"spl:woofer-24ppo.frd", "spl:?"} << true << "File: none" << true;
    QTest::newRow("failed read keeps Tools")
        << QStringList{"spl:woofer-24ppo.frd", "spl:nineteen-points.frd"} << true << "File: none" << false;
    QTest::newRow("failed read at start") << QStringList{"spl:decimal-comma.frd"} << false << "File: none" << false;
    QTest::newRow("close") << QStringList{"spl:woofer-24ppo.frd", "close"} << false << "File: none" << false;
  }
  void menuStates() {
    QFETCH(QStringList, steps);
    QFETCH(bool, tools);
    QFETCH(QString, status);
    QFETCH(bool, loaded);
    Viewer v;
    QString lastPath;
    for (const QString& step : steps) {
      if (step == QLatin1String("close")) {
        v.window->mnuClose_Click();
        continue;
      }
      const QString file = step.mid(4);
      std::optional<QString> path;
      if (file == QLatin1String("?")) {
        path = kFixtures + QStringLiteral("no-such-file.frd");
      } else if (file != QLatin1String("-")) {
        path = kFixtures + file;
      }
      if (path) {
        lastPath = *path;
      }
      v.Open(step.startsWith(QLatin1String("zma")), path);
    }
    QCOMPARE(v.window->mnuTools->menuAction()->isEnabled(), tools);
    QVERIFY(!v.window->mnuSaveAs->isEnabled());
    QVERIFY(!v.window->mnuSave->isEnabled());
    QCOMPARE(v.Status(), QString(status).replace(QLatin1String("<path>"), lastPath));
    QCOMPARE(v.g.dataLoaded, loaded);
  }

  // A path given on the command line or dropped on the window opens as if the open dialog had
  // returned it, its kind following the extension; what is not a regular file is refused.
  void openWithoutDialog_data() {
    QTest::addColumn<bool>("drop");
    QTest::addColumn<QString>("file");  // in the fixtures; "<fifo>" and "<dir>" are made by the test
    QTest::addColumn<int>("impedance");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("tools");
    QTest::addColumn<QString>("message");
    const QString unreadable = QStringLiteral("Cannot read data from specified file.");
    QTest::newRow("command line, FRD") << false << "woofer-24ppo.frd" << 0 << true << true << QString();
    QTest::newRow("command line, ZMA") << false << "woofer-48ppo.zma" << 1 << true << false << QString();
    QTest::newRow("dropped ZDA") << true << "midrange-2col.zda" << 1 << true << false << QString();
    QTest::newRow("dropped, unreadable") << true << "nineteen-points.frd" << 0 << false << false << unreadable;
    QTest::newRow("missing file") << false << "no-such-file.frd" << 0 << false << false << QString();
    QTest::newRow("FIFO refused, not waited for") << false << "<fifo>" << 0 << false << false << unreadable;
    QTest::newRow("directory refused") << true << "<dir>" << 0 << false << false << unreadable;
  }
  void openWithoutDialog() {
    QFETCH(bool, drop);
    QFETCH(QString, file);
    QFETCH(int, impedance);
    QFETCH(bool, loaded);
    QFETCH(bool, tools);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString path = kFixtures + file;
    if (file == QLatin1String("<dir>")) {
      path = dir.path();
    } else if (file == QLatin1String("<fifo>")) {
#ifdef Q_OS_UNIX
      path = dir.filePath(QStringLiteral("pipe.frd"));
      QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#else
      QSKIP("needs a FIFO");
#endif
    }
    Viewer v;
    if (drop) {
      QMimeData mime;
      mime.setUrls({QUrl(QStringLiteral("https://example.org/a.frd")), QUrl::fromLocalFile(path)});
      v.window->Form_OLEDragDrop(mime);
    } else {
      v.window->OpenFileByKind(path);
    }
    QVERIFY(v.services.fileDialog.requests.empty());
    QCOMPARE(v.g.dataIsImpedance, impedance);
    QCOMPARE(v.g.dataLoaded, loaded);
    QCOMPARE(v.window->mnuTools->menuAction()->isEnabled(), tools);
    QCOMPARE(v.Status(), loaded ? QStringLiteral("File: ") + path : QStringLiteral("File: none"));
    QCOMPARE(v.services.messageBox.shown.size(), std::size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty()) {
      QCOMPARE(v.services.messageBox.shown.front().text, message);
    }
    QCOMPARE(v.window->pctGraph->Operations().empty(), !loaded);
  }

  // The dialogs' texts for each kind; the proposed name is set anew each time, whatever the last
  // dialog returned.
  void dialogSettings_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<QStringList>("expected");  // title, proposed name, filter, default extension
    const QString response = QStringLiteral("Frequency Response Data (*.frd)|*.frd");
    const QString impedance = QStringLiteral("Impedance Data (*.zma;*.zda)|*.zma;*.zda");
    QTest::newRow("open response") << false << false
                                   << QStringList{"Open Frequency Response Data File", "speaker.frd", response, "frd"};
    QTest::newRow("open impedance") << false << true
                                    << QStringList{"Open Impedance Data File", "speaker.zda", impedance, "zma"};
    QTest::newRow("save response") << true << false
                                   << QStringList{"Save Frequency Data As", "speaker.frd", response, "frd"};
    QTest::newRow("save impedance") << true << true
                                    << QStringList{"Save Impedance Data As", "speaker.zda", impedance, "zda"};
  }
  void dialogSettings() {
    QFETCH(bool, save);
    QFETCH(bool, impedance);
    QFETCH(QStringList, expected);
    Viewer v;
    v.g.dataIsImpedance = impedance ? 1 : 0;
    for (int i = 0; i < 2; ++i) {
      save ? v.SaveAs(std::nullopt) : v.Open(impedance, kFixtures + QStringLiteral("no-such-file.frd"));
    }
    QCOMPARE(v.services.fileDialog.requests.size(), std::size_t(2));
    for (const fakes::FileDialog::Request& r : v.services.fileDialog.requests) {
      QCOMPARE(r.save, save);
      QVERIFY(r.settings.cancelError);
      QCOMPARE((QStringList{r.settings.title, r.settings.fileName, r.settings.filter, r.settings.defaultExt}),
               expected);
      QCOMPARE(r.settings.filterIndex, 1);
    }
    QVERIFY(v.services.messageBox.shown.empty());  // neither Cancel nor a missing file says anything
  }

  // Cancelling "Impedance Data File" over response data switches the kind at once: the data stay,
  // but Save As now offers the impedance texts.
  void cancelledOpenChangesKind() {
    Viewer v;
    v.Open(false, kFixtures + QStringLiteral("woofer-24ppo.frd"));
    v.Open(true, std::nullopt);
    QCOMPARE(v.g.dataIsImpedance, 1);
    QVERIFY(v.g.dataLoaded);
    QCOMPARE(v.g.loadedData.PointCount(), 288);
    v.SaveAs(std::nullopt);
    QCOMPARE(v.services.fileDialog.requests.back().settings.title, QStringLiteral("Save Impedance Data As"));
    // Close leaves the kind as it was.
    v.window->mnuClose_Click();
    QCOMPARE(v.g.dataIsImpedance, 1);
    QCOMPARE(v.g.loadedData.LastIndex(), 1);
    QCOMPARE(v.g.loadedData.Minima(), data::ResponsePoint{});
  }

  void unreadableFile() {
    Viewer v;
    v.Open(false, kFixtures + QStringLiteral("woofer-24ppo.frd"));
    v.g.dataNormalized = true;
    v.g.normalizedData = SetOf({{1, 2, 3}});
    v.window->mnuSaveAs->setEnabled(true);
    v.Open(false, kFixtures + QStringLiteral("nineteen-points.frd"));
    QCOMPARE(v.services.messageBox.shown.size(), std::size_t(1));
    const fakes::MessageBox::Shown& m = v.services.messageBox.shown.front();
    QCOMPARE(m.text, QStringLiteral("Cannot read data from specified file."));
    QCOMPARE(m.title, QStringLiteral("Vostrel"));
    QCOMPARE(m.buttons, MessageButtons::kOk);
    QCOMPARE(v.Status(), QStringLiteral("File: none"));
    QVERIFY(!v.g.dataLoaded);
    QVERIFY(!v.g.dataNormalized);
    QCOMPARE(v.g.normalizedData.LastIndex(), 1);
    QCOMPARE(v.g.loadedData.PointCount(), 19);  // what was read stays
    QVERIFY(!v.window->mnuSaveAs->isEnabled());
  }

  // The Tools commands through the dialogs' own buttons: Save As becomes enabled when a tool has
  // produced data (after this run or an earlier one), the graph shows each curve in its colour,
  // and Save As writes the normalized points, or the adjusted ones after Adjust Magnitude alone.
  void toolsThenSaveAs_data() {
    QTest::addColumn<QStringList>("steps");  // "normalize" / "adjust <text>", then ":ok" or ":cancel"
    QTest::addColumn<bool>("saveAs");
    QTest::addColumn<QList<QRgb>>("curves");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::newRow("normalize") << QStringList{"normalize:ok"} << true << QList<QRgb>{0xffff00ff, 0xff0000ff}
                               << QByteArray("20 72.934 0");
    QTest::newRow("normalize cancelled") << QStringList{"normalize:cancel"} << false << QList<QRgb>{0xff0000ff}
                                         << QByteArray();
    QTest::newRow("cancel after an earlier run") << QStringList{"normalize:ok", "normalize:cancel"} << true
                                                 << QList<QRgb>{0xffff00ff, 0xff0000ff} << QByteArray("20 72.934 0");
    QTest::newRow("adjust alone") << QStringList{"adjust -6.5:ok"} << true << QList<QRgb>{0xffff0000, 0xff0000ff}
                                  << QByteArray("20 66.434 143.0649");
    QTest::newRow("adjust the normalized data")
        << QStringList{"normalize:ok", "adjust 3 dB:ok"} << true << QList<QRgb>{0xffff00ff, 0xffff0000, 0xff0000ff}
        << QByteArray("20 72.934 0");
  }
  void toolsThenSaveAs() {
    QFETCH(QStringList, steps);
    QFETCH(bool, saveAs);
    QFETCH(QList<QRgb>, curves);
    QFETCH(QByteArray, firstLine);
    Viewer v;
    v.Open(false, kFixtures + QStringLiteral("comma-delimited-96ppo.frd"));
    v.g.normStartFreq = 20;
    v.g.normStopFreq = 20000;
    for (const QString& step : steps) {
      const bool ok = step.endsWith(QLatin1String(":ok"));
      const QString text = step.section(QLatin1Char(':'), 0, 0);
      v.services.modal.scripts.push_back([ok, text](QDialog& dialog) {
        if (auto* magnitude = qobject_cast<viewer::frmMagnitude*>(&dialog)) {
          magnitude->edtDecibels->setText(text.mid(7));
          ok ? magnitude->cmdOK_Click() : magnitude->cmdCancel_Click();
        } else if (auto* normalize = qobject_cast<viewer::frmNormalize*>(&dialog)) {
          ok ? normalize->cmdOK_Click() : normalize->cmdCancel_Click();
        }
      });
      text.startsWith(QLatin1String("adjust")) ? v.window->mnuMagnidude->trigger() : v.window->mnuNormalize->trigger();
    }
    QVERIFY(v.services.messageBox.shown.empty());
    QCOMPARE(v.window->mnuSaveAs->isEnabled(), saveAs);
    QList<QRgb> drawn;
    for (const platform::DrawOp& op : v.window->pctGraph->Operations()) {
      if (op.color != qRgb(0, 128, 0) && (drawn.isEmpty() || drawn.back() != op.color)) {
        drawn << op.color;
      }
    }
    QCOMPARE(drawn, curves);
    if (saveAs) {
      QTemporaryDir dir;
      const QString path = dir.filePath(QStringLiteral("tool.frd"));
      v.SaveAs(path);
      QCOMPARE(Contents(path).split('\r').first(), firstLine);
    }
  }

  // Help > About shows the shared About box, filled with the viewer's texts, without owner.
  void aboutBox() {
    Viewer v;
    QStringList seen;
    QImage icon;
    v.services.modal.scripts.push_back([&seen, &icon](QDialog& dialog) {
      const QLabel* picture = dialog.findChild<QLabel*>(QStringLiteral("picIcon"));
      icon = picture->pixmap().toImage();
      QCOMPARE(icon, viewer::ViewerInfo().icon.pixmap(picture->size()).toImage());
      seen << dialog.windowTitle() << dialog.findChild<QLabel*>(QStringLiteral("lblTitle"))->text()
           << dialog.findChild<QLabel*>(QStringLiteral("lblVersion"))->text()
           << dialog.findChild<QLabel*>(QStringLiteral("lblDescription"))->text()
           << (dialog.parentWidget() == nullptr ? QStringLiteral("no owner") : QStringLiteral("owner"));
    });
    v.window->mnuAbout->trigger();
    QCOMPARE(v.services.modal.shown, std::vector<QString>{QStringLiteral("frmAbout")});
    QCOMPARE(seen, (QStringList{"About Vostrel", "Vostrel", "Version 1.0.1",
                                "Sound Pressure Level and Impedance graph view utility.", "no owner"}));
    QVERIFY(!icon.isNull());  // the viewer's own icon
  }

  void exitQuitsAtOnce() {
    Viewer v;
    v.window->mnuExit_Click();
    QCOMPARE(v.services.application.quitCalls, 1);
    QVERIFY(v.services.messageBox.shown.empty());
  }

  // What Save As writes: the normalized points, or the adjusted ones after Adjust Magnitude alone.
  void saveAsWrites_data() {
    QTest::addColumn<bool>("normalized");
    QTest::addColumn<bool>("adjusted");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("normalized") << true << false << QByteArray("20 85.3123 0\r\n30 -1.5 0\r\n");
    QTest::newRow("normalized and adjusted") << true << true << QByteArray("20 85.3123 0\r\n30 -1.5 0\r\n");
    QTest::newRow("adjusted alone") << false << true << QByteArray("40 80.1235 -12.5\r\n");
    QTest::newRow("neither: empty file") << false << false << QByteArray();
  }
  void saveAsWrites() {
    QFETCH(bool, normalized);
    QFETCH(bool, adjusted);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    Viewer v;
    v.g.normalizedData = normalized ? SetOf({{20, 85.312349, 0}, {30, -1.5, 0}}) : data::ResponseSet{};
    v.g.adjustedData = SetOf({{40, 80.12345, -12.5}});
    v.g.dataNormalized = normalized;
    v.g.dataAdjusted = adjusted;
    const QString path = dir.filePath(QStringLiteral("out.frd"));
    v.SaveAs(path);
    QCOMPARE(Contents(path), bytes);
    QVERIFY(v.services.messageBox.shown.empty());
    QCOMPARE(v.Status(), QStringLiteral("File: none"));
  }

  // Every way Save As can end early, and what it leaves on disk.
  void saveAsFailures_data() {
    QTest::addColumn<QString>("target");  // "existing", "new" or "missing-dir"
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QList<MessageResult>>("answers");
    QTest::addColumn<QStringList>("messages");  // text|title|buttons
    QTest::addColumn<bool>("written");
    const QString overwrite =
        QStringLiteral("The specified file exists. Do you want to overwrite it?|Vostrel - SaveAs|YesNo");
    const QString cannotOpen = QStringLiteral("The specified file cannot be opened.|Vostrel - SaveAs|OkCancel");
    QTest::newRow("dialog cancelled") << "existing" << true << QList<MessageResult>{} << QStringList{} << false;
    QTest::newRow("overwrite answered No")
        << "existing" << false << QList<MessageResult>{MessageResult::kNo} << QStringList{overwrite} << false;
    QTest::newRow("overwrite answered Yes")
        << "existing" << false << QList<MessageResult>{MessageResult::kYes} << QStringList{overwrite} << true;
    QTest::newRow("new file asks nothing") << "new" << false << QList<MessageResult>{} << QStringList{} << true;
    QTest::newRow("cannot be created, OK")
        << "missing-dir" << false << QList<MessageResult>{MessageResult::kOk} << QStringList{cannotOpen} << false;
    QTest::newRow("cannot be created, Cancel")
        << "missing-dir" << false << QList<MessageResult>{MessageResult::kCancel} << QStringList{cannotOpen} << false;
  }
  void saveAsFailures() {
    QFETCH(QString, target);
    QFETCH(bool, cancel);
    QFETCH(QList<MessageResult>, answers);
    QFETCH(QStringList, messages);
    QFETCH(bool, written);
    QTemporaryDir dir;
    Viewer v;
    v.g.normalizedData = SetOf({{20, 85.312349, 0}});
    v.g.dataNormalized = true;
    const QByteArray old("old contents\r\n");
    QString path = dir.filePath(QStringLiteral("out.frd"));
    if (target == QLatin1String("existing")) {
      WriteFile(path, old);
    } else if (target == QLatin1String("missing-dir")) {
      path = dir.filePath(QStringLiteral("missing/out.frd"));
    }
    v.services.messageBox.answers.assign(answers.begin(), answers.end());
    v.SaveAs(cancel ? std::nullopt : std::optional<QString>(path));

    QStringList shown;
    for (const fakes::MessageBox::Shown& m : v.services.messageBox.shown) {
      const char* buttons = m.buttons == MessageButtons::kYesNo      ? "YesNo"
                            : m.buttons == MessageButtons::kOkCancel ? "OkCancel"
                                                                     : "Ok";
      shown << m.text + QLatin1Char('|') + m.title + QLatin1Char('|') + QLatin1String(buttons);
    }
    QCOMPARE(shown, messages);
    if (written) {
      QCOMPARE(Contents(path), QByteArray("20 85.3123 0\r\n"));
    } else if (target == QLatin1String("existing")) {
      QCOMPARE(Contents(path), old);
    } else {
      QVERIFY(!QFile::exists(path));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), target == QLatin1String("existing") || written ? 1 : 0);
  }

  // A write that fails on the way (here: the process may not write files beyond 16 bytes) leaves
  // the existing file untouched and says so.
  void saveAsWriteFailure() {
#ifdef Q_OS_LINUX
    QTemporaryDir dir;
    Viewer v;
    v.g.normalizedData = SetOf({{20, 85.312349, 0}, {30, 85, 0}, { 40, 85, 0 }});
    v.g.dataNormalized = true;
    const QString path = dir.filePath(QStringLiteral("out.frd"));
    const QByteArray old("old\r\n");
    WriteFile(path, old);
    v.services.messageBox.answers = {MessageResult::kYes};

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &limited);
    v.SaveAs(path);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(v.services.messageBox.shown.size(), std::size_t(2));
    const fakes::MessageBox::Shown& m = v.services.messageBox.shown.back();
    QCOMPARE(m.text, QStringLiteral("The data could not be written to the specified file."));
    QCOMPARE(m.title, QStringLiteral("Vostrel - SaveAs"));
    QCOMPARE(m.buttons, MessageButtons::kOk);
    QCOMPARE(Contents(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary left
#else
    QSKIP("needs a file size limit");
#endif
  }

  // Save As onto the file the viewer has open asks like any existing file.
  void saveAsOntoOpenFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("open.frd"));
    QVERIFY(QFile::copy(kFixtures + QStringLiteral("woofer-24ppo.frd"), path));
    Viewer v;
    v.Open(false, path);
    v.SaveAs(path);
    QCOMPARE(v.services.messageBox.shown.size(), std::size_t(1));
    QCOMPARE(v.services.messageBox.shown.front().text,
             QStringLiteral("The specified file exists. Do you want to overwrite it?"));
    QCOMPARE(Contents(path).size(), QFileInfo(kFixtures + QStringLiteral("woofer-24ppo.frd")).size());
  }
};

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
