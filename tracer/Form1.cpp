#include "Form1.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "PngChunks.h"
#include "TesseractReader.h"
#include "TracerInfo.h"
#include "Widgets.h"
#include "Window.h"
#include "dlgValue.h"
#include "frmAbout.h"
#include "numbers.h"

namespace tracer {

namespace {

using platform::Named;
using platform::NewAction;
using platform::NewMenu;
using platform::NewSeparator;
using platform::NewSubMenu;

const QString kNoClipboardPicture = QStringLiteral("Copy a graph image to the clipboard, then click Import Graph");
const QString kNoFilePicture = QStringLiteral("The file does not hold a picture that can be imported.");
const QString kPictureFilter =
    QStringLiteral("Pictures (*.png;*.jpg;*.jpeg;*.bmp;*.gif)|*.png;*.jpg;*.jpeg;*.bmp;*.gif");

QAction* NewCheckable(QMenu* menu, const char* name, const QString& caption) {
  QAction* action = NewAction(menu, name, caption);
  action->setCheckable(true);
  return action;
}

platform::LineShape* NewLine(platform::PictureBox* box, const char* name, const QColor& color, float x1, float y1,
                             float x2, float y2) {
  auto* line = Named(new platform::LineShape(box), name);
  line->SetBorderColor(color);
  line->SetX1(x1);
  line->SetY1(y1);
  line->SetX2(x2);
  line->SetY2(y2);
  return line;
}

// The picture in the file at `path`, decoded only when the size its header gives lies within
// `largest` pixels each way; else a null image. A top-down BMP gives its height as a negative number.
// A PNG file is read whole into `png` and decoded from there, so that a session can keep its bytes.
QImage ReadPicture(const QString& path, int largest, QByteArray& png) {
  QFile file(path);
  QBuffer buffer(&png);
  if (file.open(QIODevice::ReadOnly) && file.peek(8) == QByteArray("\x89PNG\r\n\x1a\n", 8)) {
    png = file.readAll();
    buffer.open(QIODevice::ReadOnly);
  }
  file.close();
  QImageReader reader;
  if (buffer.isOpen()) {
    reader.setDevice(&buffer);
  } else {
    reader.setFileName(path);
  }
  QSize size = reader.size();
  size.setHeight(std::abs(size.height()));
  if (!size.isValid() || size.width() > largest || size.height() > largest) {
    return {};
  }
  return reader.read();
}

// The local picture file that a drop carries, if any.
QString DroppedFile(const QMimeData& mime) {
  for (const QUrl& url : mime.urls()) {
    if (url.isLocalFile()) {
      return url.toLocalFile();
    }
  }
  return {};
}

}  // namespace

QString Tag(const QAction* item) { return item->data().toString(); }

void SetTag(QAction* item, const QString& tag) { item->setData(tag); }

Form1::Form1(GlobalVariables& globals, const platform::Services& services, QWidget* parent)
    : FormWindow(parent),
      StatusBar(Named(new platform::StatusBar({1, 1, 1, 2}, this), "StatusBar")),
      mnuFile(NewMenu(menuBar(), "mnuFile", QStringLiteral("File"))),
      mnuImport(NewSubMenu(mnuFile, "mnuImport", QStringLiteral("Import Graph"))),
      mnuImportClipboard(NewAction(mnuImport, "mnuImportClipboard", QStringLiteral("From Clipboard"))),
      mnuImportFile(NewAction(mnuImport, "mnuImportFile", QStringLiteral("From File..."))),
      mnuSaveAs(NewAction(mnuFile, "mnuSaveAs", QStringLiteral("Save As"))),
      mnuFileSpacer(NewSeparator(mnuFile, "mnuFileSpacer")),
      mnuExit(NewAction(mnuFile, "mnuExit", QStringLiteral("Exit"))),
      mnuAlign(NewMenu(menuBar(), "mnuAlign", QStringLiteral("Alignment"))),
      mnuReg100Hz(NewCheckable(mnuAlign, "mnuReg100Hz", QStringLiteral("Register Low Frequency"))),
      mnuReg10000Hz(NewCheckable(mnuAlign, "mnuReg10000Hz", QStringLiteral("Register High Frequency "))),
      mnuAmplitude(NewSeparator(mnuAlign, "mnuAmplitude")),
      mnuReg60Db(NewCheckable(mnuAlign, "mnuReg60Db", QStringLiteral("Register Low Amplitude"))),
      mnuReg90Db(NewCheckable(mnuAlign, "mnuReg90Db", QStringLiteral("Register High Amplitude"))),
      mnuImpedance(NewSeparator(mnuAlign, "mnuImpedance")),
      mnuReg4Ohm(NewCheckable(mnuAlign, "mnuReg4Ohm", QStringLiteral("Register Low Impedance"))),
      mnuReg16Ohm(NewCheckable(mnuAlign, "mnuReg16Ohm", QStringLiteral("Register High Impedance"))),
      mnuImpedanceSpacer(NewSeparator(mnuAlign, "mnuImpedanceSpacer")),
      mnuOhmScale10(NewCheckable(mnuAlign, "mnuOhmScale10", QStringLiteral("Use Base-10 Ohm Scale"))),
      mnuOhmScale2(NewCheckable(mnuAlign, "mnuOhmScale2", QStringLiteral("Use Base-2 Ohm Scale"))),
      mnuOhmScale1(NewCheckable(mnuAlign, "mnuOhmScale1", QStringLiteral("Use Base-1 Ohm Scale"))),
      mnuStraightenSpacer(NewSeparator(mnuAlign, "mnuStraightenSpacer")),
      mnuStraighten(NewAction(mnuAlign, "mnuStraighten", QStringLiteral("Straighten Picture"))),
      mnuAutoRegisterSpacer(NewSeparator(mnuAlign, "mnuAutoRegisterSpacer")),
      mnuAutoRegister(NewAction(mnuAlign, "mnuAutoRegister", QStringLiteral("Auto Register"))),
      mnuTrace(NewMenu(menuBar(), "mnuTrace", QStringLiteral("Trace"))),
      mnuTraceOptions(NewAction(mnuTrace, "mnuTraceOptions", QStringLiteral("Options..."))),
      mnuTraceStartSPL(NewAction(mnuTrace, "mnuTraceStartSPL", QStringLiteral("Start SPL Trace"))),
      mnuTraceStartImpedance(NewAction(mnuTrace, "mnuTraceStartImpedance", QStringLiteral("Start Impedance Trace"))),
      mnuTraceStop(NewAction(mnuTrace, "mnuTraceStop", QStringLiteral("Stop Trace"))),
      mnuSaveTrace(NewAction(mnuTrace, "mnuSaveTrace", QStringLiteral("Save"))),
      mnuTraceSpacer(NewSeparator(mnuTrace, "mnuTraceSpacer")),
      mnuUndoPoint(NewAction(mnuTrace, "mnuUndoPoint", QStringLiteral("Undo Last Point"))),
      mnuPickColour(NewAction(mnuTrace, "mnuPickColour", QStringLiteral("Pick Curve Colour"))),
      mnuAutoTrace(NewAction(mnuTrace, "mnuAutoTrace", QStringLiteral("Auto Trace"))),
      mnuView(NewMenu(menuBar(), "mnuView", QStringLiteral("View"))),
      mnuMagnifier(NewCheckable(mnuView, "mnuMagnifier", QStringLiteral("Magnifier"))),
      mnuSnapLines(NewCheckable(mnuView, "mnuSnapLines", QStringLiteral("Snap to Lines"))),
      mnuHelp(NewMenu(menuBar(), "mnuHelp", QStringLiteral("Help"))),
      mnuAbout(NewAction(mnuHelp, "mnuAbout", QStringLiteral("About"))),
      g_(globals),
      services_(services) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("SPL and Impedance Trace"));
  setStatusBar(StatusBar);
  StatusBar->SetPanelText(1, QStringLiteral("Freq."));
  StatusBar->SetPanelText(2, QStringLiteral("Db"));
  StatusBar->SetPanelText(3, QStringLiteral("Ohm"));
  setAcceptDrops(true);
  // Qt decodes no picture above 128 MB, from a file, the clipboard or a drop alike. The largest
  // picture that imports needs 8 bytes a pixel at 16 bits a channel.
  QImageReader::setAllocationLimit(kLargestPicture / 1024 * kLargestPicture / 1024 * 8);

  auto* client = Named(new QWidget(this), "client");
  SetClientArea(client);
  Graph[0] = Named(new platform::PictureBox(client), "Graph0");
  Graph[1] = Named(new platform::PictureBox(client), "Graph1");
  Graph[0]->SetBackColor(palette().color(QPalette::Mid));
  Graph[1]->SetAutoSize(true);
  Graph[1]->hide();

  // The shapes on the graph area, the trace marker lowest. Reference lines in their design places.
  const QColor blue(0, 0, 255);
  const QColor green(0, 192, 0);
  pnlTrace = Named(new platform::RectShape(Graph[0]), "pnlTrace");
  pnlTrace->SetBorderColor(QColor(255, 128, 0));
  lnTrace = NewLine(Graph[0], "lnTrace", QColor(255, 255, 255), 0, 0, 120, 0);
  lnTrace->SetOutline(QColor(64, 64, 64));  // the white line shows on a white picture too
  lnReg100Hz = NewLine(Graph[0], "lnReg100Hz", blue, 2160, 0, 2160, 5775);
  lnReg10000Hz = NewLine(Graph[0], "lnReg10000Hz", blue, 5880, 0, 5880, 5775);
  lnReg60Db = NewLine(Graph[0], "lnReg60Db", blue, 0, 3720, 9975, 3720);
  lnReg90Db = NewLine(Graph[0], "lnReg90Db", blue, 0, 1440, 9975, 1440);
  lnReg4Ohm = NewLine(Graph[0], "lnReg4Ohm", green, 0, 3120, 9975, 3120);
  lnReg16Ohm = NewLine(Graph[0], "lnReg16Ohm", green, 0, 2160, 9975, 2160);
  pnlPoints = Named(new platform::MarkerShape(Graph[0]), "pnlPoints");
  pnlPoints->SetBorderColor(QColor(255, 0, 255));
  pnlPoints->SetVisible(true);
  picMagnifier = new Magnifier(Graph[0]);
  picMagnifier->setObjectName(QStringLiteral("picMagnifier"));
  mnuUndoPoint->setShortcut(QKeySequence::Undo);
  mnuAutoRegister->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  StartTextReader = []() -> std::unique_ptr<TextReader> { return TesseractReader::Start(); };
  mnuMagnifier->setChecked(true);
  mnuSnapLines->setChecked(true);

  // clang-format off
  references_ = {{
      {mnuReg100Hz, lnReg100Hz, true, "Frequency Registration", "Low Frequency", "Hz.", "100",
       "Specify the frequency registration value for the low end of the graph. ", "Hz",
       &Form1::lowFreq, &Form1::lowFreqLog, false},
      {mnuReg10000Hz, lnReg10000Hz, true, "Frequency Registration", "High Frequency", "Hz.", "10000",
       "Specify the frequency registration value for the high end of the graph. ", "Hz",
       &Form1::highFreq, &Form1::highFreqLog, false},
      {mnuReg60Db, lnReg60Db, false, "Amplitude Registration", "Low Amplitude", "db.", "60",
       "Specify the amplitude registration value for the low end of the graph. ", " Db",
       &Form1::lowDb, nullptr, false},
      {mnuReg90Db, lnReg90Db, false, "Amplitude Registration", "High Amplitude", "db.", "90",
       "Specify the amplitude registration value for the high end of the graph. ", " Db",
       &Form1::highDb, nullptr, false},
      {mnuReg4Ohm, lnReg4Ohm, false, "Impedance Registration", "Low Impedance", "Ohms", "4",
       "Specify the impedance registration value for the low end of the graph. ", " Ohms",
       &Form1::lowOhm, &Form1::lowOhmScaled, true},
      {mnuReg16Ohm, lnReg16Ohm, false, "Impedance Registration", "High Impedance", "Ohms", "16",
       "Specify the impedance registration value for the high end of the graph. ", " Ohms",
       &Form1::highOhm, &Form1::highOhmScaled, true},
  }};
  // clang-format on
  mnuOhmScale2->setChecked(true);

  Graph[0]->SetClickHandler([this] { Graph_Click(0); });
  Graph[0]->SetMouseMoveHandler(
      [this](int button, int shift, float x, float y) { Graph_MouseMove(0, button, shift, x, y); });
  Graph[0]->SetKeyDownHandler([this](int keyCode, int shift) { Graph_KeyDown(0, keyCode, shift); });
  CreateEditCommands();
  CreateSessionCommands();
  autoTraceTimer_ = new QTimer(this);
  autoTraceTimer_->setSingleShot(true);
  connect(autoTraceTimer_, &QTimer::timeout, this, [this] {
    try {
      // A slice of about a twentieth of a second keeps the window answering (it handles its events
      // and repaints what the slice recorded in between).
      AutoTraceSteps(std::numeric_limits<int>::max(), QDeadlineTimer(50));
    } catch (const std::exception&) {
      StopAutoTrace();
    }
  });

  connect(mnuImportClipboard, &QAction::triggered, this, &Form1::mnuImportClipboard_Click);
  connect(mnuImportFile, &QAction::triggered, this, &Form1::mnuImportFile_Click);
  connect(mnuSaveAs, &QAction::triggered, this, &Form1::mnuSaveAs_Click);
  connect(mnuExit, &QAction::triggered, this, &Form1::mnuExit_Click);
  connect(mnuReg100Hz, &QAction::triggered, this, &Form1::mnuReg100Hz_Click);
  connect(mnuReg10000Hz, &QAction::triggered, this, &Form1::mnuReg10000Hz_Click);
  connect(mnuReg60Db, &QAction::triggered, this, &Form1::mnuReg60Db_Click);
  connect(mnuReg90Db, &QAction::triggered, this, &Form1::mnuReg90Db_Click);
  connect(mnuReg4Ohm, &QAction::triggered, this, &Form1::mnuReg4Ohm_Click);
  connect(mnuReg16Ohm, &QAction::triggered, this, &Form1::mnuReg16Ohm_Click);
  connect(mnuOhmScale10, &QAction::triggered, this, &Form1::mnuOhmScale10_Click);
  connect(mnuOhmScale2, &QAction::triggered, this, &Form1::mnuOhmScale2_Click);
  connect(mnuOhmScale1, &QAction::triggered, this, &Form1::mnuOhmScale1_Click);
  connect(mnuAutoRegister, &QAction::triggered, this, &Form1::mnuAutoRegister_Click);
  connect(mnuTraceOptions, &QAction::triggered, this, &Form1::mnuTraceOptions_Click);
  connect(mnuTraceStartSPL, &QAction::triggered, this, &Form1::mnuTraceStartSPL_Click);
  connect(mnuTraceStartImpedance, &QAction::triggered, this, &Form1::mnuTraceStartImpedance_Click);
  connect(mnuTraceStop, &QAction::triggered, this, &Form1::mnuTraceStop_Click);
  connect(mnuSaveTrace, &QAction::triggered, this, &Form1::mnuSaveTrace_Click);
  connect(mnuUndoPoint, &QAction::triggered, this, &Form1::mnuUndoPoint_Click);
  connect(mnuPickColour, &QAction::triggered, this, &Form1::mnuPickColour_Click);
  connect(mnuAutoTrace, &QAction::triggered, this, &Form1::mnuAutoTrace_Click);
  connect(mnuMagnifier, &QAction::triggered, this, &Form1::mnuMagnifier_Click);
  connect(mnuSnapLines, &QAction::triggered, this, &Form1::mnuSnapLines_Click);
  connect(mnuStraighten, &QAction::triggered, this, &Form1::mnuStraighten_Click);
  connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

Form1::~Form1() = default;

void Form1::Form_Load() {
  try {
    isTracing = false;
    isTraceArmed = false;
    isTraceUnsaved = false;
    isGraphImported = false;
    traceXOffset = 15;
    traceYOffset = 0;
    ResetRegistrationValues();
    ResetTracerWindow();
    g_.traceStartFreq = 20;
    g_.traceStopFreq = 20000;
    g_.tracePointLimit = 400;
    g_.useTraceLimits = false;
    platform::ShowMaximized(*this);
    QCoreApplication::processEvents();
    Form_Resize();
    Graph[0]->setFocus();
  } catch (const std::exception&) {
    // The window stays as far as it was set up.
  }
}

void Form1::Form_Resize() {
  try {
    const QSize outer = platform::OuterSizeTwips(*this);
    if (outer.height() > 1000) {
      Graph[0]->Move(120, 0, std::max(0, outer.width() - 360), outer.height() - 960);
    }
    const int W0 = Graph[0]->Width();
    const int H0 = Graph[0]->Height();
    for (platform::LineShape* line : {lnReg60Db, lnReg90Db, lnReg4Ohm, lnReg16Ohm}) {
      line->SetX2(static_cast<float>(W0));
    }
    lnReg100Hz->SetY2(static_cast<float>(H0));
    lnReg10000Hz->SetY2(static_cast<float>(H0));
    pnlTrace->SetHeight(static_cast<float>(H0));
    if (!Graph[1]->Picture().isNull()) {
      PlaceShapesOnPicture();
    }
    StretchPicture();
  } catch (const std::exception&) {
    // Without a picture to stretch the graph area shows what it showed; nothing is reported.
  }
}

void Form1::StretchPicture() {
  const int W1 = Graph[1]->Width();
  const int H1 = Graph[1]->Height();
  const int W0 = Graph[0]->Width();
  const int H0 = Graph[0]->Height();
  Graph[0]->PaintPicture(Graph[1]->Picture(), 0, 0, W0, H0, 0, 0, W1, H1);
}

void Form1::ResetTracerWindow() {
  isTracing = false;
  isTraceArmed = false;
  isTraceUnsaved = false;
  isGraphImported = false;
  for (platform::PictureBox* box : Graph) {
    box->SetPicture({});
    box->Cls();
  }
  pnlTrace->Move(0, 0, 120, static_cast<float>(Graph[0]->Height()));
  lnTrace->SetX1(0);
  lnTrace->SetX2(pnlTrace->Width());
  for (auto it = references_.rbegin(); it != references_.rend(); ++it) {
    Unregister(*it);
  }
  mnuOhmScale2->setChecked(true);
  mnuOhmScale10->setChecked(false);
  mnuOhmScale1->setChecked(false);
  ClearTracePoints();
  KeepImportedPicture({});
  sessionPath_.clear();
  // A curve picked on the previous picture means nothing on the next one, nor do its lines.
  curvePick.reset();
  curveTexture_.Clear();
  isPickingColour = false;
  isStraightening = false;
  pictureLean = 0;
  lines_.reset();
  Graph[0]->unsetCursor();
  picMagnifier->hide();
  // With every reference unregistered the panels show their captions alone.
  UpdatePositionReadout();
}

bool Form1::AskToSaveTrace() {
  if (!isTracing || !isTraceUnsaved) {
    return true;
  }
  switch (services_.messageBox.Show(QStringLiteral("Do you want to save the current trace data?"),
                                    platform::MessageButtons::kYesNoCancel, kTitle)) {
    case platform::MessageResult::kCancel:
      return false;
    case platform::MessageResult::kYes:
      return SaveTrace();
    default:
      return true;
  }
}

void Form1::ImportGraph(const std::function<QImage()>& take, const QString& failure) {
  EndTrace();
  ResetRegistrationValues();
  ResetTracerWindow();
  try {
    // The previous picture is gone before the next one is decoded.
    QImage picture = take();
    if (picture.isNull() || picture.width() > kLargestPicture || picture.height() > kLargestPicture) {
      throw std::invalid_argument("no picture to import");
    }
    ShowPicture(StraightenOnImport(std::move(picture)));
  } catch (const std::exception&) {
    Graph[1]->SetPicture({});
    services_.messageBox.Show(failure, platform::MessageButtons::kOk, kTitle);
  }
}

void Form1::mnuImportClipboard_Click() {
  try {
    StopAutoTrace();
    if (!AskToSaveTrace()) {
      return;
    }
    ImportGraph([this] { return services_.clipboard.Picture(); }, kNoClipboardPicture);
  } catch (const std::exception&) {
  }
}

void Form1::mnuImportFile_Click() {
  try {
    StopAutoTrace();
    platform::FileDialogSettings settings;
    settings.cancelError = true;
    settings.title = QStringLiteral("Import Graph");
    settings.filter = kPictureFilter;
    const std::optional<QString> path = services_.fileDialog.ShowOpen(settings);
    if (path && !path->isEmpty()) {
      ImportPictureFile(*path);
    }
  } catch (const std::exception&) {
  }
}

void Form1::ImportPictureFile(const QString& path) {
  try {
    StopAutoTrace();
    if (!AskToSaveTrace()) {
      return;
    }
    QByteArray png;
    ImportGraph([&path, &png] { return ReadPicture(path, kLargestPicture, png); }, kNoFilePicture);
    // A sound PNG file's own bytes hold the picture as imported for a session.
    if (isGraphImported && ReadPngChunks(png)) {
      pictureBytes_ = std::move(png);
      importedPicture_ = QImage();
    }
  } catch (const std::exception&) {
  }
}

void Form1::mnuExit_Click() {
  try {
    StopAutoTrace();
    if (AskToSaveTrace()) {
      services_.application.Quit();
    }
  } catch (const std::exception&) {
  }
}

void Form1::closeEvent(QCloseEvent* event) {
  try {
    StopAutoTrace();
    if (!AskToSaveTrace()) {
      event->ignore();
      return;
    }
  } catch (const std::exception&) {
  }
  event->accept();
  // The hidden value dialog must not keep the program running.
  services_.application.Quit();
}

void Form1::keyPressEvent(QKeyEvent* event) {
  // Esc stops Auto Trace wherever the keyboard focus is.
  if (event->key() == Qt::Key_Escape && isAutoTracing) {
    StopAutoTrace();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime->hasImage() || !DroppedFile(*mime).isEmpty()) {
    event->acceptProposedAction();
  }
}

void Form1::dropEvent(QDropEvent* event) {
  try {
    const QMimeData* mime = event->mimeData();
    const QString path = DroppedFile(*mime);
    event->acceptProposedAction();
    StopAutoTrace();
    if (!path.isEmpty()) {
      OpenFile(path);
    } else if (AskToSaveTrace()) {
      ImportGraph([mime] { return qvariant_cast<QImage>(mime->imageData()); }, kNoFilePicture);
    }
  } catch (const std::exception&) {
  }
}

void Form1::mnuAbout_Click() {
  try {
    StopAutoTrace();
    about::frmAbout box(TracerInfo(), services_.messageBox, services_.registry, services_.programs, this);
    services_.modal.ShowModal(box);
  } catch (const std::exception&) {
  }
}

}  // namespace tracer
