#include "frmMain.h"
#include "Widgets.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QSaveFile>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>

#include "Files.h"
#include "GraphView.h"
#include "ResponseFile.h"
#include "ViewerInfo.h"
#include "Window.h"
#include "frmMagnitude.h"
#include "frmNormalize.h"
#include "numbers.h"

namespace viewer {

namespace {

using platform::Named;
using platform::NewAction;
using platform::NewMenu;
using platform::NewSeparator;
using platform::NewSubMenu;

const QString kTitle = QStringLiteral("Vostrel");
const QString kSaveAsTitle = QStringLiteral("Vostrel - SaveAs");
const QString kNoFile = QStringLiteral("File: none");
const QString kImpedanceFilter = QStringLiteral("Impedance Data (*.zma;*.zda)|*.zma;*.zda");
const QString kResponseFilter = QStringLiteral("Frequency Response Data (*.frd)|*.frd");

}  // namespace

frmMain::frmMain(GlobalVariables& globals, const platform::Services& services, QWidget* parent)
    : FormWindow(parent),
      StatusBar(Named(new platform::StatusBar({3, 2}, this), "StatusBar")),
      pctFrame(Named(new platform::PictureBox(new QWidget(this)), "pctFrame")),
      pctGraph(Named(new platform::PictureBox(pctFrame), "pctGraph")),
      HMeasureGraph(Named(new platform::PictureBox(pctFrame), "HMeasureGraph")),
      VMeasureGraph(Named(new platform::PictureBox(pctFrame), "VMeasureGraph")),
      HScrollGraph(Named(new platform::ScrollBar(Qt::Horizontal, pctFrame), "HScrollGraph")),
      VScrollGraph(Named(new platform::ScrollBar(Qt::Vertical, pctFrame), "VScrollGraph")),
      mnuFile(NewMenu(menuBar(), "mnuFile", QStringLiteral("File"))),
      mnuOpen(NewSubMenu(mnuFile, "mnuOpen", QStringLiteral("Open"))),
      mnuOpenSpl(NewAction(mnuOpen, "mnuOpenSpl", QStringLiteral("Frequency Response Data File"))),
      mnuOpenImpedance(NewAction(mnuOpen, "mnuOpenImpedance", QStringLiteral("Impedance Data File"))),
      mnuClose(NewAction(mnuFile, "mnuClose", QStringLiteral("Close"))),
      mnuSeparator1(NewSeparator(mnuFile, "mnuSeparator1")),
      mnuSave(NewAction(mnuFile, "mnuSave", QStringLiteral("Save"))),
      mnuSaveAs(NewAction(mnuFile, "mnuSaveAs", QStringLiteral("Save As..."))),
      mnuExportPicture(NewAction(mnuFile, "mnuExportPicture", QStringLiteral("Export Picture..."))),
      mnuSeparator2(NewSeparator(mnuFile, "mnuSeparator2")),
      mnuExit(NewAction(mnuFile, "mnuExit", QStringLiteral("Exit"))),
      mnuTools(NewMenu(menuBar(), "mnuTools", QStringLiteral("Tools"))),
      mnuNormalize(NewAction(mnuTools, "mnuNormalize", QStringLiteral("Normalize Data..."))),
      mnuMagnidude(NewAction(mnuTools, "mnuMagnidude", QStringLiteral("Adjust Magnitude..."))),
      mnuView(NewMenu(menuBar(), "mnuView", QStringLiteral("View"))),
      mnuZoomIn(NewAction(mnuView, "mnuZoomIn", QStringLiteral("Zoom In"))),
      mnuZoomOut(NewAction(mnuView, "mnuZoomOut", QStringLiteral("Zoom Out"))),
      mnuZoomFit(NewAction(mnuView, "mnuZoomFit", QStringLiteral("Fit Data"))),
      mnuHelp(NewMenu(menuBar(), "mnuHelp", QStringLiteral("Help"))),
      mnuAbout(NewAction(mnuHelp, "mnuAbout", QStringLiteral("About"))),
      g_(globals),
      services_(services) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(kTitle);
  setStatusBar(StatusBar);

  QWidget* client = pctFrame->parentWidget();
  client->setObjectName(QStringLiteral("client"));
  SetClientArea(client);

  // Stacking inside the frame, from the bottom: the surface, then the rulers and the scroll bars,
  // then the strips beside the scroll bars and the two corner squares.
  pctStrip[0] = Named(new platform::PictureBox(pctFrame), "pctStrip0");
  pctStrip[1] = Named(new platform::PictureBox(pctFrame), "pctStrip1");
  pctCorner[0] = Named(new platform::PictureBox(pctFrame), "pctCorner0");
  pctCorner[1] = Named(new platform::PictureBox(pctFrame), "pctCorner1");
  pctCorner[1]->SetBackColor(palette().color(QPalette::Button));
  pctGraph->lower();
  for (platform::PictureBox* cover : {pctStrip[0], pctStrip[1], pctCorner[0], pctCorner[1]}) {
    cover->raise();
    cover->setFocusPolicy(Qt::NoFocus);
  }
  for (platform::PictureBox* strip : pctStrip) {
    strip->SetBackColor(palette().color(QPalette::Window));
  }
  setAcceptDrops(true);
  pctFrame->setFocusPolicy(Qt::NoFocus);
  HMeasureGraph->setFocusPolicy(Qt::NoFocus);
  VMeasureGraph->setFocusPolicy(Qt::NoFocus);
  pctFrame->SetBackColor(palette().color(QPalette::Window));
  // The frequency ruler keeps no drawing of its own: it is drawn anew on each paint.
  HMeasureGraph->SetAutoRedraw(false);
  HMeasureGraph->SetPaintHandler([this] { HMeasureGraph_Paint(); });
  QFont rulerFont = HMeasureGraph->font();
  rulerFont.setPointSizeF(8);
  HMeasureGraph->setFont(rulerFont);
  VMeasureGraph->setFont(rulerFont);

  connect(mnuOpenSpl, &QAction::triggered, this, &frmMain::mnuOpenSpl_Click);
  connect(mnuOpenImpedance, &QAction::triggered, this, &frmMain::mnuOpenImpedance_Click);
  connect(mnuClose, &QAction::triggered, this, &frmMain::mnuClose_Click);
  connect(mnuSave, &QAction::triggered, this, &frmMain::mnuSave_Click);
  connect(mnuSaveAs, &QAction::triggered, this, &frmMain::mnuSaveAs_Click);
  connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
  connect(mnuNormalize, &QAction::triggered, this, &frmMain::mnuNormalize_Click);
  connect(mnuMagnidude, &QAction::triggered, this, &frmMain::mnuMagnidude_Click);
  connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
  connect(mnuZoomIn, &QAction::triggered, this, &frmMain::mnuZoomIn_Click);
  connect(mnuZoomOut, &QAction::triggered, this, &frmMain::mnuZoomOut_Click);
  connect(mnuZoomFit, &QAction::triggered, this, &frmMain::mnuZoomFit_Click);
  connect(mnuExportPicture, &QAction::triggered, this, &frmMain::mnuExportPicture_Click);
  // Ctrl++ also as Ctrl+= , where "+" needs Shift.
  mnuZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  mnuZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  mnuZoomFit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  pctGraph->setMouseTracking(true);
  pctGraph->installEventFilter(this);
  HScrollGraph->SetChangeHandler([this] { HScrollGraph_Change(); });
  HScrollGraph->SetScrollHandler([this] { HScrollGraph_Scroll(); });
  VScrollGraph->SetChangeHandler([this] { VScrollGraph_Change(); });
  VScrollGraph->SetScrollHandler([this] { VScrollGraph_Scroll(); });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pctGraph) {
    switch (event->type()) {
      case QEvent::MouseMove:
        pctGraph_MouseMove(static_cast<QMouseEvent*>(event)->position());
        break;
      case QEvent::Leave:
        StatusBar->SetPanelText(2, QString());
        break;
      case QEvent::Wheel:
        pctGraph_Wheel(*static_cast<QWheelEvent*>(event));
        return true;
      default:
        break;
    }
  }
  return FormWindow::eventFilter(watched, event);
}

void frmMain::Form_Load() {
  try {
    g_.dataLoaded = false;
    g_.dataNormalized = false;
    g_.dataAdjusted = false;
    g_.graphZoom = kStartZoom;
    mnuSaveAs->setEnabled(false);
    mnuSave->setEnabled(false);
    g_.fieldSeparator.assign(1, ' ');  // one blank (a literal trips a false -Wrestrict in GCC 12 -O2)
    g_.colorLoaded = QColor(0, 0, 255);
    g_.colorAdjusted = QColor(255, 0, 0);
    g_.colorNormalized = QColor(255, 0, 255);
    g_.colorGraphBack = QColor(224, 224, 216);
    g_.colorRulerBack = QColor(0, 0, 0);
    g_.colorRulerText = QColor(255, 255, 255);
    g_.colorGrid = QColor(0, 128, 0);
    g_.colorNegativeLabel = QColor(255, 128, 0);
    mnuTools->menuAction()->setEnabled(false);
    StatusBar->SetPanelText(1, kNoFile);
    g_.rulerSize = 270;
    g_.normStartFreq = 1;
    g_.normStopFreq = 50000;
    g_.normPoints = 1000;
    g_.normPointRange = 0;
    g_.normDistribution = 1;

    platform::ShowMaximized(*this);
    QCoreApplication::processEvents();

    Form_Resize();
    g_.graphSize = platform::RoundToInt32(pctFrame->Width() * g_.graphZoom);
    pctGraph->SetBackColor(g_.colorGraphBack);
    pctGraph->Move(0, 0, g_.graphSize, g_.graphSize);
    HMeasureGraph->Move(0, 0, g_.graphSize, g_.rulerSize);
    HMeasureGraph->SetBackColor(g_.colorRulerBack);
    HMeasureGraph->SetForeColor(g_.colorRulerText);
    VMeasureGraph->Move(0, 0, g_.rulerSize, g_.graphSize);
    VMeasureGraph->SetBackColor(g_.colorRulerBack);
    VMeasureGraph->SetForeColor(g_.colorRulerText);
    g_.graphBottomValue = -48;
    g_.graphTopValue = 120;
    pctCorner[0]->SetBackColor(g_.colorRulerBack);
  } catch (const std::exception&) {
    // The window stays as far as it was set up.
  }
}

std::unique_ptr<std::ifstream> frmMain::ChooseAndOpenDataFile(const std::optional<QString>& given) {
  StatusBar->SetPanelText(1, kNoFile);
  if (given) {
    return OpenForReading(*given);
  }
  dlgFile.cancelError = true;
  if (g_.dataIsImpedance != 0) {
    dlgFile.title = QStringLiteral("Open Impedance Data File");
    dlgFile.fileName = QStringLiteral("speaker.zda");
    dlgFile.defaultExt = QStringLiteral("zma");
    dlgFile.filter = kImpedanceFilter;
  } else {
    dlgFile.title = QStringLiteral("Open Frequency Response Data File");
    dlgFile.fileName = QStringLiteral("speaker.frd");
    dlgFile.defaultExt = QStringLiteral("frd");
    dlgFile.filter = kResponseFilter;
  }
  dlgFile.filterIndex = 1;

  const std::optional<QString> path = services_.fileDialog.ShowOpen(dlgFile);
  if (!path || path->isEmpty()) {
    StatusBar->SetPanelText(1, kNoFile);
    return nullptr;
  }
  return OpenForReading(*path);
}

std::unique_ptr<std::ifstream> frmMain::OpenForReading(const QString& path) {
  // Only a regular file is opened: opening a FIFO would wait for a writer for ever, and a
  // directory or a device has no data to give. Such a path opens as a stream that reads nothing,
  // so that it is refused as unreadable.
  auto file = std::make_unique<std::ifstream>();
  const std::filesystem::path native = platform::NativePath(path);
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(native, error);
  if (std::filesystem::is_regular_file(status)) {
    file->open(native, std::ios::in | std::ios::binary);
  } else if (std::filesystem::exists(status)) {
    file->setstate(std::ios::failbit);
  }
  if (!file->is_open() && file->good()) {
    StatusBar->SetPanelText(1, kNoFile);
    return nullptr;
  }
  StatusBar->SetPanelText(1, QStringLiteral("File: ") + path);
  return file;
}

void frmMain::OpenDataFile(int impedance, const std::optional<QString>& path) {
  try {
    g_.dataIsImpedance = impedance;
    std::unique_ptr<std::ifstream> file = ChooseAndOpenDataFile(path);
    if (!file) {
      return;
    }
    frequencyLogs_.clear();
    g_.dataLoaded = data::ReadResponseFile(*file, g_.loadedData);
    g_.dataNormalized = false;
    g_.dataAdjusted = false;
    g_.adjustedData.Clear();
    g_.normalizedData.Clear();
    mnuSaveAs->setEnabled(false);
    mnuSave->setEnabled(false);
    file.reset();
    if (g_.dataLoaded) {
      mnuTools->menuAction()->setEnabled(impedance == 0);
      pctGraph->Cls();
      DrawGrid();
      PlotResponse(g_.loadedData, g_.colorLoaded);
    } else {
      services_.messageBox.Show(QStringLiteral("Cannot read data from specified file."), platform::MessageButtons::kOk,
                                kTitle);
      StatusBar->SetPanelText(1, kNoFile);
    }
  } catch (const std::exception&) {
    // The command ends here; the window goes on.
  }
}

void frmMain::mnuOpenSpl_Click() { OpenDataFile(0); }

void frmMain::mnuOpenImpedance_Click() { OpenDataFile(1); }

void frmMain::OpenFileByKind(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  OpenDataFile(suffix == QLatin1String("zma") || suffix == QLatin1String("zda") ? 1 : 0, path);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
    event->acceptProposedAction();
  }
}

void frmMain::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  Form_OLEDragDrop(*event->mimeData());
}

void frmMain::Form_OLEDragDrop(const QMimeData& dropped) {
  for (const QUrl& url : dropped.urls()) {
    if (url.isLocalFile()) {
      OpenFileByKind(url.toLocalFile());
      return;
    }
  }
}

void frmMain::mnuClose_Click() {
  try {
    frequencyLogs_.clear();
    g_.loadedData.Clear();
    g_.adjustedData.Clear();
    g_.normalizedData.Clear();
    g_.dataLoaded = false;
    g_.dataNormalized = false;
    g_.dataAdjusted = false;
    mnuSaveAs->setEnabled(false);
    mnuSave->setEnabled(false);
    pctGraph->Cls();
    mnuTools->menuAction()->setEnabled(false);
    StatusBar->SetPanelText(1, kNoFile);
  } catch (const std::exception&) {
  }
}

void frmMain::mnuSave_Click() { dlgFile.cancelError = true; }

void frmMain::mnuSaveAs_Click() {
  try {
    dlgFile.cancelError = true;
    if (g_.dataIsImpedance != 0) {
      dlgFile.title = QStringLiteral("Save Impedance Data As");
      dlgFile.fileName = QStringLiteral("speaker.zda");
      dlgFile.filter = kImpedanceFilter;
      dlgFile.defaultExt = QStringLiteral("zda");
    } else {
      dlgFile.title = QStringLiteral("Save Frequency Data As");
      dlgFile.fileName = QStringLiteral("speaker.frd");
      dlgFile.filter = kResponseFilter;
      dlgFile.defaultExt = QStringLiteral("frd");
    }
    const std::optional<QString> path = services_.fileDialog.ShowSave(dlgFile);
    if (!path || path->isEmpty()) {
      return;
    }

    QFile existing(*path);
    if (existing.open(QIODevice::ReadOnly)) {
      existing.close();
      if (services_.messageBox.Show(QStringLiteral("The specified file exists. Do you want to overwrite it?"),
                                    platform::MessageButtons::kYesNo, kSaveAsTitle) != platform::MessageResult::kYes) {
        return;
      }
    }

    // Written to a temporary file that replaces the target only when complete, so a failure
    // leaves an existing file as it was.
    // Unbuffered, because a buffered flush that writes only part of the data (a full disk) does
    // not make commit() fail; write() itself reports the short count.
    QSaveFile target(*path);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
      services_.messageBox.Show(QStringLiteral("The specified file cannot be opened."),
                                platform::MessageButtons::kOkCancel, kSaveAsTitle);
      return;
    }
    // After Adjust Magnitude alone, the adjusted curve is the processed data the user sees.
    const data::ResponseSet& source = !g_.dataNormalized && g_.dataAdjusted ? g_.adjustedData : g_.normalizedData;
    const std::string text = data::FormatResponseFile(source, g_.fieldSeparator);
    const bool written =
        target.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
    if (!written || !target.commit()) {
      target.cancelWriting();
      services_.messageBox.Show(QStringLiteral("The data could not be written to the specified file."),
                                platform::MessageButtons::kOk, kSaveAsTitle);
    }
  } catch (const std::exception&) {
  }
}

void frmMain::mnuExit_Click() { services_.application.Quit(); }

void frmMain::RunTool(QDialog& dialog, const bool& produced) {
  services_.modal.ShowModal(dialog);
  frequencyLogs_.clear();
  // Also after Cancel, when an earlier run of the tool left its data.
  if (produced) {
    mnuSaveAs->setEnabled(true);
    RedrawGraph();
  }
}

void frmMain::mnuNormalize_Click() {
  try {
    frmNormalize dialog(g_, services_.messageBox, this);
    RunTool(dialog, g_.dataNormalized);
  } catch (const std::exception&) {
  }
}

void frmMain::mnuMagnidude_Click() {
  try {
    frmMagnitude dialog(g_, services_.messageBox, this);
    RunTool(dialog, g_.dataAdjusted);
  } catch (const std::exception&) {
  }
}

void frmMain::mnuAbout_Click() {
  try {
    // Modal, without owner.
    about::frmAbout box(ViewerInfo(), services_.messageBox, services_.registry, services_.programs);
    services_.modal.ShowModal(box);
  } catch (const std::exception&) {
  }
}

}  // namespace viewer
