// The viewer's main window: the menu bar with the file commands, the tools and the About box, the
// graph frame with its drawing surface, rulers and scroll bars, and a one-panel status bar that
// names the open file.
#pragma once

#include <QMainWindow>
#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "GlobalVariables.h"
#include "GraphScale.h"
#include "PictureBox.h"
#include "ScrollBar.h"
#include "Services.h"
#include "Smoothing.h"
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

// At most this many files are drawn over the loaded one.
inline constexpr std::size_t kMaxOverlays = 16;

// A file drawn over the loaded one for comparison: it takes no part in the tools or in Save As.
struct Overlay {
  QString name;  // the file's name, without its folder
  bool impedance = false;
  data::ResponseSet data;
  QColor color;
};

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
  // Comparing and smoothing: files drawn over the loaded one, and every drawn curve smoothed over
  // a fraction of an octave (View > Smoothing, `index` into kSmoothingFractions).
  void mnuAddOverlay_Click();
  void mnuRemoveOverlays_Click();
  void mnuSmoothing_Click(int index);
  // Zooms to `zoom` (kept within its limits) about the point `anchor` of the frame (twips from its
  // inner corner), which stays where it is.
  void ZoomAbout(double zoom, QPoint anchor);

  // Opens `path` as File > Open does once its dialog has returned a path: as impedance data for
  // the extensions .zma and .zda, else as frequency response data. For a path given on the
  // command line or dropped on the window; the native path may be a name that is not UTF-8.
  void OpenFileByKind(const std::filesystem::path& path);
  void OpenFileByKind(const QString& path);
  // Opens the first of `paths` so and adds the others as overlays (the command line).
  void OpenFiles(const std::vector<std::filesystem::path>& paths);
  // Adds each of `paths` as an overlay, its kind by its extension; a file that cannot be read
  // is refused with the read failure message and changes nothing.
  void AddOverlays(const std::vector<std::filesystem::path>& paths);
  // A drop of files on the window opens the first local one; with Shift held, the local files
  // are added as overlays (the first opened when no file is loaded).
  void Form_OLEDragDrop(const QMimeData& dropped, bool shift = false);
  const std::deque<Overlay>& Overlays() const { return overlays_; }

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
  // The legend in the graph's upper left corner: the loaded file and each overlay with its
  // colour, and the smoothing; shown while overlays or smoothing are in use.
  platform::PictureBox* const pctLegend;
  platform::FileDialogSettings dlgFile;

  QMenu* const mnuFile;
  QMenu* const mnuOpen;
  QAction* const mnuOpenSpl;
  QAction* const mnuOpenImpedance;
  QAction* const mnuClose;
  QAction* const mnuAddOverlay;
  QAction* const mnuRemoveOverlays;
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
  QMenu* const mnuSmoothing;
  std::array<QAction*, kSmoothingFractions.size()> mnuSmoothingItems{};  // mnuSmoothing0 .. mnuSmoothing6
  QMenu* const mnuHelp;
  QAction* const mnuAbout;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The Open commands; `path` stands for the path the open dialog would return. A chosen file
  // that cannot be opened (gone, a link loop, not a regular file) fails as an unreadable one.
  void OpenDataFile(int impedance, const std::optional<std::filesystem::path>& path = std::nullopt);
  std::unique_ptr<std::ifstream> ChooseAndOpenDataFile(const std::optional<std::filesystem::path>& given,
                                                       std::filesystem::path& chosen);
  std::unique_ptr<std::ifstream> OpenForReading(const std::filesystem::path& path);
  // Shows a tool's dialog; when the tool's data are valid afterwards (`produced`, read after the
  // dialog has closed), enables Save As and redraws. `adjusts`: the tool is Adjust Magnitude.
  void RunTool(QDialog& dialog, const bool& produced, bool adjusts);
  // The menu items that depend on the loaded file and the overlays, and the legend.
  void UpdateOverlayState();
  void DrawLegend();

  // The graph: RedrawGraph draws every valid set over the grid; PlotResponse draws one set and
  // centres the view on it. They throw platform::OverflowError when a position does not fit.
  void RedrawGraph();
  void CenterGraphOnData(const data::ResponseSet& set);
  void DrawGrid();
  void PlotResponse(const data::ResponseSet& set, const QColor& color);
  // Draws the set as a polyline in `color`, smoothed as View > Smoothing says, without centring.
  void DrawCurve(const data::ResponseSet& set, const QColor& color, bool impedance);
  void DrawOverlays();
  // RedrawGraph, keeping the part of the graph that is shown.
  void RedrawKeepingView();
  void DrawFrequencyRuler();
  void DrawDbRuler();
  void DrawOhmRuler();
  void DrawLevelRuler(const std::vector<LevelLine>& lines);
  // The level ruler's ticks and labels for the lines last drawn, each label whole within the
  // shown part of the ruler; drawn again after each vertical scroll.
  void LabelLevelRuler();

  // The pointer over the graph: the readout in the status bar's second panel, and the wheel
  // (scrolling; zooming about the pointer with Ctrl).
  void pctGraph_MouseMove(QPointF pixels);
  void pctGraph_Wheel(const QWheelEvent& event);
  // What the frame shows of the graph and the rulers, without the scroll bars, in twips.
  QRect ShownArea() const;

  // Per data set, SafeLog10 of each point's frequency, so that a redraw at another size (a zoom
  // step) maps a long curve without taking its logarithms again, and the magnitudes as smoothed
  // for drawing. Dropped wherever a set changes: opening, closing, a tool's run, an overlay's
  // removal; the smoothed ones also when the smoothing changes.
  struct CurveCache {
    std::vector<double> logs;
    std::vector<double> smoothed;
  };
  const std::vector<double>& FrequencyLogs(const data::ResponseSet& set);
  // The magnitudes to draw in place of the set's own, or none when smoothing is off.
  std::span<const double> DrawnMagnitudes(const data::ResponseSet& set, bool impedance);
  int SmoothingFraction() const;
  std::map<const data::ResponseSet*, CurveCache> curves_;

  GlobalVariables& g_;
  platform::Services services_;
  std::deque<Overlay> overlays_;
  QString loadedName_;                 // of the loaded file, without its folder
  bool loadedImpedance_ = false;       // the loaded file was read as impedance data
  bool adjustedLast_ = false;          // Adjust Magnitude built its set after Normalize Data built its own
  std::vector<LevelLine> levelLines_;  // the level ruler's lines as last drawn
};

}  // namespace viewer
