// The About box with the scripted platform fakes: the system information tool, GetKeyValue. Its
// texts and icon are checked where a program opens it (tst_frmmain).
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "Fakes.h"
#include "frmAbout.h"

using platform::IRegistry;

namespace {

const about::AppInfo kTracer{QStringLiteral("Quelbrin"), 1, 0, 2,
                             QStringLiteral("Sound Pressure Level and Impedance graph trace utility.")};
const QString kTool = QStringLiteral("C:\\Windows\\msinfo32.exe");
const QString kInFolder = QStringLiteral("C:\\Tools\\MSINFO32.EXE");

fakes::Registry::Value String(const QByteArray& bytes) { return {IRegistry::kTypeString, bytes.toStdString()}; }

}  // namespace

class tst_about : public QObject {
  Q_OBJECT

 private slots:
  void startSysInfo_data() {
    QTest::addColumn<QByteArray>("first");    // the program's path; empty: no key
    QTest::addColumn<QByteArray>("second");   // the folder of MSINFO32.EXE; empty: no key
    QTest::addColumn<bool>("fileExists");     // whether MSINFO32.EXE is in the folder (it would start)
    QTest::addColumn<QString>("started");     // empty: nothing started, the message is shown
    const QByteArray folder("C:\\Tools", 9);  // stored with its NUL
    QTest::newRow("first starts") << kTool.toLatin1() << folder << true << kTool;
    QTest::newRow("first does not start") << QByteArray("C:\\x.exe") << folder << true << QString();
    QTest::newRow("first names no program") << QByteArray(1, '\0') << folder << true << QString();
    QTest::newRow("second, file present") << QByteArray() << folder << true << kInFolder;
    QTest::newRow("second, no file") << QByteArray() << folder << false << QString();
    QTest::newRow("neither") << QByteArray() << QByteArray() << true << QString();
  }
  void startSysInfo() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(bool, fileExists);
    QFETCH(QString, started);
    fakes::Services f;
    if (!first.isEmpty()) f.registry.keys["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"]["PATH"] = String(first);
    if (!second.isEmpty()) f.registry.keys["SOFTWARE\\Microsoft\\Shared Tools Location"]["MSINFO"] = String(second);
    f.programs.programs = {kTool, kInFolder, QString()};  // so a wrongly started empty path shows
    if (fileExists) f.programs.files = {kInFolder};
    about::frmAbout d(kTracer, f.messageBox, f.registry, f.programs);
    d.cmdSysInfo->click();

    QCOMPARE(f.registry.opened.size(), std::size_t{first.isEmpty() ? 2u : 1u});  // second only without first
    QCOMPARE(f.registry.openKeys, 0);
    QCOMPARE(f.programs.started, started.isEmpty() ? std::vector<QString>{} : std::vector<QString>{started});
    QCOMPARE(f.messageBox.shown.size(), std::size_t{started.isEmpty() ? 1u : 0u});
    for (const fakes::MessageBox::Shown& shown : f.messageBox.shown) {
      QCOMPARE(shown.text, QStringLiteral("System Information Is Unavailable At This Time"));
      QCOMPARE(shown.buttons, platform::MessageButtons::kOk);
      QCOMPARE(shown.title, kTracer.title);
    }
  }

  void getKeyValue_data() {
    QTest::addColumn<QByteArray>("stored");  // a string value; null: the key is missing
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("text");  // KeyVal after the call
    const QByteArray full(1024, 'a');
    QTest::newRow("without NUL") << QByteArray("C:\\x.exe") << true << "C:\\x.exe";
    QTest::newRow("with NUL") << QByteArray("C:\\x.exe", 9) << true << "C:\\x.exe";
    QTest::newRow("empty") << QByteArray("") << true << "";
    QTest::newRow("fills the buffer") << full << true << QString::fromLatin1(full);
    QTest::newRow("longer than the buffer") << full + 'a' << false << "";
    QTest::newRow("missing key") << QByteArray() << false << "";
  }
  void getKeyValue() {
    QFETCH(QByteArray, stored);
    QFETCH(bool, read);
    QFETCH(QString, text);
    fakes::Registry registry;
    if (!stored.isNull()) registry.keys["K"]["V"] = String(stored);
    QString value = QStringLiteral("before");
    QCOMPARE(about::GetKeyValue(registry, IRegistry::kLocalMachine, "K", "V", value), read);
    QCOMPARE(value, text);
    QCOMPARE(registry.openKeys, 0);
  }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
