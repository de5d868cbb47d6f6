#include "frmNormalize.h"
#include "Widgets.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "DataTools.h"
#include "TypedNumbers.h"
#include "numbers.h"

namespace viewer {

namespace {

using platform::Named;

// clang-format off
const QString kExplanation1 = QStringLiteral("The Normalize Data tool will redistribute the data points from the source file to the frequency range and intervals that are specified in this dialog box. ");
const QString kExplanation3 = QStringLiteral("The normalization process is accomplished using linear interpolation of the original data points.");
// clang-format on

const QString kTitle = QStringLiteral("Vostrel - Normalize Data");
const QString kPointsEntireRange =
    QStringLiteral("The number of interval points must be an even multiple of 2, in the range of 10 - 10000");
const QString kPointsPerDecade =
    QStringLiteral("The number of interval points must be an even multiple of 2, in the range of 10 - 2000");

QLabel* NewLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = Named(new QLabel(text, parent), name);
  label->setWordWrap(true);
  return label;
}

// The leading number of the text, rounded to a whole number (halves to even). A number beyond
// the range of a double reads as infinitely large, so that every range check refuses it.
double ReadWholeNumber(const QLineEdit& edit) {
  try {
    return platform::RoundHalfEven(TypedLeadingNumber(edit.text()));
  } catch (const platform::OverflowError&) {
    return std::numeric_limits<double>::infinity();
  }
}

}  // namespace

frmNormalize::frmNormalize(GlobalVariables& globals, platform::IMessageBox& messageBox, QWidget* parent)
    : QDialog(parent),
      Frame1(Named(new QGroupBox(this), "Frame1")),
      Label1(NewLabel("Label1", kExplanation1, Frame1)),
      Label2(NewLabel("Label2",
                      QStringLiteral("Normalized data is useful for comparing and analyzing two or more data sets "),
                      Frame1)),
      Label3(NewLabel("Label3", kExplanation3, Frame1)),
      Frame2(Named(new QGroupBox(QStringLiteral("Frequency Range"), this), "Frame2")),
      Label4(NewLabel("Label4", QStringLiteral("Frequency Start:"), Frame2)),
      edtFreqStart(Named(new QLineEdit(Frame2), "edtFreqStart")),
      Label5(NewLabel("Label5", QStringLiteral("Frequency Stop:"), Frame2)),
      edtFreqStop(Named(new QLineEdit(Frame2), "edtFreqStop")),
      lblFrequency(NewLabel(
          "lblFrequency",
          QStringLiteral("Frequency Start and Stop values must be an integer in the range of 1 Hz to 100,000  Hz."),
          Frame2)),
      Frame3(Named(new QGroupBox(QStringLiteral("Data Distribution"), this), "Frame3")),
      Label10(
          NewLabel("Label10", QStringLiteral("Distribute data points evenly accross the frequency values."), Frame3)),
      Label8(NewLabel("Label8", QStringLiteral("Distribute data points evenly accross the log of frequency values."),
                      Frame3)),
      Label7(NewLabel("Label7", QStringLiteral("Number of Points:"), this)),
      edtNumberOfPoints(Named(new QLineEdit(this), "edtNumberOfPoints")),
      cmdOK(Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK")),
      cmdCancel(Named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel")),
      g_(globals),
      messageBox_(messageBox) {
  setObjectName(QStringLiteral("frmNormalize"));
  setWindowTitle(kTitle);

  optDistribution[0] = Named(new QRadioButton(QStringLiteral("Linear Distribution"), Frame3), "optDistribution0");
  optDistribution[1] = Named(new QRadioButton(QStringLiteral("Logrithmic Distribution"), Frame3), "optDistribution1");
  optPointRange[1] = Named(new QRadioButton(QStringLiteral("Per Decade"), this), "optPointRange1");
  optPointRange[0] = Named(new QRadioButton(QStringLiteral("Per Entire Frequency Range"), this), "optPointRange0");
  // Each array is one set of choices, whatever container its buttons end up in.
  for (const auto* buttons : {&optDistribution, &optPointRange}) {
    auto* group = new QButtonGroup(this);
    group->addButton((*buttons)[0], 0);
    group->addButton((*buttons)[1], 1);
  }

  Label4->setWordWrap(false);
  Label5->setWordWrap(false);
  Label7->setWordWrap(false);
  Label4->setBuddy(edtFreqStart);
  Label5->setBuddy(edtFreqStop);
  Label7->setBuddy(edtNumberOfPoints);
  // Room for six digits and a little more; the text boxes do not stretch with the dialog.
  const int editWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000000000"));
  for (QLineEdit* edit : {edtFreqStart, edtFreqStop, edtNumberOfPoints}) {
    edit->setFixedWidth(editWidth);
  }

  auto* frame1Layout = new QVBoxLayout(Frame1);
  frame1Layout->addWidget(Label1);
  frame1Layout->addWidget(Label2);
  frame1Layout->addWidget(Label3);

  auto* frame2Layout = new QGridLayout(Frame2);
  frame2Layout->addWidget(Label4, 0, 0);
  frame2Layout->addWidget(edtFreqStart, 0, 1);
  frame2Layout->addWidget(Label5, 1, 0);
  frame2Layout->addWidget(edtFreqStop, 1, 1);
  frame2Layout->addWidget(lblFrequency, 2, 0, 1, 3);
  frame2Layout->setColumnStretch(2, 1);

  // The explanation under each distribution lines up with its button's text.
  const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                     style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
  auto* frame3Layout = new QGridLayout(Frame3);
  frame3Layout->addWidget(optDistribution[0], 0, 0, 1, 2);
  frame3Layout->addWidget(Label10, 1, 1);
  frame3Layout->addWidget(optDistribution[1], 2, 0, 1, 2);
  frame3Layout->addWidget(Label8, 3, 1);
  frame3Layout->setHorizontalSpacing(0);
  frame3Layout->setColumnMinimumWidth(0, indent);
  frame3Layout->setColumnStretch(1, 1);

  auto* pointsLayout = new QGridLayout;
  pointsLayout->addWidget(Label7, 0, 0);
  pointsLayout->addWidget(edtNumberOfPoints, 0, 1);
  pointsLayout->addWidget(optPointRange[1], 0, 2);
  pointsLayout->addWidget(optPointRange[0], 1, 2);
  pointsLayout->setColumnStretch(3, 1);
  pointsLayout->setHorizontalSpacing(fontMetrics().averageCharWidth() * 2);

  auto* buttonLayout = new QHBoxLayout;
  buttonLayout->addStretch(1);
  buttonLayout->addWidget(cmdOK);
  buttonLayout->addWidget(cmdCancel);
  cmdOK->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Frame1);
  layout->addWidget(Frame2);
  layout->addWidget(Frame3);
  layout->addLayout(pointsLayout);
  layout->addStretch(1);
  layout->addLayout(buttonLayout);
  // Wide enough for the explanations to wrap into a few lines rather than a narrow column.
  setMinimumWidth(fontMetrics().averageCharWidth() * 60);

  connect(cmdOK, &QPushButton::clicked, this, &frmNormalize::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmNormalize::cmdCancel_Click);

  Form_Load();
}

void frmNormalize::Form_Load() {
  try {
    optDistribution[g_.normDistribution == 0 ? 0 : 1]->setChecked(true);
    optPointRange[g_.normPointRange == 0 ? 0 : 1]->setChecked(true);
    edtNumberOfPoints->setText(QString::number(g_.normPoints));
    edtFreqStart->setText(QString::fromStdString(platform::NumberText(g_.normStartFreq)));
    edtFreqStop->setText(QString::fromStdString(platform::NumberText(g_.normStopFreq)));
  } catch (const std::exception&) {
    // The dialog opens with whatever was filled in.
  }
}

void frmNormalize::cmdOK_Click() {
  try {
    // Each step stores what it has checked; a later refusal keeps it.
    g_.normDistribution = optDistribution[0]->isChecked() ? 0 : 1;
    g_.normPointRange = optPointRange[0]->isChecked() ? 0 : 1;

    const double start = ReadWholeNumber(*edtFreqStart);
    if (start < 1 || start > 100000) {
      messageBox_.Show(lblFrequency->text(), platform::MessageButtons::kOk, kTitle);
      return;
    }
    g_.normStartFreq = start;

    const double stop = ReadWholeNumber(*edtFreqStop);
    if (stop < 1 || stop > 100000) {
      messageBox_.Show(lblFrequency->text(), platform::MessageButtons::kOk, kTitle);
      return;
    }
    if (stop <= g_.normStartFreq) {
      g_.normStopFreq = g_.normStartFreq;
      g_.normStartFreq = stop;
    } else {
      g_.normStopFreq = stop;
    }

    perDecade = g_.normPointRange == 1;
    const double points = ReadWholeNumber(*edtNumberOfPoints);
    const double mostPoints = perDecade ? 2000 : 10000;
    if (points < 10 || points > mostPoints || std::fmod(points, 2.0) != 0) {
      messageBox_.Show(perDecade ? kPointsPerDecade : kPointsEntireRange, platform::MessageButtons::kOk, kTitle);
      return;
    }
    g_.normPoints = platform::RoundToInt32(points);

    const NormalizeSettings settings{g_.normStartFreq, g_.normStopFreq, g_.normPoints, perDecade};
    const data::ResponseSet& source = g_.dataAdjusted ? g_.adjustedData : g_.loadedData;
    g_.normalizedData = g_.normDistribution == 0 ? NormalizeLinear(source, settings) : NormalizeLog(source, settings);
    g_.dataNormalized = true;
    accept();
  } catch (const std::exception&) {
    // The command ends; the dialog stays open with what the earlier steps stored.
  }
}

void frmNormalize::cmdCancel_Click() { reject(); }

void frmNormalize::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  platform::KeepHeightForWidth(*this);
}

}  // namespace viewer
