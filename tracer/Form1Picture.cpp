// The tracer window's work on the picture itself: straightening a tilted picture (on import and
// by Straighten Picture) and snapping reference lines to the picture's straight lines.
#include <QAction>
#include <cmath>

#include "Form1.h"
#include "PictureLean.h"

namespace tracer {

namespace {

QString StraightenedText(double degrees) {
  return QStringLiteral("Picture straightened by %1 degrees").arg(degrees, 0, 'f', 2);
}

}  // namespace

const StraightLines& Form1::PictureLines() {
  if (!lines_) {
    lines_ = StraightLineFinder().Find(Graph[1]->Picture());
  }
  return *lines_;
}

float Form1::SnapToLine(bool vertical, float twips) {
  if (!mnuSnapLines->isChecked() || !isGraphImported || Graph[1]->Picture().isNull()) {
    return twips;
  }
  // Within 5 picture pixels of a line's centre the reference goes onto it.
  constexpr double kReachPixels = 5;
  const QPointF at = ToPicture(vertical ? QPointF(twips, 0) : QPointF(0, twips));
  const double position = vertical ? at.x() : at.y();
  const std::optional<double> centre = PictureLines().Snap(!vertical, position, kReachPixels);
  if (!centre) {
    return twips;
  }
  const QPointF snapped = FromPicture(vertical ? QPointF(*centre, 0) : QPointF(0, *centre));
  return static_cast<float>(vertical ? snapped.x() : snapped.y());
}

void Form1::mnuSnapLines_Click() {
  try {
    // A line being placed goes to the pointer, or to the line beside it, at once.
    MovePlacingReference(static_cast<float>(pointer_.x()), static_cast<float>(pointer_.y()));
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

void Form1::ShowPicture(QImage picture) {
  lines_.reset();
  Graph[1]->SetPicture(std::move(picture));
  StretchPicture();
  TakePicturePlaces();
  isGraphImported = true;
}

QImage Form1::StraightenOnImport(const QImage& picture) {
  const std::optional<double> lean = LeanMeter().Measure(picture);
  if (!lean || std::fabs(*lean) < 0.05 || std::fabs(*lean) > 5) {
    return picture;
  }
  pictureLean = *lean;
  StatusBar->SetPanelText(4, StraightenedText(*lean));
  // A session keeps the picture as imported and the turn.
  importLean_ = *lean;
  importedPicture_ = picture;
  return Straighten(picture, *lean);
}

void Form1::mnuStraighten_Click() {
  try {
    StopAutoTrace();
    if (!isGraphImported) {
      services_.messageBox.Show(kImportFirst, platform::MessageButtons::kOk, kTitle);
      return;
    }
    // Straightening clears the trace as an import does: the save question first.
    if (!AskToSaveTrace()) {
      return;
    }
    isStraightening = true;
    isPickingColour = false;
    straightenPoints_.clear();
    StatusBar->SetPanelText(4, QStringLiteral("Click two points of a line that should be horizontal or vertical"));
    Graph[0]->setCursor(Qt::CrossCursor);
  } catch (const std::exception&) {
  }
}

void Form1::MarkStraightenPoint() {
  straightenPoints_.push_back(ToPicture(pointer_));
  if (straightenPoints_.size() < 2) {
    return;
  }
  isStraightening = false;
  Graph[0]->unsetCursor();
  const std::optional<double> lean = LeanOfLine(straightenPoints_[0], straightenPoints_[1]);
  if (!lean) {
    StatusBar->SetPanelText(4, QString());
    return;
  }
  QImage straightened = Straighten(Graph[1]->Picture(), *lean);
  const double total = pictureLean + *lean;
  ImportedPicture imported = TakeImportedPicture();
  EndTrace();
  ResetRegistrationValues();
  ResetTracerWindow();
  ShowPicture(std::move(straightened));
  pictureLean = total;
  imported.handLeans.push_back(*lean);
  KeepImportedPicture(std::move(imported));
  StatusBar->SetPanelText(4, StraightenedText(*lean));
}

}  // namespace tracer
