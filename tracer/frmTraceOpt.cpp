#include "frmTraceOpt.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <optional>

#include "Services.h"
#include "Widgets.h"
#include "numbers.h"

namespace tracer {

namespace {

using platform::Named;

// The whole number in a box: its leading number ("." as the decimal point, 0 for none), rounded
// halves to even; none when that lies beyond 32 bits.
std::optional<std::int32_t> WholeNumber(const QLineEdit& box) {
  try {
    return platform::RoundToInt32(platform::LeadingNumber(box.text().toStdString()));
  } catch (const platform::OverflowError&) {
    return std::nullopt;
  }
}

}  // namespace

frmTraceOpt::frmTraceOpt(GlobalVariables& globals, platform::IMessageBox& messageBox, QWidget* parent)
    : QDialog(parent),
      Frame1(Named(new QGroupBox(QStringLiteral("Trace Limits"), this), "Frame1")),
      lblFrequencyStart(Named(new QLabel(QStringLiteral("Trace Start Frequency"), Frame1), "lblFrequencyStart")),
      edtFrequencyStart(Named(new QLineEdit(Frame1), "edtFrequencyStart")),
      lblFrequencyStop(Named(new QLabel(QStringLiteral("Trace Stop Frequency"), Frame1), "lblFrequencyStop")),
      edtFrequencyStop(Named(new QLineEdit(Frame1), "edtFrequencyStop")),
      lblTraceCount(Named(new QLabel(QStringLiteral("Number of Trace Points"), Frame1), "lblTraceCount")),
      edtTraceCount(Named(new QLineEdit(Frame1), "edtTraceCount")),
      cmdOK(Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK")),
      cmdCancel(Named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel")),
      g_(globals),
      messageBox_(messageBox) {
  setObjectName(QStringLiteral("frmTraceOpt"));
  setWindowTitle(QStringLiteral("Trace Options"));
  chkTraceMethod[0] = Named(new QRadioButton(QStringLiteral("Trace Free-form"), Frame1), "chkTraceMethod0");
  chkTraceMethod[1] = Named(new QRadioButton(QStringLiteral("Use Trace Limits:"), Frame1), "chkTraceMethod1");
  auto* group = new QButtonGroup(this);
  group->addButton(chkTraceMethod[0], 0);
  group->addButton(chkTraceMethod[1], 1);
  lblFrequencyStart->setBuddy(edtFrequencyStart);
  lblFrequencyStop->setBuddy(edtFrequencyStop);
  lblTraceCount->setBuddy(edtTraceCount);
  const int editWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000000000"));
  for (QLineEdit* box : {edtFrequencyStart, edtFrequencyStop, edtTraceCount}) {
    box->setFixedWidth(editWidth);
  }
  cmdOK->setDefault(true);

  auto* frame = new QGridLayout(Frame1);
  frame->addWidget(chkTraceMethod[0], 0, 0, 1, 2);
  frame->addWidget(chkTraceMethod[1], 1, 0, 1, 2);
  frame->addWidget(lblFrequencyStart, 2, 0);
  frame->addWidget(edtFrequencyStart, 2, 1);
  frame->addWidget(lblFrequencyStop, 3, 0);
  frame->addWidget(edtFrequencyStop, 3, 1);
  frame->addWidget(lblTraceCount, 4, 0);
  frame->addWidget(edtTraceCount, 4, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Frame1);
  layout->addLayout(buttons);

  setTabOrder(edtFrequencyStart, edtFrequencyStop);
  setTabOrder(edtFrequencyStop, edtTraceCount);
  setTabOrder(edtTraceCount, chkTraceMethod[0]);
  setTabOrder(chkTraceMethod[0], chkTraceMethod[1]);
  setTabOrder(chkTraceMethod[1], cmdOK);
  setTabOrder(cmdOK, cmdCancel);

  connect(chkTraceMethod[0], &QRadioButton::clicked, this, [this] { chkTraceMethod_Click(0); });
  connect(chkTraceMethod[1], &QRadioButton::clicked, this, [this] { chkTraceMethod_Click(1); });
  connect(cmdOK, &QPushButton::clicked, this, &frmTraceOpt::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmTraceOpt::cmdCancel_Click);
  Form_Load();
}

void frmTraceOpt::Form_Load() {
  chkTraceMethod[g_.useTraceLimits ? 1 : 0]->setChecked(true);
  edtFrequencyStart->setText(QString::number(g_.traceStartFreq));
  edtFrequencyStop->setText(QString::number(g_.traceStopFreq));
  edtTraceCount->setText(QString::number(g_.tracePointLimit));
  UpdateLimitFields();
}

void frmTraceOpt::chkTraceMethod_Click(int /*Index*/) { UpdateLimitFields(); }

void frmTraceOpt::UpdateLimitFields() {
  const bool limited = !chkTraceMethod[0]->isChecked();
  for (QWidget* field : std::initializer_list<QWidget*>{lblFrequencyStart, edtFrequencyStart, lblFrequencyStop,
                                                        edtFrequencyStop, lblTraceCount, edtTraceCount}) {
    field->setEnabled(limited);
  }
}

void frmTraceOpt::cmdOK_Click() {
  if (chkTraceMethod[0]->isChecked()) {
    g_.useTraceLimits = false;
    hide();
    return;
  }
  const std::optional<std::int32_t> start = WholeNumber(*edtFrequencyStart);
  const std::optional<std::int32_t> stop = WholeNumber(*edtFrequencyStop);
  const std::optional<std::int32_t> count = WholeNumber(*edtTraceCount);
  // Each point is a step of the trace; beyond 100000 they lie closer than any picture resolves.
  if (!start || !stop || !count || *count < 1 || *count > kMostTracePoints) {
    messageBox_.Show(
        QStringLiteral("Enter whole numbers within range; the number of trace points must be from 1 to 100000."),
        platform::MessageButtons::kOk, QStringLiteral("Quelbrin - Trace Options"));
    return;
  }
  g_.useTraceLimits = true;
  g_.traceStartFreq = std::min(*start, *stop);
  g_.traceStopFreq = std::max(*start, *stop);
  g_.tracePointLimit = *count;
  hide();
}

void frmTraceOpt::cmdCancel_Click() { hide(); }

}  // namespace tracer
