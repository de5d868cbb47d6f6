#include "frmMagnitude.h"
#include "Widgets.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "DataTools.h"
#include "TypedNumbers.h"
#include "numbers.h"

namespace viewer {

namespace {

using platform::Named;

// clang-format off
const QString kExplanation = QStringLiteral("The \"Adjust Magnitude\" tool will shift the magnitude of the frequency response data up or down by the number of decibels specified in this dialog box. ");
// clang-format on

const QString kTitle = QStringLiteral("Vostrel - Adjust Magnitude");
const QString kOutOfRange = QStringLiteral("The number of decibels is too large.");

}  // namespace

frmMagnitude::frmMagnitude(GlobalVariables& globals, platform::IMessageBox& messageBox, QWidget* parent)
    : QDialog(parent),
      Frame1(Named(new QGroupBox(this), "Frame1")),
      Label1(Named(new QLabel(kExplanation, Frame1), "Label1")),
      Label5(Named(new QLabel(QStringLiteral("Decibels"), this), "Label5")),
      edtDecibels(Named(new QLineEdit(this), "edtDecibels")),
      cmdOK(Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK")),
      cmdCancel(Named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel")),
      g_(globals),
      messageBox_(messageBox) {
  setObjectName(QStringLiteral("frmMagnitude"));
  setWindowTitle(kTitle);

  Label1->setWordWrap(true);
  auto* frameLayout = new QVBoxLayout(Frame1);
  frameLayout->addWidget(Label1);

  // The offset, followed by its unit.
  Label5->setBuddy(edtDecibels);
  edtDecibels->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
  auto* offsetLayout = new QHBoxLayout;
  offsetLayout->addWidget(edtDecibels);
  offsetLayout->addWidget(Label5);
  offsetLayout->addStretch(1);

  auto* buttonLayout = new QHBoxLayout;
  buttonLayout->addStretch(1);
  buttonLayout->addWidget(cmdOK);
  buttonLayout->addWidget(cmdCancel);
  cmdOK->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Frame1);
  layout->addLayout(offsetLayout);
  layout->addStretch(1);
  layout->addLayout(buttonLayout);
  // Wide enough for the explanation to wrap into a few lines rather than a narrow column.
  setMinimumWidth(fontMetrics().averageCharWidth() * 50);

  connect(cmdOK, &QPushButton::clicked, this, &frmMagnitude::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmMagnitude::cmdCancel_Click);
  edtDecibels->setFocus();
}

void frmMagnitude::cmdOK_Click() {
  try {
    // No number reads as 0: an empty field still produces an (unshifted) adjusted set.
    const double offset = TypedLeadingNumber(edtDecibels->text());
    const data::ResponseSet& source = g_.dataNormalized ? g_.normalizedData : g_.loadedData;
    g_.adjustedData = AdjustMagnitude(offset, source);
    g_.dataAdjusted = true;
    accept();
  } catch (const platform::OverflowError&) {
    // A number beyond the range of a double would make every magnitude infinite.
    messageBox_.Show(kOutOfRange, platform::MessageButtons::kOk, kTitle);
  } catch (const std::exception&) {
    // The command ends; the dialog stays open and the data are unchanged.
  }
}

void frmMagnitude::cmdCancel_Click() { reject(); }

void frmMagnitude::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  platform::KeepHeightForWidth(*this);
}

}  // namespace viewer
