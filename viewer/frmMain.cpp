#include "frmMain.h"
#include "Widgets.h"

#include <QActionGroup>
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
const QString kCannotRead = QStringLiteral("Cannot read data from specified file.");

// A path as the status bar and the legend show it (a name that is not UTF-8 shows its
// undecodable bytes as replacement characters).
QString Shown(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

// Impedance data by the extensions .zma and .zda, else frequency response data.
bool IsImpedancePath(const std::filesystem::path& path) {
  const QString suffix = Shown(path.extension()).toLower();
  return suffix == QLatin1String(".zma") || suffix == QLatin1String(".zda");
}

// Opens `path` for reading if it is a regular file. Only a regular file is opened: opening a FIFO
// would wait for a writer for ever, and a directory or a device has no data to give. Anything
// else (a path that is gone, a link loop, a directory) gives a stream that reads nothing, so that
// it is refused as unreadable.
std::unique_ptr<std::ifstream> OpenRegularFile(const std::filesystem::path& path) {
  auto file = std::make_unique<std::ifstream>();
  std::error_code error;
  if (std::filesystem::is_regular_file(std::filesystem::status(path, error))) {
    file->open(path, std::ios::in | std::ios::binary);
  }
  if (!file->is_open()) {
    file->setstate(std::ios::failbit);
  }
  return file;
}

std::vector<std::filesystem::path> LocalFiles(const QMimeData& dropped) {
  std::vector<std::filesystem::path> files;
  for (const QUrl& url : dropped.urls()) {
    if (url.isLocalFile()) {
      files.push_back(platform::NativePath(url.toLocalFile()));
    }
  }
  return files;
}

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
      pctLegend(Named(new platform::PictureBox(pctFrame), "pctLegend")),
      mnuFile(NewMenu(menuBar(), "mnuFile", QStringLiteral("File"))),
      mnuOpen(NewSubMenu(mnuFile, "mnuOpen", QStringLiteral("Open"))),
      mnuOpenSpl(NewAction(mnuOpen, "mnuOpenSpl", QStringLiteral("Frequency Response Data File"))),
      mnuOpenImpedance(NewAction(mnuOpen, "mnuOpenImpedance", QStringLiteral("Impedance Data File"))),
      mnuClose(NewAction(mnuFile, "mnuClose", QStringLiteral("Close"))),
      mnuAddOverlay(NewAction(mnuFile, "mnuAddOverlay", QStringLiteral("Add Overlay..."))),
      mnuRemoveOverlays(NewAction(mnuFile, "mnuRemoveOverlays", QStringLiteral("Remove Overlays"))),
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
      mnuSmoothing(NewSubMenu(mnuView, "mnuSmoothing", QStringLiteral("Smoothing"))),
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
  // The legend lies on the graph, under the rulers and the scroll bars; the pointer goes through it
  // to the graph.
  pctLegend->stackUnder(HMeasureGraph);
  pctLegend->setAttribute(Qt::WA_TransparentForMouseEvents);
  pctLegend->setFocusPolicy(Qt::NoFocus);
  pctLegend->SetBackColor(Qt::white);
  pctLegend->hide();
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
  connect(mnuAddOverlay, &QAction::triggered, this, &frmMain::mnuAddOverlay_Click);
  connect(mnuRemoveOverlays, &QAction::triggered, this, &frmMain::mnuRemoveOverlays_Click);
  auto* smoothings = new QActionGroup(this);
  for (std::size_t i = 0; i < kSmoothingFractions.size(); ++i) {
    const int fraction = kSmoothingFractions[i];
    const QString caption = fraction == 0 ? QStringLiteral("None") : QStringLiteral("1/%1 Octave").arg(fraction);
    const QByteArray name = "mnuSmoothing" + QByteArray::number(static_cast<int>(i));
    QAction* item = NewAction(mnuSmoothing, name.constData(), caption);
    item->setCheckable(true);
    item->setChecked(i == 0);
    smoothings->addAction(item);
    connect(item, &QAction::triggered, this, [this, i] { mnuSmoothing_Click(static_cast<int>(i)); });
    mnuSmoothingItems[i] = item;
  }
  // The usual keys, Qt's standard ones where it has them; Ctrl+S saves what the tools made.
  mnuOpenSpl->setShortcut(QKeySequence::Open);
  mnuSaveAs->setShortcut(QKeySequence::Save);
  mnuExit->setShortcut(QKeySequence::keyBindings(QKeySequence::Quit).isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Q)
                                                                               : QKeySequence(QKeySequence::Quit));
  mnuAddOverlay->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
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
    g_.colorOverlays = {QColor(230, 120, 0), QColor(0, 140, 140), QColor(0, 0, 0),     QColor(120, 40, 160),
                        QColor(0, 170, 230), QColor(140, 80, 20), QColor(160, 150, 0), QColor(128, 128, 128)};
    mnuTools->menuAction()->setEnabled(false);
    UpdateOverlayState();
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

std::unique_ptr<std::ifstream> frmMain::ChooseAndOpenDataFile(const std::optional<std::filesystem::path>& given,
                                                              std::filesystem::path& chosen) {
  StatusBar->SetPanelText(1, kNoFile);
  if (given) {
    chosen = *given;
    return OpenForReading(chosen);
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
  chosen = platform::NativePath(*path);
  return OpenForReading(chosen);
}

std::unique_ptr<std::ifstream> frmMain::OpenForReading(const std::filesystem::path& path) {
  StatusBar->SetPanelText(1, QStringLiteral("File: ") + Shown(path));
  return OpenRegularFile(path);
}

void frmMain::OpenDataFile(int impedance, const std::optional<std::filesystem::path>& path) {
  try {
    g_.dataIsImpedance = impedance;
    std::filesystem::path chosen;
    std::unique_ptr<std::ifstream> file = ChooseAndOpenDataFile(path, chosen);
    if (!file) {
      return;
    }
    curves_.clear();
    g_.dataLoaded = data::ReadResponseFile(*file, g_.loadedData);
    g_.dataNormalized = false;
    g_.dataAdjusted = false;
    g_.adjustedData.Clear();
    g_.normalizedData.Clear();
    mnuSaveAs->setEnabled(false);
    mnuSave->setEnabled(false);
    file.reset();
    loadedImpedance_ = impedance != 0;
    adjustedLast_ = false;
    if (g_.dataLoaded) {
      loadedName_ = Shown(chosen.filename());
      mnuTools->menuAction()->setEnabled(impedance == 0);
      pctGraph->Cls();
      DrawGrid();
      DrawOverlays();
      PlotResponse(g_.loadedData, g_.colorLoaded);
    } else {
      // Nothing is loaded now, and the graph shows no curve that would say otherwise.
      pctGraph->Cls();
      services_.messageBox.Show(kCannotRead, platform::MessageButtons::kOk, kTitle);
      StatusBar->SetPanelText(1, kNoFile);
    }
    UpdateOverlayState();
  } catch (const std::exception&) {
    // The command ends here; the window goes on.
  }
}

void frmMain::mnuOpenSpl_Click() { OpenDataFile(0); }

void frmMain::mnuOpenImpedance_Click() { OpenDataFile(1); }

void frmMain::OpenFileByKind(const std::filesystem::path& path) { OpenDataFile(IsImpedancePath(path) ? 1 : 0, path); }

void frmMain::OpenFileByKind(const QString& path) { OpenFileByKind(platform::NativePath(path)); }

void frmMain::OpenFiles(const std::vector<std::filesystem::path>& paths) {
  try {
    if (paths.empty()) {
      return;
    }
    OpenFileByKind(paths.front());
    if (g_.dataLoaded && paths.size() > 1) {
      AddOverlays({paths.begin() + 1, paths.end()});
    }
  } catch (const std::exception&) {
  }
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
    event->acceptProposedAction();
  }
}

void frmMain::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  Form_OLEDragDrop(*event->mimeData(), event->modifiers().testFlag(Qt::ShiftModifier));
}

void frmMain::Form_OLEDragDrop(const QMimeData& dropped, bool shift) {
  try {
    const std::vector<std::filesystem::path> files = LocalFiles(dropped);
    if (files.empty()) {
      return;
    }
    if (!shift) {
      OpenFileByKind(files.front());
    } else if (g_.dataLoaded) {
      AddOverlays(files);
    } else {
      OpenFiles(files);
    }
  } catch (const std::exception&) {
  }
}

void frmMain::mnuClose_Click() {
  try {
    curves_.clear();
    overlays_.clear();
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
    UpdateOverlayState();
  } catch (const std::exception&) {
  }
}

void frmMain::mnuAddOverlay_Click() {
  try {
    platform::FileDialogSettings settings;
    settings.cancelError = true;
    settings.title = QStringLiteral("Add Overlay");
    settings.filter = kResponseFilter + QLatin1Char('|') + kImpedanceFilter;
    settings.filterIndex = 1;
    settings.defaultExt = QStringLiteral("frd");
    const std::optional<QString> path = services_.fileDialog.ShowOpen(settings);
    if (path && !path->isEmpty()) {
      AddOverlays({platform::NativePath(*path)});
    }
  } catch (const std::exception&) {
  }
}

void frmMain::AddOverlays(const std::vector<std::filesystem::path>& paths) {
  try {
    bool added = false;
    for (const std::filesystem::path& path : paths) {
      if (overlays_.size() >= kMaxOverlays) {
        services_.messageBox.Show(QStringLiteral("No more than %1 overlays can be shown.").arg(kMaxOverlays),
                                  platform::MessageButtons::kOk, kTitle);
        break;
      }
      Overlay overlay;
      const std::unique_ptr<std::ifstream> file = OpenRegularFile(path);
      if (!data::ReadResponseFile(*file, overlay.data)) {
        services_.messageBox.Show(kCannotRead, platform::MessageButtons::kOk, kTitle);
        continue;
      }
      overlay.name = Shown(path.filename());
      overlay.impedance = IsImpedancePath(path);
      overlay.color = g_.colorOverlays[overlays_.size() % g_.colorOverlays.size()];
      overlays_.push_back(std::move(overlay));
      added = true;
    }
    if (added) {
      RedrawKeepingView();
    }
    UpdateOverlayState();
  } catch (const std::exception&) {
  }
}

void frmMain::mnuRemoveOverlays_Click() {
  try {
    for (const Overlay& overlay : overlays_) {
      curves_.erase(&overlay.data);
    }
    overlays_.clear();
    RedrawKeepingView();
    UpdateOverlayState();
  } catch (const std::exception&) {
  }
}

void frmMain::mnuSmoothing_Click(int index) {
  try {
    mnuSmoothingItems.at(static_cast<std::size_t>(index))->setChecked(true);
    for (auto& [set, cache] : curves_) {
      cache.smoothed = {};
    }
    RedrawKeepingView();
    UpdateOverlayState();
  } catch (const std::exception&) {
  }
}

int frmMain::SmoothingFraction() const {
  for (std::size_t i = 0; i < mnuSmoothingItems.size(); ++i) {
    if (mnuSmoothingItems[i]->isChecked()) {
      return kSmoothingFractions[i];
    }
  }
  return 0;
}

void frmMain::UpdateOverlayState() {
  mnuAddOverlay->setEnabled(g_.dataLoaded && overlays_.size() < kMaxOverlays);
  mnuRemoveOverlays->setEnabled(!overlays_.empty());
  DrawLegend();
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
    // The set the last tool built: the adjusted one when Adjust Magnitude ran after Normalize Data
    // (or alone), else the normalized one.
    const bool adjusted = g_.dataAdjusted && (adjustedLast_ || !g_.dataNormalized);
    const data::ResponseSet& source = adjusted ? g_.adjustedData : g_.normalizedData;
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

void frmMain::RunTool(QDialog& dialog, const bool& produced, bool adjusts) {
  services_.modal.ShowModal(dialog);
  if (dialog.result() == QDialog::Accepted) {
    adjustedLast_ = adjusts;
  }
  curves_.clear();
  // Also after Cancel, when an earlier run of the tool left its data.
  if (produced) {
    mnuSaveAs->setEnabled(true);
    RedrawGraph();
  }
}

void frmMain::mnuNormalize_Click() {
  try {
    frmNormalize dialog(g_, services_.messageBox, this);
    RunTool(dialog, g_.dataNormalized, false);
  } catch (const std::exception&) {
  }
}

void frmMain::mnuMagnidude_Click() {
  try {
    frmMagnitude dialog(g_, services_.messageBox, this);
    RunTool(dialog, g_.dataAdjusted, true);
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
