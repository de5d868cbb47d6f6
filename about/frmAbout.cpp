#include "frmAbout.h"
#include "Widgets.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "numbers.h"

namespace about {

namespace {

using platform::Named;

using platform::IRegistry;

// Where the system information tool is registered: the first key holds the program's full path,
// the second the folder that holds MSINFO32.EXE.
const std::string kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kSysInfoValue = "PATH";
const std::string kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const std::string kSysInfoLocationValue = "MSINFO";
const QString kSysInfoProgram = QStringLiteral("\\MSINFO32.EXE");

constexpr std::uint32_t kBufferSize = 1024;

// Closes an opened key however the reading ends.
class KeyCloser {
 public:
  KeyCloser(IRegistry& registry, IRegistry::Key key) : registry_(registry), key_(key) {}
  ~KeyCloser() { registry_.CloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  IRegistry& registry_;
  IRegistry::Key key_;
};

// One line of an etched separator, drawn in the palette's colour `role`.
QFrame* NewLine(QWidget* parent, QPalette::ColorRole role) {
  auto* line = Named(new QFrame(parent), "Line1");
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Plain);
  line->setLineWidth(1);
  line->setFixedHeight(1);
  line->setForegroundRole(role);
  return line;
}

}  // namespace

bool GetKeyValue(IRegistry& registry, std::uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 QString& KeyVal) {
  IRegistry::Key key = 0;
  if (!registry.OpenKey(KeyRoot, KeyName, kKeyReadAccess, key)) {
    KeyVal.clear();
    return false;
  }
  const KeyCloser closer(registry, key);

  std::array<char, kBufferSize> buffer{};
  std::uint32_t type = 0;
  std::uint32_t size = kBufferSize;
  if (!registry.QueryValue(key, SubKeyRef, type, buffer.data(), size)) {
    KeyVal.clear();
    return false;
  }

  // The returned size n counts the bytes copied, a string's terminating NUL included when it is
  // stored: the text is the first n - 1 bytes when byte n is NUL, else the first n. An empty
  // value (n = 0) has no text; a size beyond the buffer is not trusted past its end.
  std::size_t n = std::min(size, kBufferSize);
  if (n > 0 && buffer[n - 1] == '\0') {
    --n;
  }

  if (type == IRegistry::kTypeString) {
    KeyVal = QString::fromLocal8Bit(QByteArrayView(buffer.data(), static_cast<qsizetype>(n)));
  } else if (type == IRegistry::kTypeNumber) {
    // A 32-bit number stored least significant byte first: value = sum of byte[i] * 256^i.
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(n, 4); ++i) {
      value |= static_cast<std::uint32_t>(static_cast<unsigned char>(buffer[i])) << (8 * i);
    }
    KeyVal = QString::number(value);
  }
  return true;
}

frmAbout::frmAbout(const AppInfo& info, platform::IMessageBox& messageBox, platform::IRegistry& registry,
                   platform::IProgramStarter& programs, QWidget* parent)
    : QDialog(parent),
      picIcon(Named(new QLabel(this), "picIcon")),
      lblTitle(Named(new QLabel(this), "lblTitle")),
      lblVersion(Named(new QLabel(this), "lblVersion")),
      lblDescription(Named(new QLabel(info.description, this), "lblDescription")),
      cmdOK(Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK")),
      cmdSysInfo(Named(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo")),
      info_(info),
      messageBox_(messageBox),
      registry_(registry),
      programs_(programs) {
  setObjectName(QStringLiteral("frmAbout"));
  Line1 = {NewLine(this, QPalette::Dark), NewLine(this, QPalette::Light)};

  QFont titleFont = lblTitle->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
  lblTitle->setFont(titleFont);
  for (QLabel* label : {lblTitle, lblVersion, lblDescription}) {
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  picIcon->setAlignment(Qt::AlignCenter);
  cmdOK->setDefault(true);

  // Icon on the left, the texts beside it; under them the etched line, then the buttons at the
  // right. The box takes the size its contents ask for, so it fits any font and screen scale.
  auto* texts = new QVBoxLayout;
  texts->addWidget(lblTitle);
  texts->addWidget(lblVersion);
  texts->addSpacing(fontMetrics().height());
  texts->addWidget(lblDescription);
  texts->addStretch();

  auto* top = new QHBoxLayout;
  top->setSpacing(2 * fontMetrics().averageCharWidth());
  top->addWidget(picIcon, 0, Qt::AlignTop);
  top->addLayout(texts, 1);

  auto* line = new QVBoxLayout;
  line->setSpacing(0);
  line->addWidget(Line1[0]);
  line->addWidget(Line1[1]);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdSysInfo);
  buttons->addWidget(cmdOK);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(line);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
  connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

  ShowIcon();
  Form_Load();
}

void frmAbout::showEvent(QShowEvent* event) {
  // The screen, and so its pixel ratio, is known for certain once the box is shown.
  ShowIcon();
  QDialog::showEvent(event);
}

void frmAbout::ShowIcon() {
  // The program's own icon (from its AppInfo, else the application's), else the style's
  // information sign. It is made about as tall as the title and version lines, so it keeps its
  // proportion to the text at every font size, and drawn at the screen's pixel ratio, enlarged
  // smoothly where the icon has no picture that large.
  QIcon icon = info_.icon.isNull() ? windowIcon() : info_.icon;
  if (icon.isNull()) {
    icon = style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this);
  }
  const int extent =
      std::max(style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this), 2 * fontMetrics().height());
  const qreal ratio = devicePixelRatioF();
  QPixmap pixmap = icon.pixmap(QSize(extent, extent), ratio);
  if (pixmap.deviceIndependentSize().width() < extent) {
    const int device = platform::RoundToInt32(extent * ratio);
    pixmap = pixmap.scaled(device, device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(ratio);
  }
  picIcon->setFixedSize(extent, extent);
  picIcon->setPixmap(pixmap);
}

void frmAbout::Form_Load() {
  try {
    setWindowTitle(QStringLiteral("About ") + info_.title);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(info_.major).arg(info_.minor).arg(info_.revision));
    lblTitle->setText(info_.title);
  } catch (const std::exception&) {
    // The box shows what was set.
  }
}

void frmAbout::cmdOK_Click() {
  try {
    accept();
  } catch (const std::exception&) {
    // The box stays open.
  }
}

void frmAbout::cmdSysInfo_Click() {
  try {
    StartSysInfo();
  } catch (const std::exception&) {
    // Nothing more to tell than StartSysInfo has.
  }
}

void frmAbout::StartSysInfo() {
  const auto unavailable = [this] {
    messageBox_.Show(kSysInfoUnavailable, platform::MessageButtons::kOk, info_.title);
  };
  try {
    QString path;
    if (GetKeyValue(registry_, IRegistry::kLocalMachine, kSysInfoKey, kSysInfoValue, path)) {
      // The full path of the program, taken as it is.
    } else if (GetKeyValue(registry_, IRegistry::kLocalMachine, kSysInfoLocationKey, kSysInfoLocationValue, path)) {
      path += kSysInfoProgram;
      if (!programs_.FileExists(path)) {
        unavailable();
        return;
      }
    } else {
      unavailable();
      return;
    }
    // An empty value names no program at all.
    if (path.isEmpty() || !programs_.Start(path)) {
      unavailable();
    }
  } catch (const std::exception&) {
    unavailable();
  }
}

}  // namespace about
