// The tracer window's axis registration and its position readout.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include "Form1.h"
#include "dlgValue.h"
#include "numbers.h"

namespace tracer {

QString Form1::ReadoutText(float value) {
  QString text = QString::fromStdString(platform::SingleText(value));
  return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

void Form1::ResetRegistrationValues() {
  lowFreq = 100;
  lowFreqLog = 2;
  highFreq = 10000;
  highFreqLog = 4;
  lowDb = 60;
  highDb = 90;
  lowOhm = 4;
  lowOhmScaled = 2;
  highOhm = 16;
  highOhmScaled = 4;
  traceStep = 30;
}

dlgValue& Form1::ValueDialog() {
  if (!dlgValue_) {
    dlgValue_ = std::make_unique<dlgValue>(services_.messageBox, this);
  }
  return *dlgValue_;
}

void Form1::Unregister(const Reference& reference) {
  SetTag(reference.item, QStringLiteral("0"));
  reference.item->setChecked(false);
  reference.line->SetVisible(false);
}

const Form1::Reference* Form1::PlacingReference() const {
  for (const Reference& reference : references_) {
    if (Tag(reference.item) == QLatin1String("1")) {
      return &reference;
    }
  }
  return nullptr;
}

void Form1::RegisterReference(const Reference& reference) {
  try {
    StopAutoTrace();
    if (Tag(reference.item) != QLatin1String("0")) {
      Unregister(reference);
      return;
    }
    dlgValue& dialog = ValueDialog();
    dialog.setWindowTitle(QString::fromLatin1(reference.caption));
    dialog.lblValue->setText(QString::fromLatin1(reference.valueLabel));
    dialog.lblUnits->setText(QString::fromLatin1(reference.units));
    dialog.edtValue->setText(QString::fromLatin1(reference.preset));
    dialog.lblInstructions->setText(QString::fromLatin1(reference.instructions));
    // Whatever closes the dialog other than OK counts as Cancel.
    dialog.Tag = QStringLiteral("0");
    services_.modal.ShowModal(dialog);
    const std::optional<double> value = dialog.EnteredValue();
    if (dialog.Tag == QLatin1String("0") || !value) {
      Unregister(reference);
      return;
    }
    this->*reference.value = *value;
    if (reference.derived != nullptr) {
      this->*reference.derived = reference.impedance ? ScaleOhmValue(*value, CheckedOhmScale()) : LogBase10(*value);
    }
    StatusBar->SetPanelText(
        4, QStringLiteral("Register ") + dialog.edtValue->text() + QString::fromLatin1(reference.suffix));
    SetTag(reference.item, QStringLiteral("1"));
    reference.item->setChecked(true);
    reference.line->SetVisible(true);
  } catch (const std::exception&) {
  }
}

void Form1::mnuReg100Hz_Click() { RegisterReference(references_[0]); }
void Form1::mnuReg10000Hz_Click() { RegisterReference(references_[1]); }
void Form1::mnuReg60Db_Click() { RegisterReference(references_[2]); }
void Form1::mnuReg90Db_Click() { RegisterReference(references_[3]); }
void Form1::mnuReg4Ohm_Click() { RegisterReference(references_[4]); }
void Form1::mnuReg16Ohm_Click() { RegisterReference(references_[5]); }

OhmScale Form1::CheckedOhmScale() const {
  if (mnuOhmScale10->isChecked()) {
    return OhmScale::kBase10;
  }
  return mnuOhmScale2->isChecked() ? OhmScale::kBase2 : OhmScale::kLinear;
}

void Form1::SetOhmScale(QAction* checked) {
  // The points of a running Auto Trace keep one scale.
  StopAutoTrace();
  for (QAction* item : {mnuOhmScale10, mnuOhmScale2, mnuOhmScale1}) {
    item->setChecked(item == checked);
  }
  highOhmScaled = ScaleOhmValue(highOhm, CheckedOhmScale());
  lowOhmScaled = ScaleOhmValue(lowOhm, CheckedOhmScale());
}

void Form1::mnuOhmScale10_Click() { SetOhmScale(mnuOhmScale10); }
void Form1::mnuOhmScale2_Click() { SetOhmScale(mnuOhmScale2); }
void Form1::mnuOhmScale1_Click() { SetOhmScale(mnuOhmScale1); }

bool Form1::MovePlacingReference(float X, float Y) {
  const Reference* placing = PlacingReference();
  if (placing == nullptr) {
    return false;
  }
  PlaceReference(*placing, SnapToLine(placing->vertical, placing->vertical ? X : Y));
  return true;
}

void Form1::PlaceReference(const Reference& reference, float at) {
  const auto index = static_cast<std::size_t>(&reference - references_.data());
  if (reference.vertical) {
    reference.line->SetX1(at);
    reference.line->SetX2(at);
    places_.references.at(index) = ToPicture({at, 0}).x();
  } else {
    reference.line->SetY1(at);
    reference.line->SetY2(at);
    places_.references.at(index) = ToPicture({0, at}).y();
  }
}

void Form1::FixPlacingReference() {
  if (const Reference* placing = PlacingReference()) {
    SetTag(placing->item, QStringLiteral("2"));
    StatusBar->SetPanelText(4, QStringLiteral(" "));
  }
}

void Form1::UpdatePositionReadout() {
  const double x2 = lnTrace->X2();
  const double y = lnTrace->Y1();
  // A panel shows a value only once both references of its quantity are registered, and keeps its
  // last one where the axis gives no result.
  if (!Registered(mnuReg100Hz) || !Registered(mnuReg10000Hz)) {
    StatusBar->SetPanelText(1, QStringLiteral("Freq."));
  } else if (const auto frequency =
                 ReadFrequency(x2, lnReg100Hz->X1(), lnReg10000Hz->X1(), lowFreqLog, highFreqLog, traceXOffset)) {
    freqScale = frequency->scale;
    curFreq = frequency->value;
    curFreqText = ReadoutText(curFreq);
    StatusBar->SetPanelText(1, QStringLiteral("Freq.  ") + curFreqText);
  }
  if (!Registered(mnuReg60Db) || !Registered(mnuReg90Db)) {
    StatusBar->SetPanelText(2, QStringLiteral("Db"));
  } else if (const auto level = ReadLevel(y, lnReg60Db->Y1(), lnReg90Db->Y1(), lowDb, highDb, traceYOffset)) {
    dbScale = level->scale;
    curDb = level->value;
    curDbText = ReadoutText(curDb);
    StatusBar->SetPanelText(2, QStringLiteral("Db  ") + curDbText);
  }
  const ImpedanceReferences impedance{lnReg4Ohm->Y1(), lnReg16Ohm->Y1(), lowOhm, highOhm, lowOhmScaled, highOhmScaled};
  if (!Registered(mnuReg4Ohm) || !Registered(mnuReg16Ohm)) {
    StatusBar->SetPanelText(3, QStringLiteral("Ohm"));
  } else if (const auto ohm = ReadImpedance(y, impedance, CheckedOhmScale(), traceYOffset)) {
    ohmScale = ohm->scale;
    curOhm = ohm->value;
    curOhmText = ReadoutText(curOhm);
    StatusBar->SetPanelText(3, QStringLiteral("Ohm  ") + curOhmText);
  }
}

std::optional<std::int32_t> Form1::FreqToGraphX(double freqLog) {
  return tracer::FreqToGraphX(freqLog, lnReg100Hz->X1(), lnReg10000Hz->X1(), lowFreqLog, highFreqLog, traceXOffset,
                              freqScale);
}

}  // namespace tracer
