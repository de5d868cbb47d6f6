// The Adjust Magnitude dialog: shifts the magnitude of the open frequency response up or down by
// a number of decibels and leaves the result in adjustedData.
//
// Usage: construct it (the decibels field starts empty), run it modally, then read
// GlobalVariables::dataAdjusted. OK rebuilds adjustedData and accepts; Cancel rejects and
// changes nothing.
#pragma once

#include <QDialog>

#include "GlobalVariables.h"
#include "Services.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace viewer {

class frmMagnitude : public QDialog {
  Q_OBJECT

 public:
  frmMagnitude(GlobalVariables& globals, platform::IMessageBox& messageBox, QWidget* parent = nullptr);

  void cmdOK_Click();
  void cmdCancel_Click();

  // Controls, each with its name as objectName.
  QGroupBox* const Frame1;
  QLabel* const Label1;
  QLabel* const Label5;
  QLineEdit* const edtDecibels;
  QPushButton* const cmdOK;
  QPushButton* const cmdCancel;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  GlobalVariables& g_;
  platform::IMessageBox& messageBox_;
};

}  // namespace viewer
