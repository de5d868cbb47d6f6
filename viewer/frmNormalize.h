// The Normalize Data dialog: re-samples the open frequency response onto a frequency grid chosen
// by the user (start, stop, number of points, linear or logarithmic spacing, counted per decade
// or over the whole range) and leaves the result in normalizedData.
//
// Usage: construct it (it fills itself from the remembered settings), run it modally, then read
// GlobalVariables::dataNormalized. OK stores the settings, rebuilds normalizedData and accepts;
// Cancel rejects and changes nothing.
#pragma once

#include <QDialog>
#include <array>

#include "GlobalVariables.h"
#include "Services.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace viewer {

class frmNormalize : public QDialog {
  Q_OBJECT

 public:
  frmNormalize(GlobalVariables& globals, platform::IMessageBox& messageBox, QWidget* parent = nullptr);

  // Fills the controls from the remembered settings (called by the constructor).
  void Form_Load();
  void cmdOK_Click();
  void cmdCancel_Click();

  // Controls, each with its name as objectName; the option-button arrays are indexed by their
  // index (objectNames "optDistribution0", "optDistribution1", "optPointRange0", "optPointRange1").
  QGroupBox* const Frame1;
  QLabel* const Label1;
  QLabel* const Label2;
  QLabel* const Label3;
  QGroupBox* const Frame2;
  QLabel* const Label4;
  QLineEdit* const edtFreqStart;
  QLabel* const Label5;
  QLineEdit* const edtFreqStop;
  QLabel* const lblFrequency;
  QGroupBox* const Frame3;
  std::array<QRadioButton*, 2> optDistribution{};  // 0 linear, 1 logarithmic
  QLabel* const Label10;
  QLabel* const Label8;
  QLabel* const Label7;
  QLineEdit* const edtNumberOfPoints;
  std::array<QRadioButton*, 2> optPointRange{};  // 0 per entire frequency range, 1 per decade
  QPushButton* const cmdOK;
  QPushButton* const cmdCancel;

  // "Per Decade" was chosen when OK was last pressed.
  bool perDecade = false;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  GlobalVariables& g_;
  platform::IMessageBox& messageBox_;
};

}  // namespace viewer
