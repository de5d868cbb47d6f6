#include "dlgValue.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "Services.h"
#include "Twips.h"
#include "Widgets.h"
#include "numbers.h"

namespace tracer {

using platform::Named;

namespace {

// clang-format off
const QString kExplanation = QStringLiteral("After a value is entered, click 'OK' and position the registration line at the corresponding location on the graph.");
// clang-format on

}  // namespace

std::optional<double> ReadTypedNumber(const QString& text, QChar decimalPoint) {
  QString number = text.trimmed();
  if (decimalPoint != QLatin1Char('.')) {
    number.replace(decimalPoint, QLatin1Char('.'));
  }
  const std::optional<double> value = platform::ParseDecimal(number.toStdString());
  if (!value || !std::isfinite(*value)) {
    return std::nullopt;
  }
  return value;
}

dlgValue::dlgValue(platform::IMessageBox& messageBox, QWidget* parent)
    : QDialog(parent),
      lblInstructions(Named(new QLabel(this), "lblInstructions")),
      Label1(Named(new QLabel(QStringLiteral("The value can be any number clearly shown on the graph. "), this),
                   "Label1")),
      Label2(Named(new QLabel(kExplanation, this), "Label2")),
      lblValue(Named(new QLabel(this), "lblValue")),
      edtValue(Named(new QLineEdit(this), "edtValue")),
      lblUnits(Named(new QLabel(this), "lblUnits")),
      OKButton(Named(new QPushButton(QStringLiteral("OK"), this), "OKButton")),
      CancelButton(Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelButton")),
      messageBox_(messageBox) {
  setObjectName(QStringLiteral("dlgValue"));
  setModal(true);
  for (QLabel* label : {lblInstructions, Label1, Label2}) {
    label->setWordWrap(true);
  }
  lblValue->setBuddy(edtValue);
  edtValue->setFixedWidth(platform::TwipsToPixels(975) + fontMetrics().horizontalAdvance(QStringLiteral("00")));
  OKButton->setDefault(true);

  auto* valueRow = new QHBoxLayout;
  valueRow->addWidget(lblValue);
  valueRow->addWidget(edtValue);
  valueRow->addWidget(lblUnits);
  valueRow->addStretch();
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch();
  buttonRow->addWidget(OKButton);
  buttonRow->addWidget(CancelButton);
  buttonRow->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblInstructions);
  layout->addWidget(Label1);
  layout->addWidget(Label2);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(valueRow);
  layout->addLayout(buttonRow);
  setMinimumWidth(platform::TwipsToPixels(3945));

  setTabOrder(OKButton, CancelButton);
  setTabOrder(CancelButton, edtValue);

  connect(OKButton, &QPushButton::clicked, this, &dlgValue::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &dlgValue::CancelButton_Click);
}

std::optional<double> dlgValue::EnteredValue() const {
  return ReadTypedNumber(edtValue->text(), QLocale().decimalPoint().front());
}

void dlgValue::OKButton_Click() {
  if (!EnteredValue()) {
    messageBox_.Show(QStringLiteral("Enter a valid number, then click 'OK'"), platform::MessageButtons::kOk,
                     QStringLiteral("Review Data"));
    return;
  }
  Tag = QStringLiteral("1");
  hide();
}

void dlgValue::CancelButton_Click() {
  Tag = QStringLiteral("0");
  hide();
}

void dlgValue::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The preset stands selected, so typing replaces it.
  edtValue->selectAll();
  edtValue->setFocus();
}

void dlgValue::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  platform::KeepHeightForWidth(*this);
}

}  // namespace tracer
