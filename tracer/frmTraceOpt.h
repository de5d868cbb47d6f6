// The Trace Options dialog: free-form tracing, or tracing between a start and a stop frequency in
// a number of equal logarithmic steps. It edits the options in GlobalVariables; made anew for each
// opening, it shows the options as they stand.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "GlobalVariables.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace platform {
class IMessageBox;
}

namespace tracer {

class frmTraceOpt : public QDialog {
  Q_OBJECT

 public:
  static constexpr std::int32_t kMostTracePoints = 100000;

  // Builds the dialog and loads it (Form_Load), ready to be shown modally.
  frmTraceOpt(GlobalVariables& globals, platform::IMessageBox& messageBox, QWidget* parent = nullptr);

  void Form_Load();
  void chkTraceMethod_Click(int Index);
  // Enables the limit labels and boxes for "Use Trace Limits:", disables them (texts kept) else.
  void UpdateLimitFields();
  // Stores the chosen way of stepping and, for limited tracing, the three numbers (whole numbers
  // read from the boxes' leading numbers, start and stop in rising order). Numbers beyond 32 bits
  // and a number of trace points outside 1 to kMostTracePoints are refused with a message, and the
  // dialog stays.
  void cmdOK_Click();
  void cmdCancel_Click();

  // Escape and the window's close button count as Cancel.
  void reject() override { cmdCancel_Click(); }

  QGroupBox* const Frame1;
  std::array<QRadioButton*, 2> chkTraceMethod{};  // 0 "Trace Free-form", 1 "Use Trace Limits:"
  QLabel* const lblFrequencyStart;
  QLineEdit* const edtFrequencyStart;
  QLabel* const lblFrequencyStop;
  QLineEdit* const edtFrequencyStop;
  QLabel* const lblTraceCount;
  QLineEdit* const edtTraceCount;
  QPushButton* const cmdOK;
  QPushButton* const cmdCancel;

 private:
  GlobalVariables& g_;
  platform::IMessageBox& messageBox_;
};

}  // namespace tracer
