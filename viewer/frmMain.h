// The viewer's main window: the menu bar with the file commands, the tools and the About box, the
// graph frame with its drawing surface, rulers and scroll bars, and a one-panel status bar that
// names the open file.
#pragma once

#include <QMainWindow>
#include <array>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "GlobalVariables.h"
#include "GraphScale.h"
#include "PictureBox.h"
#include "ScrollBar.h"
#include "Services.h"
#include "StatusBar.h"
#include "Window.h"

class QAction;
class QDialog;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QMimeData;
class QWheelEvent;

namespace viewer {

class frmMain : public platform::FormWindow {
  Q_OBJECT

 public:
  frmMain(GlobalVariables& globals, const platform::Services& services, QWidget* parent = nullptr);

  // Start-up: gives the globals their start values, shows the window maximized and lays out the
  // graph frame.
  void Form_Load();

  void Form_Resize() override;
  void pctFrame_Resize();
  void HScrollGraph_Change();
  void VScrollGraph_Change();
  void HScrollGraph_Scroll();
  void VScrollGraph_Scroll();
  void HMeasureGraph_Paint();

  void mnuOpenSpl_Click();
  void mnuOpenImpedance_Click();
  void mnuClose_Click();
  void mnuSave_Click();
  void mnuSaveAs_Click();
  void mnuExit_Click();
  void mnuNormalize_Click();
  void mnuMagnidude_Click();
  void mnuAbout_Click();
  // Beyond the graph's fixed view: zooming, and the graph exported as a picture.
  void mnuZoomIn_Click();
  void mnuZoomOut_Click();
  void mnuZoomFit_Click();
  void mnuExportPicture_Click();
  // Zooms to `zoom` (kept within its limits) about the point `anchor` of the frame (twips from its
  // inner corner), which stays where it is.
  void ZoomAbout(double zoom, QPoint anchor);

  // Opens `path` as File > Open does once its dialog has returned a path: as impedance data for
  // the extensions .zma and .zda, else as frequency response data. For a path given on the
  // command line or dropped on the window.
  void OpenFileByKind(const QString& path);
  // A drop of files on the window opens the first local one.
  void Form_OLEDragDrop(const QMimeData& dropped);

  // Controls, each with its name as objectName.
  platform::StatusBar* const StatusBar;
  platform::PictureBox* const pctFrame;
  platform::PictureBox* const pctGraph;
  platform::PictureBox* const HMeasureGraph;
  platform::PictureBox* const VMeasureGraph;
  platform::ScrollBar* const HScrollGraph;
  platform::ScrollBar* const VScrollGraph;
  std::array<platform::PictureBox*, 2> pctCorner{};
  // Cover the one-pixel strips beside the scroll bars (which are a pixel narrower than the ruler
  // bands), so that no drawing shows beyond them: 0 right of the vertical bar, 1 below the
  // horizontal one.
  std::array<platform::PictureBox*, 2> pctStrip{};
  platform::FileDialogSettings dlgFile;

  QMenu* const mnuFile;
  QMenu* const mnuOpen;
  QAction* const mnuOpenSpl;
  QAction* const mnuOpenImpedance;
  QAction* const mnuClose;
  QAction* const mnuSeparator1;
  QAction* const mnuSave;
  QAction* const mnuSaveAs;
  QAction* const mnuExportPicture;
  QAction* const mnuSeparator2;
  QAction* const mnuExit;
  QMenu* const mnuTools;
  QAction* const mnuNormalize;
  QAction* const mnuMagnidude;
  QMenu* const mnuView;
  QAction* const mnuZoomIn;
  QAction* const mnuZoomOut;
  QAction* const mnuZoomFit;
  QMenu* const mnuHelp;
  QAction* const mnuAbout;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The Open commands; `path` stands for the path the open dialog would return.
  void OpenDataFile(int impedance, const std::optional<QString>& path = std::nullopt);
  std::unique_ptr<std::ifstream> ChooseAndOpenDataFile(const std::optional<QString>& given);
  std::unique_ptr<std::ifstream> OpenForReading(const QString& path);
  // Shows a tool's dialog; when the tool's data are valid afterwards (`produced`, read after the
  // dialog has closed), enables Save As and redraws.
  void RunTool(QDialog& dialog, const bool& produced);

  // The graph: RedrawGraph draws every valid set over the grid; PlotResponse draws one set and
  // centres the view on it. They throw platform::OverflowError when a position does not fit.
  void RedrawGraph();
  void CenterGraphOnData(const data::ResponseSet& set);
  void DrawGrid();
  void PlotResponse(const data::ResponseSet& set, const QColor& color);
  void DrawFrequencyRuler();
  void DrawDbRuler();
  void DrawOhmRuler();
  void DrawLevelRuler(const std::vector<LevelLine>& lines);

  // The pointer over the graph: the readout in the status bar's second panel, and the wheel
  // (scrolling; zooming about the pointer with Ctrl).
  void pctGraph_MouseMove(QPointF pixels);
  void pctGraph_Wheel(const QWheelEvent& event);
  // What the frame shows of the graph and the rulers, without the scroll bars, in twips.
  QRect ShownArea() const;

  // SafeLog10 of each point's frequency, by data set, so that a redraw at another size (a zoom
  // step) maps a long curve without taking its logarithms again. Cleared wherever a set changes:
  // opening, closing, a tool's run.
  const std::vector<double>& FrequencyLogs(const data::ResponseSet& set);
  std::map<const data::ResponseSet*, std::vector<double>> frequencyLogs_;

  GlobalVariables& g_;
  platform::Services services_;
};

}  // namespace viewer
