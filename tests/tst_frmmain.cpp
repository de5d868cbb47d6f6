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
#include <filesystem>
#include <memory>

#include "Files.h"
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
  // Menu states, status bar and messages after a sequence of commands. Steps: "spl:<file>" and
  // "zma:<file>" open a fixture through the dialog ("-" cancels it, "<fifo>", "<dir>" and
  // "<loop>" are a FIFO, a directory and a link to itself), "cmd:<file>" and "drop:<file>" open it
  // as given on the command line or dropped on the window (no dialog, the kind by the extension;
  // "<latin1>" is a copy of the woofer whose name is not UTF-8), "close". Each refusal is the one
  // message "Cannot read data from specified file.", and leaves nothing loaded.
  void menuStates_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("tools");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("refusals");
    const auto row = [](const char* name, const QStringList& steps, bool tools, const char* status, bool loaded,
                        int refusals) {
      QTest::newRow(name) << steps << tools << QString::fromLatin1(status) << loaded << refusals;
    };
    row("start", {}, false, "File: none", false, 0);
    row("impedance after response disables Tools", {"spl:woofer-24ppo.frd", "zma:midrange-2col.zda"}, false,
        "File: <path>", true, 0);
    row("response after impedance enables Tools", {"zma:woofer-48ppo.zma", "spl:tweeter-tab-2col.frd"}, true,
        "File: <path>", true, 0);
    row("cancelled open keeps data and Tools", {"spl:woofer-24ppo.frd", "zma:-"}, true, "File: none", true, 0);
    row("missing file refused, Tools kept", {"spl:woofer-24ppo.frd", "spl:no-such-file.frd"}, true, "File: none", false,
        1);
    row("link loop refused", {"zma:<loop>"}, false, "File: none", false, 1);
    row("failed read keeps Tools", {"spl:woofer-24ppo.frd", "spl:nineteen-points.frd"}, true, "File: none", false, 1);
    row("failed read at start", {"spl:decimal-comma.frd"}, false, "File: none", false, 1);
    row("close", {"spl:woofer-24ppo.frd", "close"}, false, "File: none", false, 0);
    row("FIFO refused, not waited for", {"spl:<fifo>"}, false, "File: none", false, 1);
    row("directory refused", {"zma:<dir>"}, false, "File: none", false, 1);
    row("command line, ZMA after FRD", {"cmd:woofer-24ppo.frd", "cmd:woofer-48ppo.zma"}, false, "File: <path>", true,
        0);
    row("command line, missing file", {"cmd:no-such-file.frd"}, false, "File: none", false, 1);
    row("command line, name not UTF-8", {"cmd:<latin1>"}, true, "File: <path>", true, 0);
    row("dropped ZDA", {"drop:midrange-2col.zda"}, false, "File: <path>", true, 0);
  }
  void menuStates() {
    QFETCH(QStringList, steps);
    QFETCH(bool, tools);
    QFETCH(QString, status);
    QFETCH(bool, loaded);
    QFETCH(int, refusals);
    QTemporaryDir dir;
    Viewer v;
    QVERIFY(v.window->isMaximized());
    QString lastPath;
    std::size_t dialogs = 0;
    for (const QString& step : steps) {
      if (step == QLatin1String("close")) {
        v.window->mnuClose_Click();
        continue;
      }
      const QString how = step.section(QLatin1Char(':'), 0, 0);
      const QString file = step.section(QLatin1Char(':'), 1);
      std::optional<QString> path = kFixtures + file;
      std::filesystem::path native;
      if (file == QLatin1String("-")) {
        path.reset();
      } else if (file == QLatin1String("<dir>")) {
        path = dir.path();
      } else if (file == QLatin1String("<fifo>")) {
#ifdef Q_OS_UNIX
        path = dir.filePath(QStringLiteral("pipe.frd"));
        QFile::remove(*path);
        QCOMPARE(mkfifo(QFile::encodeName(*path).constData(), 0600), 0);
#else
        QSKIP("needs a FIFO");
#endif
      } else if (file == QLatin1String("<loop>")) {
        path = dir.filePath(QStringLiteral("loop.zma"));
        QVERIFY(QFile::link(*path, *path));
      } else if (file == QLatin1String("<latin1>")) {
        native = std::filesystem::path(QFile::encodeName(dir.path()).toStdString()) / "caf\xe9.frd";
        std::filesystem::copy_file(platform::NativePath(kFixtures + QStringLiteral("woofer-24ppo.frd")), native);
        path = QFile::decodeName(QByteArray::fromStdString(native.string()));
      }
      lastPath = path.value_or(lastPath);
      if (how == QLatin1String("cmd")) {
        native.empty() ? v.window->OpenFileByKind(*path) : v.window->OpenFileByKind(native);
      } else if (how == QLatin1String("drop")) {
        QMimeData dropped;
        dropped.setUrls({QUrl(QStringLiteral("https://example.org/a.frd")), QUrl::fromLocalFile(*path)});
        v.window->Form_OLEDragDrop(dropped);
      } else {
        v.Open(how == QLatin1String("zma"), path);
        ++dialogs;
      }
    }
    QCOMPARE(v.services.fileDialog.requests.size(), dialogs);
    QCOMPARE(v.window->mnuTools->menuAction()->isEnabled(), tools);
    QVERIFY(!v.window->mnuSaveAs->isEnabled() && !v.window->mnuSave->isEnabled());
    QCOMPARE(v.Status(), QString(status).replace(QLatin1String("<path>"), lastPath));
    QCOMPARE(v.g.dataLoaded, loaded);
    QCOMPARE(!v.window->pctGraph->Operations().empty(), loaded);  // a curve drawn only while one is loaded
    QCOMPARE(v.services.messageBox.shown.size(), std::size_t(refusals));
    for (const fakes::MessageBox::Shown& m : v.services.messageBox.shown) {
      QVERIFY(m.text == "Cannot read data from specified file." && m.title == "Vostrel" &&
              m.buttons == MessageButtons::kOk);
    }
  }

  // Cancelling "Impedance Data File" over response data switches the kind at once: the data stay,
  // but Save As now offers the impedance texts.
  void cancelledOpenChangesKind() {
    Viewer v;
    v.Open(false, kFixtures + QStringLiteral("woofer-24ppo.frd"));
    v.Open(true, std::nullopt);
    QVERIFY(v.g.dataIsImpedance == 1 && v.g.dataLoaded && v.g.loadedData.PointCount() == 288);
    v.SaveAs(std::nullopt);
    QCOMPARE(v.services.fileDialog.requests.back().settings.title, QStringLiteral("Save Impedance Data As"));
    v.window->mnuClose_Click();  // Close leaves the kind as it was
    QVERIFY(v.g.dataIsImpedance == 1 && v.g.loadedData.LastIndex() == 1);
    QCOMPARE(v.g.loadedData.Minima(), data::ResponsePoint{});
  }

  // A file that fails to read (the message and the menus: menuStates): the derived data gone, what
  // was read kept.
  void unreadableFile() {
    Viewer v;
    v.Open(false, kFixtures + QStringLiteral("woofer-24ppo.frd"));
    v.g.dataNormalized = true;
    v.g.normalizedData = SetOf({{1, 2, 3}});
    v.Open(false, kFixtures + QStringLiteral("nineteen-points.frd"));
    QVERIFY(!v.g.dataNormalized && v.g.normalizedData.LastIndex() == 1 && v.g.loadedData.PointCount() == 19);
  }

  // The Tools commands through the dialogs' own buttons: Save As becomes enabled when a tool has
  // produced data (after this run or an earlier one), the graph shows each curve in its colour,
  // and Save As writes the set the last tool built: the adjusted one when Adjust Magnitude ran
  // last (or alone), else the normalized one.
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
        << QByteArray("20 75.934 0");
    QTest::newRow("adjust cancelled after normalize")
        << QStringList{"adjust 3:ok", "normalize:ok", "adjust 9:cancel"} << true
        << QList<QRgb>{0xffff00ff, 0xffff0000, 0xff0000ff} << QByteArray("20 75.934 0");
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

  // The usual keys: Ctrl+O opens a frequency response file, Ctrl+Shift+O adds an overlay once a file
  // is loaded, Ctrl+S is Save As while that is enabled, Ctrl+Q exits.
  void keys() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const auto titles = [&v] {
      QStringList list;
      for (const auto& request : v.services.fileDialog.requests) {
        list << request.settings.title;
      }
      return list;
    };
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);                      // Save As disabled: nothing
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);  // nothing loaded: nothing
    v.services.fileDialog.answers.push_back(kFixtures + QStringLiteral("woofer-24ppo.frd"));
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    w.mnuSaveAs->setEnabled(true);
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(titles(), (QStringList{"Open Frequency Response Data File", "Add Overlay", "Save Frequency Data As"}));
    QCOMPARE(v.services.application.quitCalls, 1);
  }

  // Help > About shows the shared About box, filled with the viewer's texts and icon, without owner.
  void aboutBox() {
    Viewer v;
    QStringList seen;
    v.services.modal.scripts.push_back([&seen](QDialog& dialog) {
      const QLabel* picture = dialog.findChild<QLabel*>(QStringLiteral("picIcon"));
      QCOMPARE(picture->pixmap().toImage(), viewer::ViewerInfo().icon.pixmap(picture->size()).toImage());
      seen << dialog.windowTitle() << dialog.findChild<QLabel*>(QStringLiteral("lblVersion"))->text()
           << (dialog.parentWidget() == nullptr ? QStringLiteral("no owner") : QStringLiteral("owner"));
    });
    v.window->mnuAbout->trigger();
    QCOMPARE(seen, (QStringList{"About Vostrel", "Version 1.0.1", "no owner"}));
  }

  // Every way Save As can end early, and what it leaves on disk.
  void saveAsFailures_data() {
    QTest::addColumn<QString>("target");  // "existing", "new", "missing-dir" or "limited" (an existing
                                          // file, and no file may grow beyond 16 bytes: the write fails)
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QList<MessageResult>>("answers");
    QTest::addColumn<QStringList>("messages");  // text|title|buttons
    QTest::addColumn<bool>("written");
    const QString overwrite =
        QStringLiteral("The specified file exists. Do you want to overwrite it?|Vostrel - SaveAs|YesNo");
    const QString cannotOpen = QStringLiteral("The specified file cannot be opened.|Vostrel - SaveAs|OkCancel");
    const QString notWritten =
        QStringLiteral("The data could not be written to the specified file.|Vostrel - SaveAs|Ok");
    const QList<MessageResult> yes{MessageResult::kYes};
    QTest::newRow("dialog cancelled") << "existing" << true << QList<MessageResult>{} << QStringList{} << false;
    QTest::newRow("overwrite answered No")
        << "existing" << false << QList<MessageResult>{MessageResult::kNo} << QStringList{overwrite} << false;
    QTest::newRow("overwrite answered Yes") << "existing" << false << yes << QStringList{overwrite} << true;
    QTest::newRow("new file asks nothing") << "new" << false << QList<MessageResult>{} << QStringList{} << true;
    QTest::newRow("cannot be created, OK")
        << "missing-dir" << false << QList<MessageResult>{MessageResult::kOk} << QStringList{cannotOpen} << false;
    QTest::newRow("write fails on the way") << "limited" << false << yes << QStringList{overwrite, notWritten} << false;
  }
  void saveAsFailures() {
    QFETCH(QString, target);
    QFETCH(bool, cancel);
    QFETCH(QList<MessageResult>, answers);
    QFETCH(QStringList, messages);
    QFETCH(bool, written);
    QTemporaryDir dir;
    Viewer v;
    v.g.normalizedData = SetOf({{20, 85.312349, 0}, {30, 85, 0}});
    v.g.dataNormalized = true;
    const QByteArray old("old contents\r\n");
    QString path = dir.filePath(QStringLiteral("out.frd"));
    const bool existing = target == QLatin1String("existing") || target == QLatin1String("limited");
    if (existing) {
      WriteFile(path, old);
    } else if (target == QLatin1String("missing-dir")) {
      path = dir.filePath(QStringLiteral("missing/out.frd"));
    }
    v.services.messageBox.answers.assign(answers.begin(), answers.end());
#ifdef Q_OS_LINUX
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = target == QLatin1String("limited") ? 16 : previous.rlim_cur;
    setrlimit(RLIMIT_FSIZE, &limited);
    v.SaveAs(cancel ? std::nullopt : std::optional<QString>(path));
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
#else
    if (target == QLatin1String("limited")) {
      QSKIP("needs a file size limit");
    }
    v.SaveAs(cancel ? std::nullopt : std::optional<QString>(path));
#endif

    QStringList shown;
    for (const fakes::MessageBox::Shown& m : v.services.messageBox.shown) {
      const char* buttons = m.buttons == MessageButtons::kYesNo      ? "YesNo"
                            : m.buttons == MessageButtons::kOkCancel ? "OkCancel"
                                                                     : "Ok";
      shown << m.text + QLatin1Char('|') + m.title + QLatin1Char('|') + QLatin1String(buttons);
    }
    QCOMPARE(shown, messages);
    if (written) {
      QCOMPARE(Contents(path), QByteArray("20 85.3123 0\r\n30 85 0\r\n"));
    } else if (existing) {
      QCOMPARE(Contents(path), old);
    } else {
      QVERIFY(!QFile::exists(path));
    }
    // No temporary file left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), existing || written ? 1 : 0);
  }
};

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
