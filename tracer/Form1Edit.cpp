// The tracer window's editing of recorded points: selecting one with Ctrl+click, moving it up or
// down a pixel, deleting it, and Undo and Redo of recorded points and of these edits. Editing
// never moves the trace position.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <cmath>
#include <utility>

#include "Form1.h"
#include "Twips.h"
#include "Widgets.h"
#include "numbers.h"

namespace tracer {

namespace {

// How near a Ctrl+click must come to a marker to select its point, in pixels of the graph area.
constexpr double kSelectReach = 6;

}  // namespace

void Form1::CreateEditCommands() {
  mnuRedoPoint = platform::Named(new QAction(QStringLiteral("Redo Point"), mnuTrace), "mnuRedoPoint");
  mnuRedoPoint->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
  mnuTrace->insertAction(mnuPickColour, mnuRedoPoint);
  connect(mnuRedoPoint, &QAction::triggered, this, &Form1::mnuRedoPoint_Click);
  // Above the other markers, in a colour of its own.
  pnlSelected = platform::Named(new platform::MarkerShape(Graph[0]), "pnlSelected");
  pnlSelected->SetBorderColor(QColor(0, 200, 255));
  pnlSelected->SetVisible(true);
  Graph[0]->SetMouseDownHandler(
      [this](int button, int shift, float x, float y) { Graph_MouseDown(0, button, shift, x, y); });
}

Form1::TracePoint Form1::PointAt(std::size_t index) const {
  return {traceFreqs.at(index), traceDbs.at(index), traceOhms.at(index), tracePlaces.at(index)};
}

void Form1::InsertPoint(std::size_t index, const TracePoint& point) {
  const auto at = static_cast<std::ptrdiff_t>(index);
  traceFreqs.insert(traceFreqs.begin() + at, point.freq);
  traceDbs.insert(traceDbs.begin() + at, point.db);
  traceOhms.insert(traceOhms.begin() + at, point.ohm);
  tracePlaces.insert(tracePlaces.begin() + at, point.place);
  g_.recordedPointCount = platform::CheckedNarrow<std::int32_t>(traceFreqs.size());
  if (index + 1 == tracePlaces.size()) {
    pnlPoints->Add(FromPicture(point.place.onPicture));
  } else {
    ShowMarkers();
  }
}

void Form1::ErasePoint(std::size_t index) {
  const auto at = static_cast<std::ptrdiff_t>(index);
  traceFreqs.erase(traceFreqs.begin() + at);
  traceDbs.erase(traceDbs.begin() + at);
  traceOhms.erase(traceOhms.begin() + at);
  tracePlaces.erase(tracePlaces.begin() + at);
  g_.recordedPointCount = platform::CheckedNarrow<std::int32_t>(traceFreqs.size());
  if (index == tracePlaces.size()) {
    pnlPoints->RemoveLast();
  } else {
    ShowMarkers();
  }
}

void Form1::SetPoint(std::size_t index, const TracePoint& point) {
  traceFreqs.at(index) = point.freq;
  traceDbs.at(index) = point.db;
  traceOhms.at(index) = point.ohm;
  tracePlaces.at(index) = point.place;
  ShowMarkers();
}

void Form1::NoteRecordedPoint() {
  const std::size_t index = tracePlaces.size() - 1;
  undoEdits_.push_back({TraceEdit::Kind::kRecord, index, PointAt(index), PointAt(index), std::nullopt});
  redoEdits_.clear();
}

void Form1::ForgetEdits() {
  undoEdits_.clear();
  redoEdits_.clear();
  SelectPoint(std::nullopt);
}

void Form1::SelectPoint(std::optional<std::size_t> index) {
  if (index && *index >= tracePlaces.size()) {
    index.reset();
  }
  selectedPoint = index;
  if (!index) {
    pnlSelected->SetPoints({});
    return;
  }
  pnlSelected->SetPoints({FromPicture(tracePlaces[*index].onPicture)});
  // The panels show the selected point's values while it is edited.
  const TracePoint point = PointAt(*index);
  if (Registered(mnuReg100Hz) && Registered(mnuReg10000Hz)) {
    StatusBar->SetPanelText(1, QStringLiteral("Freq.  ") + ReadoutText(point.freq));
  }
  if (Registered(mnuReg60Db) && Registered(mnuReg90Db)) {
    StatusBar->SetPanelText(2, QStringLiteral("Db  ") + ReadoutText(point.db));
  }
  if (Registered(mnuReg4Ohm) && Registered(mnuReg16Ohm)) {
    StatusBar->SetPanelText(3, QStringLiteral("Ohm  ") + ReadoutText(point.ohm));
  }
}

void Form1::Graph_MouseDown(int Index, int Button, int Shift, float X, float Y) {
  try {
    clickSelected_ = false;
    if (Index != 0 || Button != platform::kLeftButton || (Shift & platform::kCtrlMask) == 0 || isAutoTracing ||
        tracePlaces.empty()) {
      return;
    }
    // The point whose marker lies nearest the pointer, within reach; none otherwise.
    clickSelected_ = true;
    std::optional<std::size_t> nearest;
    double nearestDistance = kSelectReach * platform::kTwipsPerPixel;
    for (std::size_t i = 0; i < tracePlaces.size(); ++i) {
      const QPointF marker = FromPicture(tracePlaces[i].onPicture);
      const double distance = std::hypot(marker.x() - X, marker.y() - Y);
      if (distance <= nearestDistance) {
        nearest = i;
        nearestDistance = distance;
      }
    }
    pointer_ = QPointF(X, Y);
    SelectPoint(nearest);
    if (!nearest) {
      UpdatePositionReadout();
    }
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

bool Form1::EditSelectedPoint(int keyCode) {
  switch (keyCode) {
    case platform::kKeyUp:
      MoveSelectedPoint(-15);
      return true;
    case platform::kKeyDown:
      MoveSelectedPoint(15);
      return true;
    case platform::kKeyDelete:
      DeleteSelectedPoint();
      return true;
    case platform::kKeyEscape:
      SelectPoint(std::nullopt);
      UpdatePositionReadout();
      return true;
    default:
      return false;
  }
}

void Form1::MoveSelectedPoint(float dy) {
  const std::size_t index = selectedPoint.value();
  const TracePoint before = PointAt(index);
  TracePoint after = before;
  // One pixel of the graph area, and the values at the new height as the readout reads them.
  const double y = FromPicture(before.place.onPicture).y() + dy;
  after.place.onPicture.setY(ToPicture({0, y}).y());
  if (Registered(mnuReg60Db) && Registered(mnuReg90Db)) {
    if (const auto level = ReadLevel(y, lnReg60Db->Y1(), lnReg90Db->Y1(), lowDb, highDb, traceYOffset)) {
      after.db = level->value;
    }
  }
  if (Registered(mnuReg4Ohm) && Registered(mnuReg16Ohm)) {
    const ImpedanceReferences refs{lnReg4Ohm->Y1(), lnReg16Ohm->Y1(), lowOhm, highOhm, lowOhmScaled, highOhmScaled};
    if (const auto ohm = ReadImpedance(y, refs, CheckedOhmScale(), traceYOffset)) {
      after.ohm = ohm->value;
    }
  }
  SetPoint(index, after);
  undoEdits_.push_back({TraceEdit::Kind::kMove, index, before, after, std::nullopt});
  redoEdits_.clear();
  isTraceUnsaved = true;
  SelectPoint(index);
}

void Form1::DeleteSelectedPoint() {
  const std::size_t index = selectedPoint.value();
  const TracePoint before = PointAt(index);
  SelectPoint(std::nullopt);
  ErasePoint(index);
  undoEdits_.push_back({TraceEdit::Kind::kDelete, index, before, before, std::nullopt});
  redoEdits_.clear();
  isTraceUnsaved = g_.recordedPointCount > 0;
  UpdatePositionReadout();
}

void Form1::RestorePosition(const TracePosition& position) {
  traceX = platform::RoundToInt32(FromPicture({position.markerColumn, 0}).x() + traceXOffset);
  MoveTracePosition(static_cast<float>(traceX));
  places_.markerColumn = position.markerColumn;
  traceStepNumber = position.step;
  isTraceAtEnd = position.atEnd;
}

void Form1::UndoTracePoint() {
  if (undoEdits_.empty()) {
    // Points that no edit here recorded (a session's) are taken back from the last.
    if (tracePlaces.empty()) {
      return;
    }
    const std::size_t last = tracePlaces.size() - 1;
    undoEdits_.push_back({TraceEdit::Kind::kRecord, last, PointAt(last), PointAt(last), std::nullopt});
  }
  TraceEdit edit = undoEdits_.back();
  undoEdits_.pop_back();
  SelectPoint(std::nullopt);
  const bool positioned = isTracing && !isTraceArmed;
  switch (edit.kind) {
    case TraceEdit::Kind::kRecord: {
      if (positioned) {
        edit.positionAfter = TracePosition{places_.markerColumn, traceStepNumber, isTraceAtEnd};
      }
      ErasePoint(edit.index);
      if (positioned) {
        // Back to the column and height where the point was measured, and to its step.
        RestorePosition({edit.after.place.onPicture.x(), edit.after.place.step, false});
        SetTraceHeight(static_cast<float>(FromPicture(edit.after.place.onPicture).y()));
        StatusBar->SetPanelText(4, TraceStatus());
      }
      break;
    }
    case TraceEdit::Kind::kDelete:
      InsertPoint(edit.index, edit.before);
      SelectPoint(edit.index);
      break;
    case TraceEdit::Kind::kMove:
      SetPoint(edit.index, edit.before);
      SelectPoint(edit.index);
      break;
  }
  redoEdits_.push_back(edit);
  isTraceUnsaved = g_.recordedPointCount > 0;
  if (!selectedPoint) {
    UpdatePositionReadout();
  }
}

void Form1::RedoTracePoint() {
  if (redoEdits_.empty()) {
    return;
  }
  const TraceEdit edit = redoEdits_.back();
  redoEdits_.pop_back();
  SelectPoint(std::nullopt);
  switch (edit.kind) {
    case TraceEdit::Kind::kRecord:
      InsertPoint(edit.index, edit.after);
      if (edit.positionAfter && isTracing && !isTraceArmed) {
        RestorePosition(*edit.positionAfter);
      }
      break;
    case TraceEdit::Kind::kDelete:
      ErasePoint(edit.index);
      break;
    case TraceEdit::Kind::kMove:
      SetPoint(edit.index, edit.after);
      SelectPoint(edit.index);
      break;
  }
  undoEdits_.push_back(edit);
  isTraceUnsaved = g_.recordedPointCount > 0;
  if (!selectedPoint) {
    UpdatePositionReadout();
  }
}

void Form1::mnuRedoPoint_Click() {
  try {
    StopAutoTrace();
    RedoTracePoint();
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

}  // namespace tracer
