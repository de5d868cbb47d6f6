// The About box through its handlers and the scripted platform fakes: what it shows for each
// program, and how the system information tool is found in the registry, started, or reported
// unavailable.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "Fakes.h"
#include "frmAbout.h"

using platform::IRegistry;
using platform::MessageButtons;

namespace {

const std::string kFirstKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kSecondKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

const about::AppInfo kViewer{QStringLiteral("Vostrel"), 1, 0, 1,
                             QStringLiteral("Sound Pressure Level and Impedance graph view utility.")};
const about::AppInfo kTracer{QStringLiteral("Quelbrin"), 1, 0, 2,
                             QStringLiteral("Sound Pressure Level and Impedance graph trace utility.")};

std::string Bytes(const char* text, std::size_t size) { return std::string(text, size); }

// A registry of a user without administrator rights: keys of the local machine open for reading
// only, as Windows grants them to such a user.
class UserRegistry final : public IRegistry {
 public:
  fakes::Registry values;

  bool OpenKey(std::uint32_t root, const std::string& keyName, std::uint32_t access, Key& key) override {
    constexpr std::uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x00010000 | 0x00040000 | 0x00080000;
    return (access & kWriteRights) == 0 && values.OpenKey(root, keyName, access, key);
  }
  bool QueryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                  std::uint32_t& size) override {
    return values.QueryValue(key, valueName, type, buffer, size);
  }
  void CloseKey(Key key) override { values.CloseKey(key); }
};

struct About {
  fakes::MessageBox messageBox;
  UserRegistry registry;
  fakes::ProgramStarter programs;
  std::unique_ptr<about::frmAbout> dialog;

  explicit About(const about::AppInfo& info = kViewer) {
    dialog = std::make_unique<about::frmAbout>(info, messageBox, registry, programs);
  }
  fakes::Registry& Values() { return registry.values; }
};

// A registry location in a table row: no key, the key without the value, or the value's bytes.
struct Location {
  enum class State { kNoKey, kNoValue, kValue };
  State state = State::kNoKey;
  std::string bytes;

  static Location None() { return {}; }
  static Location KeyOnly() { return {State::kNoValue, {}}; }
  static Location Value(const std::string& bytes) { return {State::kValue, bytes}; }

  void PutInto(fakes::Registry& registry, const std::string& key, const std::string& value) const {
    if (state == State::kNoKey) {
      return;
    }
    registry.keys[key];
    if (state == State::kValue) {
      registry.keys[key][value] = {IRegistry::kTypeString, bytes};
    }
  }
};

}  // namespace

Q_DECLARE_METATYPE(about::AppInfo)
Q_DECLARE_METATYPE(Location)

class tst_about : public QObject {
  Q_OBJECT

 private slots:
  void shownTexts_data() {
    QTest::addColumn<about::AppInfo>("info");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("version");

    QTest::newRow("viewer") << kViewer << "About Vostrel"
                            << "Version 1.0.1";
    QTest::newRow("tracer") << kTracer << "About Quelbrin"
                            << "Version 1.0.2";
    QTest::newRow("several digits, zeros inside") << about::AppInfo{QStringLiteral("X"), 10, 0, 2030, {}} << "About X"
                                                  << "Version 10.0.2030";
  }
  void shownTexts() {
    QFETCH(about::AppInfo, info);
    QFETCH(QString, caption);
    QFETCH(QString, version);
    About a(info);
    about::frmAbout& d = *a.dialog;

    QCOMPARE(d.objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(d.windowTitle(), caption);
    QCOMPARE(d.lblTitle->text(), info.title);
    QCOMPARE(d.lblVersion->text(), version);
    QCOMPARE(d.lblDescription->text(), info.description);
    QCOMPARE(d.cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(d.cmdSysInfo->text(), QStringLiteral("&System Info..."));
    QVERIFY(!d.picIcon->pixmap().isNull());

    // Loading again changes nothing.
    d.Form_Load();
    QCOMPARE(d.windowTitle(), caption);
    QCOMPARE(d.lblVersion->text(), version);

    for (const char* name : {"picIcon", "lblTitle", "lblVersion", "lblDescription", "cmdOK", "cmdSysInfo"}) {
      QVERIFY2(d.findChild<QWidget*>(QLatin1String(name)) != nullptr, name);
    }
    QCOMPARE(d.findChildren<QFrame*>(QStringLiteral("Line1")).size(), 2);
  }

  // The box sizes itself to its texts: with small and large fonts, every label gets the room its
  // text needs and the parts do not overlap.
  void layoutFitsText_data() {
    QTest::addColumn<int>("pointSize");
    QTest::newRow("small font") << 7;
    QTest::newRow("large font") << 20;
  }
  void layoutFitsText() {
    QFETCH(int, pointSize);
    const QFont saved = QApplication::font();
    QFont font = saved;
    font.setPointSize(pointSize);
    QApplication::setFont(font);
    About a(kTracer);
    about::frmAbout& d = *a.dialog;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QApplication::setFont(saved);

    for (const QWidget* w :
         std::initializer_list<const QWidget*>{d.lblTitle, d.lblVersion, d.lblDescription, d.cmdOK, d.cmdSysInfo}) {
      QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->sizeHint().height(),
               qPrintable(w->objectName()));
      QVERIFY2(d.rect().contains(w->geometry()), qPrintable(w->objectName()));
    }
    QVERIFY(d.picIcon->geometry().right() < d.lblDescription->geometry().left());
    QVERIFY(d.lblDescription->geometry().bottom() < d.Line1[0]->geometry().top());
    QVERIFY(d.Line1[0]->geometry().bottom() < d.Line1[1]->geometry().top());
    QVERIFY(d.Line1[1]->geometry().bottom() < d.cmdOK->geometry().top());
    QVERIFY(d.cmdSysInfo->geometry().right() < d.cmdOK->geometry().left());
  }

  void buttons() {
    About a;
    about::frmAbout& d = *a.dialog;
    a.Values().keys[kFirstKey]["PATH"] = {IRegistry::kTypeString, "/usr/bin/sysinfo"};
    a.programs.programs = {QStringLiteral("/usr/bin/sysinfo")};
    d.show();
    d.cmdSysInfo->click();
    QCOMPARE(a.programs.started, std::vector<QString>{QStringLiteral("/usr/bin/sysinfo")});
    QVERIFY(d.isVisible());
    d.cmdOK->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
  }

  void startSysInfo_data() {
    QTest::addColumn<Location>("first");
    QTest::addColumn<Location>("second");
    QTest::addColumn<QStringList>("files");     // files that exist
    QTest::addColumn<QStringList>("programs");  // paths that start
    QTest::addColumn<QString>("started");       // empty: nothing started, the message is shown
    QTest::addColumn<int>("keysTried");

    const QString tool = QStringLiteral("C:\\Windows\\msinfo32.exe");
    const QString inFolder = QStringLiteral("C:\\Tools\\MSINFO32.EXE");
    const Location first = Location::Value("C:\\Windows\\msinfo32.exe");
    const Location second = Location::Value(Bytes("C:\\Tools\0", 9));

    QTest::newRow("first location starts") << first << second << QStringList{} << QStringList{tool} << tool << 1;
    QTest::newRow("first stored with its NUL") << Location::Value(Bytes("C:\\Windows\\msinfo32.exe\0", 24))
                                               << Location::None() << QStringList{} << QStringList{tool} << tool << 1;
    QTest::newRow("first names a missing program: second not tried")
        << first << second << QStringList{inFolder} << QStringList{inFolder} << QString() << 1;
    QTest::newRow("first value empty") << Location::Value("") << second << QStringList{inFolder}
                                       << QStringList{QString(), inFolder} << QString() << 1;
    QTest::newRow("first value only a NUL") << Location::Value(Bytes("\0", 1)) << second << QStringList{inFolder}
                                            << QStringList{QString(), inFolder} << QString() << 1;
    QTest::newRow("first key without the value")
        << Location::KeyOnly() << second << QStringList{inFolder} << QStringList{inFolder} << inFolder << 2;
    QTest::newRow("second only, program in folder")
        << Location::None() << second << QStringList{inFolder} << QStringList{inFolder} << inFolder << 2;
    QTest::newRow("second only, stored without NUL") << Location::None() << Location::Value("C:\\Tools")
                                                     << QStringList{inFolder} << QStringList{inFolder} << inFolder << 2;
    QTest::newRow("second only, no program file")
        << Location::None() << second << QStringList{} << QStringList{inFolder} << QString() << 2;
    QTest::newRow("second only, program does not start")
        << Location::None() << second << QStringList{inFolder} << QStringList{} << QString() << 2;
    QTest::newRow("second key without the value")
        << Location::None() << Location::KeyOnly() << QStringList{inFolder} << QStringList{inFolder} << QString() << 2;
    QTest::newRow("neither location") << Location::None() << Location::None() << QStringList{}
                                      << QStringList{tool, inFolder} << QString() << 2;
  }
  void startSysInfo() {
    QFETCH(Location, first);
    QFETCH(Location, second);
    QFETCH(QStringList, files);
    QFETCH(QStringList, programs);
    QFETCH(QString, started);
    QFETCH(int, keysTried);

    for (const about::AppInfo& info : {kViewer, kTracer}) {
      About a(info);
      first.PutInto(a.Values(), kFirstKey, "PATH");
      second.PutInto(a.Values(), kSecondKey, "MSINFO");
      a.programs.files = {files.begin(), files.end()};
      a.programs.programs = {programs.begin(), programs.end()};

      a.dialog->StartSysInfo();

      const std::vector<std::string> tried = {kFirstKey, kSecondKey};
      QCOMPARE(a.Values().opened, std::vector<std::string>(tried.begin(), tried.begin() + keysTried));
      QCOMPARE(a.Values().openKeys, 0);
      if (started.isEmpty()) {
        QVERIFY(a.programs.started.empty());
        QCOMPARE(a.messageBox.shown.size(), std::size_t(1));
        QCOMPARE(a.messageBox.shown[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(a.messageBox.shown[0].buttons, MessageButtons::kOk);
        QCOMPARE(a.messageBox.shown[0].title, info.title);
      } else {
        QCOMPARE(a.programs.started, std::vector<QString>{started});
        QVERIFY(a.messageBox.shown.empty());
      }
    }
  }

  void getKeyValue_data() {
    QTest::addColumn<QString>("storedAt");  // key and value name of the stored value
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("text");  // KeyVal after the call; "before" when left as it was

    const auto row = [](const char* name, uint type, const QByteArray& stored, bool read, const QString& text,
                        const QString& storedAt = QStringLiteral("K\\V")) {
      QTest::newRow(name) << storedAt << type << stored << read << text;
    };
    const QByteArray full(1024, 'a');
    const uint text = IRegistry::kTypeString;
    const uint number = IRegistry::kTypeNumber;
    row("string without NUL", text, QByteArray("C:\\x.exe"), true, "C:\\x.exe");
    row("string with NUL", text, QByteArray("C:\\x.exe", 9), true, "C:\\x.exe");
    row("empty", text, QByteArray(), true, "");
    row("only a NUL", text, QByteArray(1, '\0'), true, "");
    row("fills the buffer", text, full, true, QString(full));
    row("fills the buffer with its NUL", text, full.left(1023) + '\0', true, QString(full.left(1023)));
    row("longer than the buffer", text, full + 'a', false, "");
    row("longer only by its NUL", text, full + '\0', false, "");
    row("number 256", number, QByteArray("\x00\x01\x00\x00", 4), true, "256");
    row("number 0x12345678", number, QByteArray("\x78\x56\x34\x12", 4), true, "305419896");
    row("number all ones", number, QByteArray("\xff\xff\xff\xff", 4), true, "4294967295");
    row("other type keeps the text", 3, QByteArray("\x01\x02", 2), true, "before");
    row("no such key", text, QByteArray("x"), false, "", "Other\\V");
    row("no such value", text, QByteArray("x"), false, "", "K\\W");
  }
  void getKeyValue() {
    QFETCH(QString, storedAt);
    QFETCH(uint, type);
    QFETCH(QByteArray, stored);
    QFETCH(bool, read);
    QFETCH(QString, text);

    UserRegistry registry;
    const QStringList at = storedAt.split(QLatin1Char('\\'));
    registry.values.keys[at[0].toStdString()][at[1].toStdString()] = {type, stored.toStdString()};
    QString value = QStringLiteral("before");
    QCOMPARE(about::GetKeyValue(registry, IRegistry::kLocalMachine, "K", "V", value), read);
    QCOMPARE(value, text);
    QCOMPARE(registry.values.openKeys, 0);
  }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
