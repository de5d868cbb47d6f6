// The tracer's main window: a graph area that shows an imported graph picture stretched over it,
// six reference lines that register the picture's frequency, level and impedance axes, a trace
// line and marker, the menus, and a status bar whose first three panels read out, live, the
// frequency, level and impedance under the trace line.
//
// The window is in one of four states, kept in its flags: no graph (isGraphImported false), graph
// shown, a trace armed (isTracing and isTraceArmed: a free-form trace waits for the click that
// fixes its start) and tracing (isTracing alone). Positions are twips of the graph area; while a
// picture is shown, whatever is placed on it (reference lines, trace position and line, markers)
// keeps its place in the picture's own pixels, and a resize puts it back at the matching twips.
#pragma once

#include <QDeadlineTimer>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "AutoRegister.h"
#include "AxisMap.h"
#include "CurvePicker.h"
#include "CurveTexture.h"
#include "GlobalVariables.h"
#include "Magnifier.h"
#include "PictureBox.h"
#include "Services.h"
#include "SessionFile.h"
#include "Shapes.h"
#include "StatusBar.h"
#include "StraightLines.h"
#include "Window.h"

class QAction;
class QMenu;
class QTimer;

namespace tracer {

class dlgValue;

// The registration state that a menu item keeps in its Tag: "0" unregistered, "1" placing (its
// line follows the pointer), "2" registered (the line was fixed by a click).
QString Tag(const QAction* item);
void SetTag(QAction* item, const QString& tag);
inline bool Registered(const QAction* item) { return Tag(item) == QLatin1String("2"); }

class Form1 : public platform::FormWindow {
  Q_OBJECT

 public:
  Form1(GlobalVariables& globals, const platform::Services& services, QWidget* parent = nullptr);
  ~Form1() override;

  // Start-up: clears the flags, restores the registration defaults, resets the window, sets the
  // trace options to their defaults and shows the window maximized.
  void Form_Load();
  void Form_Resize() override;

  void mnuImportClipboard_Click();
  void mnuImportFile_Click();
  // Imports the picture file at `path`, as File > Import Graph > From File does after its dialog.
  void ImportPictureFile(const QString& path);
  void mnuSaveAs_Click();
  void mnuExit_Click();
  void mnuAbout_Click();

  void mnuReg100Hz_Click();
  void mnuReg10000Hz_Click();
  void mnuReg60Db_Click();
  void mnuReg90Db_Click();
  void mnuReg4Ohm_Click();
  void mnuReg16Ohm_Click();
  void mnuOhmScale10_Click();
  void mnuOhmScale2_Click();
  void mnuOhmScale1_Click();
  // Straighten Picture: the next two clicks mark a line that should be horizontal or vertical, and
  // the picture is turned about its centre to make it so (clearing registration and trace).
  void mnuStraighten_Click();
  // Registers the axes from the picture's tick labels, replacing every reference.
  void mnuAutoRegister_Click();

  void mnuTraceOptions_Click();
  void mnuTraceStartSPL_Click();
  void mnuTraceStartImpedance_Click();
  void mnuTraceStop_Click();
  void mnuSaveTrace_Click();
  // Beyond tracing by hand: take back the last point, pick the curve's colour so that the trace
  // line snaps to it, let a limited trace run along it, and the loupe.
  void mnuUndoPoint_Click();
  void mnuPickColour_Click();
  void mnuAutoTrace_Click();
  void mnuMagnifier_Click();
  void mnuSnapLines_Click();
  // Editing the recorded points: Ctrl+click selects the point whose marker lies nearest (within 6
  // pixels), Up and Down move it by a pixel, Delete removes it, Esc lets it go; Undo Last Point
  // and Redo Point take back and restore recorded points, moves and deletions in turn.
  void mnuRedoPoint_Click();
  void Graph_MouseDown(int Index, int Button, int Shift, float X, float Y);
  void UndoTracePoint();
  void RedoTracePoint();
  // Sessions: the picture as imported, its registration, the trace options and the trace in one
  // file (SessionFile.h).
  void mnuOpenSession_Click();
  void mnuSaveSession_Click();
  void OpenSessionFile(const QString& path);
  bool SaveSessionFile(const QString& path);
  // Opens `path` given at start-up or dropped on the window: a session file, else a picture.
  void OpenFile(const QString& path);

  // Events of the Graph array; only the graph area (index 0) raises them.
  void Graph_Click(int Index);
  void Graph_MouseMove(int Index, int Button, int Shift, float X, float Y);
  void Graph_KeyDown(int Index, int KeyCode, int Shift);

  void ResetTracerWindow();
  void ResetRegistrationValues();
  void UpdatePositionReadout();
  // The X position of the frequency 10^freqLog on the picture, traceXOffset included; none where
  // the frequency axis has no usable scale or the position does not fit.
  std::optional<std::int32_t> FreqToGraphX(double freqLog);
  // The common start of both kinds of trace: armed for a free-form trace, at the start frequency
  // for a limited one.
  void BeginTrace();
  // Records the values under the trace line as the next point and advances the trace position;
  // true when the position moved on (no limit or end of the area reached). A limited trace passes
  // over the steps that would not move the column; after its last step panel 4 says so. At the end
  // of the area, or past the last step, a further point is refused with the message.
  bool RecordTracePoint(bool byHand = true);
  // With a curve picked, puts the trace line on the curve in the trace column, followed from the
  // pick and the points recorded since; false (the line left where it is) where the curve is lost.
  // The one place where a trace step asks where the curve is.
  bool SnapToCurve();
  // How many picture pixels a traced point at picture height `y` may lie off the curve: what half
  // a decibel, or 2 % of an impedance, spans there on the trace's axis.
  double GoalPixels(double y) const;
  // A running Auto Trace goes on in slices between which the window handles its events: each
  // slice runs up to `steps` steps, fewer once `deadline` has passed (after one step at least).
  // False when the run has ended (the last step, the end of the area, the curve lost, or stopped).
  bool AutoTraceSteps(int steps, QDeadlineTimer deadline);
  // Stops a running Auto Trace; false when none runs.
  bool StopAutoTrace();
  void ClearTracePoints();
  // Between twips of the graph area and pixels of the picture it shows stretched.
  QPointF ToPicture(QPointF twips) const;
  QPointF FromPicture(QPointF pixels) const;

  // Controls, each with its name as objectName; Graph[0] ("Graph0") is the graph area, Graph[1]
  // ("Graph1") the hidden holder of the imported picture at its own size.
  platform::StatusBar* const StatusBar;
  std::array<platform::PictureBox*, 2> Graph{};
  platform::RectShape* pnlTrace = nullptr;
  platform::LineShape* lnTrace = nullptr;
  platform::LineShape* lnReg100Hz = nullptr;
  platform::LineShape* lnReg10000Hz = nullptr;
  platform::LineShape* lnReg60Db = nullptr;
  platform::LineShape* lnReg90Db = nullptr;
  platform::LineShape* lnReg4Ohm = nullptr;
  platform::LineShape* lnReg16Ohm = nullptr;
  platform::MarkerShape* pnlPoints = nullptr;  // the recorded points
  Magnifier* picMagnifier = nullptr;
  platform::FileDialogSettings SaveAs;

  QMenu* const mnuFile;
  QMenu* const mnuImport;
  QAction* const mnuImportClipboard;
  QAction* const mnuImportFile;
  QAction* const mnuSaveAs;
  QAction* const mnuFileSpacer;
  QAction* const mnuExit;
  QMenu* const mnuAlign;
  QAction* const mnuReg100Hz;
  QAction* const mnuReg10000Hz;
  QAction* const mnuAmplitude;
  QAction* const mnuReg60Db;
  QAction* const mnuReg90Db;
  QAction* const mnuImpedance;
  QAction* const mnuReg4Ohm;
  QAction* const mnuReg16Ohm;
  QAction* const mnuImpedanceSpacer;
  QAction* const mnuOhmScale10;
  QAction* const mnuOhmScale2;
  QAction* const mnuOhmScale1;
  QAction* const mnuStraightenSpacer;
  QAction* const mnuStraighten;
  QAction* const mnuAutoRegisterSpacer;
  QAction* const mnuAutoRegister;
  QMenu* const mnuTrace;
  QAction* const mnuTraceOptions;
  QAction* const mnuTraceStartSPL;
  QAction* const mnuTraceStartImpedance;
  QAction* const mnuTraceStop;
  QAction* const mnuSaveTrace;
  QAction* const mnuTraceSpacer;
  QAction* const mnuUndoPoint;
  QAction* const mnuPickColour;
  QAction* const mnuAutoTrace;
  QMenu* const mnuView;
  QAction* const mnuMagnifier;
  QAction* const mnuSnapLines;
  QMenu* const mnuHelp;
  QAction* const mnuAbout;
  // Made by CreateEditCommands and CreateSessionCommands.
  QAction* mnuRedoPoint = nullptr;
  QAction* mnuOpenSession = nullptr;
  QAction* mnuSaveSession = nullptr;
  platform::MarkerShape* pnlSelected = nullptr;  // the selected point's marker, highlighted

  // Window state.
  bool isGraphImported = false;
  bool isTracing = false;
  bool isTraceArmed = false;
  bool isTraceUnsaved = false;
  bool isImpedanceTrace = false;
  bool isImpedanceRecorded = false;  // the recorded points are impedances (kept after Stop Trace)
  bool isTraceAtEnd = false;         // the trace position reached the end of the area
  bool isAutoTracing = false;        // an Auto Trace runs
  int traceXOffset = 0;              // the trace line's end lies this far right of the position it measures
  int traceYOffset = 0;              // added to the pointer's height for the trace line

  // Registration values and the readout, in their three groups.
  double lowFreq = 0;
  double lowFreqLog = 0;
  double highFreq = 0;
  double highFreqLog = 0;
  QString curFreqText;
  float curFreq = 0;
  double freqScale = 0;  // twips per decade
  double lowDb = 0;
  double highDb = 0;
  QString curDbText;
  float curDb = 0;
  double dbScale = 0;  // twips per dB
  double lowOhm = 0;
  double lowOhmScaled = 0;
  double highOhm = 0;
  double highOhmScaled = 0;
  QString curOhmText;
  float curOhm = 0;
  double ohmScale = 0;  // twips per unit of the chosen ohm scale

  // Tracing: the trace position, the free-form advance, a limited trace's start and step in log10
  // of frequency and the number of the step at the trace position, and the recorded points (point
  // k at index k - 1).
  std::int32_t traceX = 0;
  std::int32_t traceStep = 0;
  double traceStartLog = 0;
  double traceLogStep = 0;
  std::int32_t traceStepNumber = 0;
  std::int32_t traceIndex = 0;
  std::vector<float> traceFreqs;
  std::vector<float> traceDbs;
  std::vector<float> traceOhms;
  // Where each point was measured, on the picture (its own pixels), and its step.
  struct TracePlace {
    QPointF onPicture;
    std::int32_t step;
    bool byHand = false;  // placed by hand, not by Auto Trace (not kept in a session file)
  };
  std::vector<TracePlace> tracePlaces;
  std::optional<CurvePick> curvePick;        // picked with Pick Curve Colour
  bool isPickingColour = false;              // the next click on the picture picks the colour
  bool isStraightening = false;              // the next clicks mark the line Straighten Picture needs
  double pictureLean = 0;                    // degrees the shown picture was turned by to straighten it
  std::optional<std::size_t> selectedPoint;  // by Ctrl+click, for editing

  // Starts the text recognition that Auto Register reads the labels with, at its first use (it is
  // kept then: starting it takes most of the command's time, keeping it 20 to 30 MB); none where
  // it cannot start. Tests put a scripted reader here.
  std::function<std::unique_ptr<TextReader>()> StartTextReader;

  // The largest picture that imports, in pixels each way.
  static constexpr int kLargestPicture = 16384;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // One reference of the registration: its menu item, line, dialog texts and value.
  struct Reference {
    QAction* item;
    platform::LineShape* line;
    bool vertical;
    const char* caption;
    const char* valueLabel;
    const char* units;
    const char* preset;
    const char* instructions;
    const char* suffix;  // after the typed text in the status bar
    double Form1::*value;
    double Form1::*derived;  // the value's logarithm or scaled impedance, or nullptr
    bool impedance;          // derived on the ohm scale (else with LogBase10)
  };

  static inline const QString kTitle = QStringLiteral("Quelbrin");  // of the window's message boxes
  static inline const QString kImportFirst = QStringLiteral("Use the File > Import Graph menu item to import a graph.");
  static inline const QString kNoCurveAtClick =
      QStringLiteral("No curve at the click: Trace > Pick Curve Colour, then click on the curve");

  // Where the shapes placed on the picture lie in its own pixels: the reference lines (x of a
  // vertical line, y of a horizontal one), the column that the marker's right edge and the trace
  // line's end measure (traceXOffset to their left), and the trace line's height.
  struct PicturePlaces {
    std::array<double, 6> references{};
    double markerColumn = 0;
    double lineColumn = 0;
    double height = 0;
  };

  // The save question, where a running trace has unsaved points; false when the user cancels or
  // the save asked for does not happen (the dialog cancelled, the file not written).
  bool AskToSaveTrace();
  // Writes the recorded points to a file the user chooses; false when nothing was written.
  bool SaveTrace();
  // Ends a running trace: the marker and trace line hidden, the Start commands enabled again.
  void EndTrace();
  // After the reset, replaces the picture with the one `take` gives; a picture that is null or too
  // large gets `failure` in a message box instead.
  void ImportGraph(const std::function<QImage()>& take, const QString& failure);
  // Draws the holder's picture stretched over the whole graph area; throws when there is none.
  void StretchPicture();
  void RegisterReference(const Reference& reference);
  void Unregister(const Reference& reference);
  // The earliest reference in the menu's order whose line is being placed, or none.
  const Reference* PlacingReference() const;
  void SetOhmScale(QAction* checked);
  // Fixes a reference's line on a line of the picture with its value, as a registration by hand
  // would have left it.
  void RegisterOnLine(const Reference& reference, const LabelledLine& line);
  OhmScale CheckedOhmScale() const;
  // The registration's pointer branch: moves the earliest placing reference line to the pointer;
  // false when no reference is being placed.
  bool MovePlacingReference(float X, float Y);
  // The registration's click branch: fixes the earliest placing reference line.
  void FixPlacingReference();
  dlgValue& ValueDialog();
  // Starts an SPL or impedance trace, or refuses with a message while a reference it needs is missing.
  void StartTrace(bool impedance);
  // Puts the marker's right edge and the trace line's end at `x`.
  void MoveTracePosition(float x);
  void SetTraceLineEnd(float x);
  void SetTraceHeight(float y);
  void PlaceReference(const Reference& reference, float at);
  // Takes the shapes' places on a newly shown picture from their twips.
  void TakePicturePlaces();
  // Puts the shapes and markers back at the twips of their places on the picture.
  void PlaceShapesOnPicture();
  // The position of a limited trace's step k (whole twips, traceXOffset included).
  std::optional<std::int32_t> StepPosition(std::int32_t k);
  // "Trace SPL" or "Trace Impedance".
  QString TraceStatus() const;
  // The status of a limited trace whose last step is recorded.
  void ShowTraceComplete();
  // Every step of a limited trace recorded, or as many points as the limit allows.
  bool PastTraceLimit() const;
  // One step of Auto Trace: the curve found in the trace column, the point recorded; false when
  // the run ends there.
  bool AutoTraceStep();
  // Takes back the points Auto Trace recorded on a stretch that left the curve's texture.
  void TakeBackOffTexture();
  // Takes the curve's colour at the pointer for the click that Pick Curve Colour waits for.
  void PickColour();
  // Shows the loupe at the pointer while a line is placed or a trace runs, or at the selected
  // point; else hides it.
  void UpdateMagnifier();
  // The held picture's long straight lines, found on first use.
  const StraightLines& PictureLines();
  // A reference line being placed at `twips` (X of a vertical one, Y of a horizontal one), moved
  // onto the centre of a straight line of the picture running the same way within 5 of its pixels
  // while Snap to Lines is on.
  float SnapToLine(bool vertical, float twips);
  // The picture an import shows: straightened where its lines lean by 0.05 to 5 degrees.
  QImage StraightenOnImport(const QImage& picture);
  // Takes the click that Straighten Picture waits for; turns the picture at the second.
  void MarkStraightenPoint();
  // Shows `picture` as the graph, as an import does after its reset.
  void ShowPicture(QImage picture);

  // Editing (Form1Edit.cpp). A recorded point: its values and where it was measured.
  struct TracePoint {
    float freq;
    float db;
    float ohm;
    TracePlace place;
  };
  // Where the trace stands: the column its marker measures (picture pixels), its step, whether at
  // the end of the area.
  struct TracePosition {
    double markerColumn;
    std::int32_t step;
    bool atEnd;
  };
  // One change of the points that Undo takes back: a point recorded at the end, a point deleted,
  // a point moved; with the point before and after and, for a recorded point taken back, the
  // position the trace had reached, which Redo restores.
  struct TraceEdit {
    enum class Kind { kRecord, kDelete, kMove };
    Kind kind;
    std::size_t index;
    TracePoint before;
    TracePoint after;
    std::optional<TracePosition> positionAfter;
  };
  void CreateEditCommands();
  TracePoint PointAt(std::size_t index) const;
  void InsertPoint(std::size_t index, const TracePoint& point);
  void ErasePoint(std::size_t index);
  void SetPoint(std::size_t index, const TracePoint& point);
  // Notes the point just recorded for Undo; Redo's points are forgotten.
  void NoteRecordedPoint();
  // Forgets the edits and the selection, as the points are cleared.
  void ForgetEdits();
  // Puts the recorded points' markers, and the selected one's, at the twips of their places.
  void ShowMarkers();
  void SelectPoint(std::optional<std::size_t> index);
  // Up, Down, Delete and Esc for the selected point; false for other keys.
  bool EditSelectedPoint(int keyCode);
  void MoveSelectedPoint(float dy);
  void DeleteSelectedPoint();
  void RestorePosition(const TracePosition& position);
  // The readout's text of a value: 7 significant digits, the user's decimal separator.
  static QString ReadoutText(float value);

  // Sessions (Form1Session.cpp).
  // What a session keeps of the picture as imported: its PNG bytes, or the picture to encode, and
  // the turns that straightened it since. Straightening by hand resets the window as an import
  // does, but keeps this.
  struct ImportedPicture {
    QByteArray bytes;
    QImage picture;
    std::optional<double> importLean;
    std::vector<double> handLeans;
  };
  ImportedPicture TakeImportedPicture();
  void KeepImportedPicture(ImportedPicture imported);
  void CreateSessionCommands();
  Session TakeSession() const;
  // Replaces everything with the session's picture and state.
  void RestoreSession(const Session& session, QImage picture, QByteArray fileBytes);

  GlobalVariables& g_;
  platform::Services services_;
  std::array<Reference, 6> references_;
  std::unique_ptr<dlgValue> dlgValue_;
  QPointF pointer_;          // the pointer's last position over the graph area, twips
  QString panelBeforePick_;  // panel 4 while the colour is picked
  PicturePlaces places_;
  QTimer* autoTraceTimer_ = nullptr;  // runs the next slice of Auto Trace
  std::size_t pickedAt_ = 0;          // the number of points recorded when the curve was picked
  CurveTexture curveTexture_;         // the picked curve's dashes, as Auto Trace has seen them
  // Where the last snap's stretch left the curve's texture: the column it began at, and the way
  // it was walked (1 or -1).
  std::optional<std::pair<int, int>> textureLost_;
  std::optional<StraightLines> lines_;
  std::unique_ptr<TextReader> textReader_;  // started by the first Auto Register
  std::vector<QPointF> straightenPoints_;   // picture pixels
  std::vector<TraceEdit> undoEdits_;
  std::vector<TraceEdit> redoEdits_;
  bool clickSelected_ = false;  // the button's press was a Ctrl+click: its click does nothing more
  // The picture as imported, as a PNG file's bytes: the imported file's own, or encoded once for a
  // session; empty until then.
  QByteArray pictureBytes_;
  QImage importedPicture_;  // kept only while it is not the one shown and has no bytes yet
  std::optional<double> importLean_;
  std::vector<double> handLeans_;
  QString sessionPath_;  // the session last opened or saved, offered by Save Session
};

}  // namespace tracer
