// The value dialog of the axis registration: asks for one reference value. The registration
// command fills its caption and labels, shows it modally and reads the result from Tag: "1" after
// OK with a valid number, "0" after Cancel (or closing it through its frame). Both buttons hide
// the dialog; one instance serves every registration.
#pragma once

#include <QChar>
#include <QDialog>
#include <QString>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace platform {
class IMessageBox;
}

namespace tracer {

// The number that typed text stands for: the whole text, blanks around it allowed, read as one
// number ([+-]digits[.digits][(E|e)[+-]digits]) with "." and the locale's `decimalPoint` both as
// the decimal point. Anything else (a grouping separator, a unit, an infinite value) is none.
std::optional<double> ReadTypedNumber(const QString& text, QChar decimalPoint);

class dlgValue : public QDialog {
  Q_OBJECT

 public:
  explicit dlgValue(platform::IMessageBox& messageBox, QWidget* parent = nullptr);

  void OKButton_Click();
  void CancelButton_Click();
  // The value of the typed text under the user's locale, or none when it is not a number.
  std::optional<double> EnteredValue() const;

  QString Tag;

  QLabel* const lblInstructions;
  QLabel* const Label1;
  QLabel* const Label2;
  QLabel* const lblValue;
  QLineEdit* const edtValue;
  QLabel* const lblUnits;
  QPushButton* const OKButton;
  QPushButton* const CancelButton;

  // Escape and the window's close button count as Cancel.
  void reject() override { CancelButton_Click(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  platform::IMessageBox& messageBox_;
};

}  // namespace tracer
