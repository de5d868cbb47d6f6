// The About box that both programs show: the program's icon, title, version and a one-line
// description, an OK button, and a button that starts the platform's system information tool,
// which is found through two registry locations.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "Services.h"

class QFrame;
class QLabel;
class QPushButton;

namespace about {

// What the About box shows of the program that opens it.
struct AppInfo {
  QString title;  // "Vostrel", "Quelbrin"; also the title of the box's message
  int major = 0;
  int minor = 0;
  int revision = 0;
  QString description;  // one line under the version
  QIcon icon{};         // the program's icon; none: the application's window icon
};

// The text of the About box's message when the system information tool cannot be started.
inline const QString kSysInfoUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// The access asked for when opening a key: KEY_READ. Only values are read, and a user without
// administrator rights may not open the local-machine keys with any write right.
inline constexpr std::uint32_t kKeyReadAccess = 0x20019;

// Reads the value `SubKeyRef` of the key `KeyName` under the predefined root `KeyRoot`, through a
// buffer of 1024 NUL characters. A string value (type 1) gives its text, without a terminating
// NUL when one is stored; a 32-bit number (type 4) gives its decimal text; any other type leaves
// `KeyVal` as it was. Returns true when the value was read; otherwise false with `KeyVal` empty.
// A key that was opened is always closed again.
bool GetKeyValue(platform::IRegistry& registry, std::uint32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, QString& KeyVal);

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  // Builds the box and loads it (Form_Load), ready to be shown modally.
  frmAbout(const AppInfo& info, platform::IMessageBox& messageBox, platform::IRegistry& registry,
           platform::IProgramStarter& programs, QWidget* parent = nullptr);

  // Fills the caption ("About " and the title), the title and the version labels.
  void Form_Load();
  // Closes the box.
  void cmdOK_Click();
  void cmdSysInfo_Click();

  // Starts the system information tool whose path the first registry location holds, or else the
  // MSINFO32.EXE in the folder that the second location names, if that file exists. When neither
  // leads to a program that starts, shows the message kSysInfoUnavailable.
  void StartSysInfo();

  // Controls, each with its name as objectName. Line1 is an etched line: a shadow line over a
  // highlight line.
  QLabel* const picIcon;
  QLabel* const lblTitle;
  QLabel* const lblVersion;
  QLabel* const lblDescription;
  std::array<QFrame*, 2> Line1{};
  QPushButton* const cmdOK;
  QPushButton* const cmdSysInfo;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowIcon();

  AppInfo info_;
  platform::IMessageBox& messageBox_;
  platform::IRegistry& registry_;
  platform::IProgramStarter& programs_;
};

}  // namespace about
