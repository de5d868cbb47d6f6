// The tracer window's sessions: File > Save Session... writes the picture as imported with the
// registration, the trace options and the trace into one file, and File > Open Session... (or the
// command line, or a drop) puts all of it back.
#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QMenu>
#include <QSaveFile>

#include "Form1.h"
#include "PictureLean.h"
#include "SessionFile.h"
#include "Widgets.h"
#include "numbers.h"

namespace tracer {

namespace {

const QString kSessionFilter = QStringLiteral("Quelbrin Sessions (*.qtrace)|*.qtrace");
const QString kNotASession = QStringLiteral("The file is not a session that Quelbrin can open.");

QByteArray EncodePng(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QImageWriter writer(&buffer, "png");
  if (!buffer.open(QIODevice::WriteOnly) || !writer.write(picture)) {
    throw std::runtime_error("the picture could not be encoded");
  }
  return bytes;
}

// The picture of a session file whose session was read: decoded, and of the size it gives.
QImage DecodePicture(const QByteArray& file, QSize size) {
  QBuffer buffer;
  buffer.setData(file);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  QImage picture = reader.read();
  return picture.size() == size ? picture : QImage();
}

ReferenceState StateOf(const QAction* item) {
  const QString tag = Tag(item);
  return tag == QLatin1String("2")   ? ReferenceState::kRegistered
         : tag == QLatin1String("1") ? ReferenceState::kPlacing
                                     : ReferenceState::kUnregistered;
}

}  // namespace

Form1::ImportedPicture Form1::TakeImportedPicture() {
  ImportedPicture imported{std::move(pictureBytes_), std::move(importedPicture_), importLean_, std::move(handLeans_)};
  // Straightened by hand for the first time: the picture shown is the one imported.
  if (imported.bytes.isEmpty() && imported.picture.isNull()) {
    imported.picture = Graph[1]->Picture();
  }
  return imported;
}

void Form1::KeepImportedPicture(ImportedPicture imported) {
  pictureBytes_ = std::move(imported.bytes);
  importedPicture_ = std::move(imported.picture);
  importLean_ = imported.importLean;
  handLeans_ = std::move(imported.handLeans);
}

void Form1::CreateSessionCommands() {
  mnuOpenSession = platform::Named(new QAction(QStringLiteral("Open Session..."), mnuFile), "mnuOpenSession");
  mnuSaveSession = platform::Named(new QAction(QStringLiteral("Save Session..."), mnuFile), "mnuSaveSession");
  mnuFile->insertActions(mnuSaveAs, {mnuOpenSession, mnuSaveSession});
  connect(mnuOpenSession, &QAction::triggered, this, &Form1::mnuOpenSession_Click);
  connect(mnuSaveSession, &QAction::triggered, this, &Form1::mnuSaveSession_Click);
}

Session Form1::TakeSession() const {
  Session s;
  s.picture = Graph[1]->Picture().size();
  s.importLean = importLean_;
  s.handLeans = handLeans_;
  s.ohmScale = CheckedOhmScale();
  for (std::size_t i = 0; i < references_.size(); ++i) {
    const Reference& r = references_[i];
    s.references[i] = {StateOf(r.item), this->*r.value, places_.references[i]};
  }
  s.useTraceLimits = g_.useTraceLimits;
  s.traceStartFreq = g_.traceStartFreq;
  s.traceStopFreq = g_.traceStopFreq;
  s.tracePointLimit = g_.tracePointLimit;
  s.impedance = isImpedanceTrace || isImpedanceRecorded;
  s.state = !isTracing ? TraceState::kStopped : isTraceArmed ? TraceState::kArmed : TraceState::kRunning;
  s.unsaved = isTraceUnsaved;
  s.atEnd = isTraceAtEnd;
  s.markerColumn = places_.markerColumn;
  s.lineColumn = places_.lineColumn;
  s.lineHeight = places_.height;
  s.startLog = traceStartLog;
  s.logStep = traceLogStep;
  s.stepNumber = traceStepNumber;
  s.readFrequency = curFreq;
  s.readLevel = curDb;
  s.readImpedance = curOhm;
  s.curve = curvePick;
  s.pickedAt = platform::CheckedNarrow<std::int32_t>(pickedAt_);
  s.points.reserve(tracePlaces.size());
  for (std::size_t k = 0; k < tracePlaces.size(); ++k) {
    s.points.push_back({traceFreqs[k], traceDbs[k], traceOhms[k], tracePlaces[k].onPicture, tracePlaces[k].step});
  }
  return s;
}

void Form1::RestoreSession(const Session& s, QImage picture, QByteArray fileBytes) {
  EndTrace();
  ResetRegistrationValues();
  ResetTracerWindow();
  // The picture as imported, straightened again by the same turns: the same pixels.
  ShowPicture(s.importLean ? Straighten(picture, *s.importLean) : std::move(picture));
  pictureLean = s.importLean.value_or(0);
  for (const double lean : s.handLeans) {
    ShowPicture(Straighten(Graph[1]->Picture(), lean));
    pictureLean += lean;
  }
  KeepImportedPicture({std::move(fileBytes), QImage(), s.importLean, s.handLeans});

  // The values first, then the scale, which derives the impedances' logarithms from them.
  for (std::size_t i = 0; i < references_.size(); ++i) {
    const Reference& r = references_[i];
    const SessionReference& saved = s.references[i];
    this->*r.value = saved.value;
    if (r.derived != nullptr && !r.impedance) {
      this->*r.derived = LogBase10(saved.value);
    }
    const bool shown = saved.state != ReferenceState::kUnregistered;
    SetTag(r.item, saved.state == ReferenceState::kRegistered ? QStringLiteral("2")
                   : shown                                    ? QStringLiteral("1")
                                                              : QStringLiteral("0"));
    r.item->setChecked(shown);
    r.line->SetVisible(shown);
    places_.references[i] = saved.place;
  }
  SetOhmScale(s.ohmScale == OhmScale::kBase10  ? mnuOhmScale10
              : s.ohmScale == OhmScale::kBase2 ? mnuOhmScale2
                                               : mnuOhmScale1);
  g_.useTraceLimits = s.useTraceLimits;
  g_.traceStartFreq = s.traceStartFreq;
  g_.traceStopFreq = s.traceStopFreq;
  g_.tracePointLimit = s.tracePointLimit;

  isTracing = s.state != TraceState::kStopped;
  isTraceArmed = s.state == TraceState::kArmed;
  isImpedanceTrace = isTracing && s.impedance;
  isImpedanceRecorded = s.impedance;
  isTraceUnsaved = s.unsaved;
  isTraceAtEnd = s.atEnd;
  traceStartLog = s.startLog;
  traceLogStep = s.logStep;
  traceStepNumber = s.stepNumber;
  curvePick = s.curve;
  curveTexture_.Clear();
  pickedAt_ = static_cast<std::size_t>(s.pickedAt);  // not negative
  for (const SessionPoint& p : s.points) {
    traceFreqs.push_back(p.frequency);
    traceDbs.push_back(p.level);
    traceOhms.push_back(p.impedance);
    tracePlaces.push_back({p.place, p.step});
  }
  g_.recordedPointCount = platform::CheckedNarrow<std::int32_t>(s.points.size());
  places_.markerColumn = s.markerColumn;
  places_.lineColumn = s.lineColumn;
  places_.height = s.lineHeight;
  pnlTrace->SetVisible(isTracing);
  lnTrace->SetVisible(isTracing);
  mnuTraceStartSPL->setEnabled(!isTracing);
  mnuTraceStartImpedance->setEnabled(!isTracing);
  // Everything placed on the picture goes to its twips at the window's present size.
  PlaceShapesOnPicture();
  isTraceAtEnd = s.atEnd;
  QString status;
  if (isTraceArmed) {
    status = isImpedanceTrace ? QStringLiteral("Starting Impedance Trace") : QStringLiteral("Starting SPL Trace");
  } else if (isTracing) {
    status = TraceStatus();
  }
  StatusBar->SetPanelText(4, status);
  UpdatePositionReadout();
  // What the next click records, as it was.
  curFreq = s.readFrequency;
  curDb = s.readLevel;
  curOhm = s.readImpedance;
}

void Form1::mnuSaveSession_Click() {
  try {
    StopAutoTrace();
    if (!isGraphImported) {
      services_.messageBox.Show(kImportFirst, platform::MessageButtons::kOk, kTitle);
      return;
    }
    platform::FileDialogSettings settings;
    settings.cancelError = true;
    settings.title = QStringLiteral("Save Session");
    settings.fileName = sessionPath_.isEmpty() ? QStringLiteral("speaker.qtrace") : sessionPath_;
    settings.filter = kSessionFilter;
    settings.defaultExt = QStringLiteral("qtrace");
    settings.overwritePrompt = true;
    const std::optional<QString> path = services_.fileDialog.ShowSave(settings);
    if (path && !path->isEmpty()) {
      SaveSessionFile(*path);
    }
  } catch (const std::exception&) {
  }
}

bool Form1::SaveSessionFile(const QString& path) {
  bool written = false;
  try {
    const Session session = TakeSession();
    // The imported file's own bytes; else the picture as imported, encoded once.
    std::optional<QByteArray> file = JoinSessionFile(pictureBytes_, session);
    if (!file) {
      pictureBytes_ = EncodePng(importedPicture_.isNull() ? Graph[1]->Picture() : importedPicture_);
      importedPicture_ = QImage();
      file = JoinSessionFile(pictureBytes_, session);
    }
    // Written to a temporary file that replaces the target only when complete; unbuffered, so
    // that a short write (a full disk) is seen.
    QSaveFile target(path);
    written = file && target.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
              target.write(*file) == file->size() && target.commit();
  } catch (const std::exception&) {
  }
  if (!written) {
    services_.messageBox.Show(QStringLiteral("The session could not be written to the specified file."),
                              platform::MessageButtons::kOk, kTitle);
    return false;
  }
  sessionPath_ = path;
  return true;
}

void Form1::mnuOpenSession_Click() {
  try {
    StopAutoTrace();
    platform::FileDialogSettings settings;
    settings.cancelError = true;
    settings.title = QStringLiteral("Open Session");
    settings.filter = kSessionFilter;
    const std::optional<QString> path = services_.fileDialog.ShowOpen(settings);
    if (path && !path->isEmpty()) {
      OpenSessionFile(*path);
    }
  } catch (const std::exception&) {
  }
}

void Form1::OpenSessionFile(const QString& path) {
  try {
    StopAutoTrace();
    if (!AskToSaveTrace()) {
      return;
    }
    // Read and checked whole, the picture decoded, before anything of the window changes.
    QFile in(path);
    QByteArray bytes;
    if (in.open(QIODevice::ReadOnly)) {
      bytes = in.readAll();
    }
    const std::optional<Session> session = ReadSessionFile(bytes, kLargestPicture);
    QImage picture = session ? DecodePicture(bytes, session->picture) : QImage();
    if (picture.isNull()) {
      services_.messageBox.Show(kNotASession, platform::MessageButtons::kOk, kTitle);
      return;
    }
    RestoreSession(*session, std::move(picture), std::move(bytes));
    sessionPath_ = path;
  } catch (const std::exception&) {
  }
}

void Form1::OpenFile(const QString& path) {
  try {
    QFile in(path);
    const QByteArray head = in.open(QIODevice::ReadOnly) ? in.read(64) : QByteArray();
    in.close();
    if (path.endsWith(QLatin1String(".qtrace"), Qt::CaseInsensitive) || StartsLikeSession(head)) {
      OpenSessionFile(path);
    } else {
      ImportPictureFile(path);
    }
  } catch (const std::exception&) {
  }
}

}  // namespace tracer
