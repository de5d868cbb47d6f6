// The tracer window's aids to tracing by hand: the recorded points shown as markers, taking back
// the last point, the loupe, and tracing by the curve's colour; and the places of what lies on the
// picture.
#include <QAction>
#include <QTimer>
#include <algorithm>

#include "CourseCheck.h"
#include "CurveFollower.h"
#include "CurvePicker.h"
#include "CurveTexture.h"
#include "Form1.h"
#include "Twips.h"
#include "numbers.h"

namespace tracer {

QPointF Form1::ToPicture(QPointF twips) const {
  const QImage& picture = Graph[1]->Picture();
  const int W0 = Graph[0]->Width();
  const int H0 = Graph[0]->Height();
  if (W0 <= 0 || H0 <= 0) {
    return {};
  }
  return {twips.x() * picture.width() / W0, twips.y() * picture.height() / H0};
}

QPointF Form1::FromPicture(QPointF pixels) const {
  const QImage& picture = Graph[1]->Picture();
  if (picture.isNull()) {
    return {};
  }
  return {pixels.x() * Graph[0]->Width() / picture.width(), pixels.y() * Graph[0]->Height() / picture.height()};
}

void Form1::TakePicturePlaces() {
  for (std::size_t i = 0; i < references_.size(); ++i) {
    const platform::LineShape& line = *references_[i].line;
    places_.references[i] = references_[i].vertical ? ToPicture({line.X1(), 0}).x() : ToPicture({0, line.Y1()}).y();
  }
  const auto offset = static_cast<float>(traceXOffset);
  places_.markerColumn = ToPicture({pnlTrace->Width() - offset, 0}).x();
  places_.lineColumn = ToPicture({lnTrace->X2() - offset, 0}).x();
  places_.height = ToPicture({0, lnTrace->Y1()}).y();
}

void Form1::PlaceShapesOnPicture() {
  const PicturePlaces places = places_;
  for (std::size_t i = 0; i < references_.size(); ++i) {
    const QPointF at = FromPicture({places.references[i], places.references[i]});
    PlaceReference(references_[i], static_cast<float>(references_[i].vertical ? at.x() : at.y()));
  }
  const double offset = traceXOffset;
  const QPointF trace = FromPicture({places.lineColumn, places.height});
  SetTraceLineEnd(static_cast<float>(trace.x() + offset));
  SetTraceHeight(static_cast<float>(trace.y()));
  // At rest the marker waits at its start width, outside the picture's frame of reference.
  if (isTracing) {
    const double edge = FromPicture({places.markerColumn, 0}).x() + offset;
    const bool atEnd = isTraceAtEnd;
    MoveTracePosition(static_cast<float>(edge));
    isTraceAtEnd = atEnd;
    if (!isTraceArmed) {
      traceX = platform::RoundToInt32(edge);
    }
  }
  // The conversions back and forth leave the places as they were.
  places_ = places;
  ShowMarkers();
}

void Form1::ShowMarkers() {
  std::vector<QPointF> points;
  points.reserve(tracePlaces.size());
  for (const TracePlace& place : tracePlaces) {
    points.push_back(FromPicture(place.onPicture));
  }
  pnlPoints->SetPoints(std::move(points));
  if (selectedPoint && *selectedPoint < tracePlaces.size()) {
    pnlSelected->SetPoints({FromPicture(tracePlaces[*selectedPoint].onPicture)});
  }
}

void Form1::mnuUndoPoint_Click() {
  try {
    StopAutoTrace();
    UndoTracePoint();
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

void Form1::mnuMagnifier_Click() {
  try {
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

void Form1::UpdateMagnifier() {
  const QImage& picture = Graph[1]->Picture();
  const Reference* placing = PlacingReference();
  if (!mnuMagnifier->isChecked() || !isGraphImported || picture.isNull() ||
      (placing == nullptr && !isTracing && !selectedPoint)) {
    picMagnifier->hide();
    return;
  }
  MagnifierView view;
  view.picture = picture;
  // A selected point is shown at the loupe's centre, highlighted.
  if (selectedPoint) {
    view.selected = tracePlaces.at(*selectedPoint).onPicture;
  }
  view.pointer = view.selected.value_or(ToPicture(pointer_));
  const auto line = [this](const platform::LineShape& shape) {
    return QLineF(ToPicture({shape.X1(), shape.Y1()}), ToPicture({shape.X2(), shape.Y2()}));
  };
  if (placing != nullptr) {
    view.lines.push_back({line(*placing->line), placing->line->BorderColor()});
  }
  if (isTracing) {
    const QPointF column = ToPicture({lnTrace->X2() - static_cast<float>(traceXOffset), 0});
    view.lines.push_back({QLineF(column.x(), 0, column.x(), picture.height()), pnlTrace->BorderColor()});
    view.lines.push_back({line(*lnTrace), QColor(255, 64, 0)});
  }
  const QRectF shown = Magnifier::Source(view.pointer);
  for (const TracePlace& place : tracePlaces) {
    if (shown.contains(place.onPicture)) {
      view.marks.push_back(place.onPicture);
    }
  }
  const QPointF at = selectedPoint ? FromPicture(*view.selected) : pointer_;
  picMagnifier->Show(std::move(view), QPoint(platform::TwipsToPixels(at.x()), platform::TwipsToPixels(at.y())));
}

double Form1::GoalPixels(double y) const {
  // A traced point is meant to lie within half a decibel, or 2 % of an impedance, of the curve.
  constexpr double kGoalDb = 0.5;
  constexpr double kGoalShare = 0.02;
  const QImage& picture = Graph[1]->Picture();
  const double H0 = Graph[0]->Height();
  if (picture.isNull() || H0 <= 0) {
    return 0;
  }
  const double pixel = H0 / picture.height();  // twips
  const auto read = [&](double twips) -> std::optional<double> {
    std::optional<Reading> r;
    if (isImpedanceTrace) {
      const ImpedanceReferences refs{lnReg4Ohm->Y1(), lnReg16Ohm->Y1(), lowOhm, highOhm, lowOhmScaled, highOhmScaled};
      r = ReadImpedance(twips, refs, CheckedOhmScale(), 0);
    } else {
      r = ReadLevel(twips, lnReg60Db->Y1(), lnReg90Db->Y1(), lowDb, highDb, 0);
    }
    return r ? std::optional<double>(r->value) : std::nullopt;
  };
  // The values a pixel apart at that height.
  const std::optional<double> here = read(y * pixel);
  const std::optional<double> below = read((y + 1) * pixel);
  if (!here || !below) {
    return 0;
  }
  const double perPixel =
      isImpedanceTrace ? std::fabs(*below - *here) / std::max(std::fabs(*here), 1e-9) : std::fabs(*below - *here);
  const double goal = (isImpedanceTrace ? kGoalShare : kGoalDb) / perPixel;
  return std::isfinite(goal) ? goal : 0;
}

bool Form1::SnapToCurve() {
  textureLost_.reset();
  if (!curvePick || !isTracing || isTraceArmed) {
    return false;
  }
  const QImage& picture = Graph[1]->Picture();
  if (picture.isNull()) {
    return false;
  }
  // The path: the pick, then the last few points recorded since (by Auto Trace or by hand).
  pickedAt_ = std::min(pickedAt_, tracePlaces.size());
  std::vector<QPointF> since;
  for (std::size_t i = pickedAt_; i < tracePlaces.size(); ++i) {
    since.push_back(tracePlaces[i].onPicture);
  }
  // The last point recorded and up to `count` - 1 before it, each at least a column from the
  // next: in steps under a column the points next to each other tell no course (see Spaced).
  const auto recent = [&](std::size_t count) {
    if (since.empty()) {
      return since;
    }
    constexpr double kSpacing = 1;
    std::vector<QPointF> points = Spaced({since.begin(), since.end() - 1}, since.back(), count - 1, kSpacing);
    points.push_back(since.back());
    return points;
  };
  std::vector<QPointF> path{curvePick->onCurve};
  for (const QPointF& p : recent(4)) {
    path.push_back(p);
  }
  const QPointF measured = ToPicture({lnTrace->X2() - static_cast<float>(traceXOffset), lnTrace->Y1()});
  // A dashed curve's gaps are bridged as long as the dash clicked shows them.
  if (!curveTexture_.Measured()) {
    curveTexture_.Measure(picture, PictureLines(), *curvePick);
  }
  CurveFollower::Parameters parameters;
  parameters.bridgePx = curveTexture_.BridgePx(parameters.bridgePx);
  parameters.dashed = curveTexture_.Dashed();
  parameters.dashGapPx = curveTexture_.GapPx();
  if (!curveTexture_.Learnt()) {
    curveTexture_.Learn(CurveFollower(picture, PictureLines(), curvePick->style, parameters), *curvePick);
  }
  parameters.strokePx = curveTexture_.StrokePx();
  parameters.dashLengthPx = parameters.dashed ? curveTexture_.LongestDashPx() : 0;
  const CurveFollower follower(picture, PictureLines(), curvePick->style, parameters);
  std::vector<CurveFollower::Column> walked;
  double unsure = 0;
  double slopeHere = 0;
  const std::optional<double> y = follower.HeightAt(path, measured.x(), &walked, &unsure, &slopeHere);
  // (A height off the picture is carried on from a course gone wild, never the curve's.)
  if (!y || *y < 0 || *y > picture.height()) {
    return false;
  }
  // A dashed or dotted curve that runs on without its gaps has merged with a solid one; the
  // stretch is not the curve's, and forgotten.
  if (tracePlaces.size() > pickedAt_ && tracePlaces.back().byHand) {
    curveTexture_.Seen();
  }
  curveTexture_.Note(walked);
  // Taken as hidden along a line of its colour for longer than a gap is bridged, the curve may have
  // left the line anywhere on the way: lost.
  if (curveTexture_.HiddenColumns() > parameters.bridgePx + 3 * curvePick->style.thickness) {
    return false;
  }
  if (std::optional<int> from; !walked.empty()) {
    const int dir = walked.back().column < walked.front().column ? -1 : 1;
    if (!curveTexture_.Keeps(walked.back().column, dir, &from)) {
      if (from) {
        curveTexture_.Forget(*from, walked.back().column);
        textureLost_ = {*from, dir};
      }
      return false;
    }
  }
  // A height off the course of the points recorded since the pick is not taken either.
  const std::vector<QPointF> recorded = recent(3);
  if (!CourseCheck().Keeps(recorded, {measured.x(), *y})) {
    return false;
  }
  // Where the path turns onto a branch along which another curve of the colour runs back past the
  // turn, the two cross there and the branch may be the other's.
  // (The points recorded over the columns that check reads back, and one before them.)
  {
    std::vector<QPointF> behind;
    for (std::size_t i = tracePlaces.size();
         i-- > pickedAt_ &&
         (behind.empty() || std::fabs(behind.back().x() - measured.x()) <= CurveFollower::kCrossColumns);) {
      const QPointF p = tracePlaces[i].onPicture;
      const QPointF after = behind.empty() ? QPointF(measured.x(), *y) : behind.back();
      if ((after.x() - p.x()) * (measured.x() - tracePlaces.back().onPicture.x()) <= 0) {
        break;
      }
      behind.push_back(p);
    }
    std::reverse(behind.begin(), behind.end());
    if (follower.CrossedAt(behind, {measured.x(), *y}, slopeHere) || follower.GoesOnAt(behind, {measured.x(), *y})) {
      return false;
    }
  }
  // The height found is sure to about kSurePx, less so where the curve climbs or falls steeply (a
  // fraction of a column off moves it by that fraction of the slope), bends sharply (the fit
  // through the columns around it rounds a peak off), or was placed from one edge (the follower's
  // `unsure`); and where a thick curve bends on a steep course. There a column's run is the stroke
  // between the curve half a thickness r before x and half a thickness after, whose centre lies off
  // the curve by r * r / 2 times the bend per column (the reading along rows makes up some of it:
  // kSureThickBend of it counts). Where all that is more than the point may be off by (a tiny
  // picture, a narrow resonance peak, a curve under another one) it is not recorded.
  // (kSurePx holds on a clean picture where nothing made the columns unsure: there their centres
  // stray by less in all but one column in a hundred. kSureNoisePx more in a dashed or dotted
  // curve's gap, bridged over where the curve may bend; else up to that much more where
  // the curve's colour strays (JPEG noise: each kSureNoiseTolerance of its tolerance above the
  // floor adds kSureNoisePx) or where a column was placed from one edge or beside something else,
  // whose height strays farther than its own unsureness says (twice that counts).)
  constexpr double kSurePx = 0.3;
  constexpr double kSureNoisePx = 0.1;
  constexpr double kSureNoiseTolerance = 15;
  constexpr double kSureColumns = 0.15;
  constexpr double kSureColumnsDashed = 0.4;
  constexpr double kSteepDashed = 3;
  constexpr double kSureBend = 0.2;
  constexpr double kSureThickBend = 0.4;
  const auto slopeTo = [](QPointF a, QPointF b) {
    return std::fabs(b.x() - a.x()) >= 1 ? (b.y() - a.y()) / (b.x() - a.x()) : 0.0;
  };
  const QPointF next(measured.x(), *y);
  // (From the last point, or in a step under a column, from the one before it: a slope over less
  // than a column is none.)
  const std::size_t from =
      recorded.size() >= 2 && std::fabs(next.x() - recorded.back().x()) < 1 ? recorded.size() - 2 : recorded.size() - 1;
  const double slope = recorded.empty() ? 0 : slopeTo(recorded[from], next);
  double bend = recorded.empty() || from == 0 ? 0 : std::fabs(slope - slopeTo(recorded[from - 1], recorded[from]));
  // On a flank the curve may turn right after this point (the top of a narrow peak): a step
  // further along (at most kAheadColumns, on a wide picture) shows it, and the turn weighs as the
  // bend does.
  constexpr double kSteep = 0.5;
  constexpr double kAheadColumns = 12;
  if (!recorded.empty() && (std::fabs(slope) >= kSteep || bend >= kSteep)) {
    std::vector<QPointF> on = path;
    on.push_back(next);
    const double ahead = measured.x() + std::clamp(measured.x() - recorded[from].x(), -kAheadColumns, kAheadColumns);
    if (const std::optional<double> yAhead = follower.HeightAt(on, ahead)) {
      bend = std::max(bend, std::fabs(slopeTo(next, {ahead, *yAhead}) - slope));
    }
  }
  // The pick is a point of the curve: a step that passes its column passes it, give or take what
  // the straight line between the step's ends leaves out; close before it, the curve followed on
  // from this point must reach it (else the follower has slid onto another curve of its colour).
  // (The first point walked to from a pick far off: walked back, the curve found reaches the pick. A
  // long walk may slide onto another curve of its colour where the two meet, at a narrow peak's top,
  // and carry on along it. Walked back from the plot's frame, where the first point often lies, the
  // curve may not be found at all: nothing is told then. Nor over more than kBackColumns, where the
  // walk back would double the time of a trace's first step on a very wide picture.)
  constexpr double kPickReach = 24;
  constexpr double kBackColumns = 2048;
  const QPointF pick = curvePick->onCurve;
  const double tolerance = 2 + curvePick->style.thickness;
  if (recorded.empty()) {
    if (std::fabs(pick.x() - next.x()) > kPickReach && std::fabs(pick.x() - next.x()) <= kBackColumns) {
      const std::optional<double> atPick = follower.HeightAt({next}, pick.x());
      if (atPick && std::fabs(*atPick - pick.y()) > tolerance) {
        return false;
      }
    }
  } else {
    const QPointF last = recorded.back();
    if ((pick.x() - last.x()) * (pick.x() - next.x()) <= 0 && std::fabs(next.x() - last.x()) >= 1) {
      const double between = last.y() + (next.y() - last.y()) * (pick.x() - last.x()) / (next.x() - last.x());
      if (std::fabs(between - pick.y()) > tolerance + 0.25 * std::fabs(next.y() - last.y())) {
        return false;
      }
    } else if ((pick.x() - next.x()) * (next.x() - last.x()) > 0 && std::fabs(pick.x() - next.x()) <= kPickReach) {
      std::vector<QPointF> on = path;
      on.push_back(next);
      const std::optional<double> atPick = follower.HeightAt(on, pick.x());
      if (atPick && std::fabs(*atPick - pick.y()) > tolerance) {
        return false;
      }
    }
  }
  const double goal = GoalPixels(*y);
  const double steepest = std::max(std::fabs(slope), std::fabs(slopeHere));
  const double r = curvePick->style.thickness / 2;
  const double perColumn = recorded.empty() ? 0 : bend / std::max(1.0, std::fabs(next.x() - recorded[from].x()));
  const double thickBend = steepest * steepest / (1 + steepest * steepest) * r * r / 2 * perColumn;
  // (A dashed or dotted curve's columns are placed by its dashes' or dots' ends, whose runs hold
  // their height across the end: on a course steeper than kSteepDashed pixels per column they
  // stand off the curve by more than a round stroke's.)
  const double sureColumns = parameters.dashed && steepest >= kSteepDashed ? kSureColumnsDashed : kSureColumns;
  const double noise = std::max(0.0, curvePick->style.tolerance - CurvePicker::Parameters{}.minTolerance);
  // (On a dash, x's column and the one next to it found, a dashed curve is as sure as a solid one.)
  const int xColumn = platform::RoundToInt32(std::floor(measured.x()));
  const bool onDash = std::count_if(walked.begin(), walked.end(), [&](const CurveFollower::Column& k) {
                        return std::abs(k.column - xColumn) <= 1 && k.found;
                      }) >= 2;
  const double sure = parameters.dashed && !onDash
                          ? kSurePx + kSureNoisePx
                          : kSurePx + std::min(kSureNoisePx, 2 * unsure + kSureNoisePx * noise / kSureNoiseTolerance);
  if (sure + sureColumns * steepest + kSureBend * bend + kSureThickBend * thickBend + unsure > goal) {
    return false;
  }
  // Right after a point placed by hand the curve was lost a step before: the next point must keep
  // to the course through it to about half the goal, not merely stay near it.
  if (tracePlaces.size() > pickedAt_ && tracePlaces.back().byHand) {
    constexpr CourseCheck kAfterHand{0.5, 2, 0.2};
    CourseCheck check = kAfterHand;
    check.slackPx += 0.5 * goal;
    if (!check.Keeps(recorded, next)) {
      return false;
    }
  }
  SetTraceHeight(static_cast<float>(FromPicture({0, *y}).y()));
  UpdatePositionReadout();
  return true;
}

void Form1::mnuPickColour_Click() {
  try {
    StopAutoTrace();
    if (!isGraphImported) {
      services_.messageBox.Show(kImportFirst, platform::MessageButtons::kOk, kTitle);
      return;
    }
    // (Not the word that the last click found no curve: what stood there before it.)
    if (!isPickingColour && StatusBar->PanelText(4) != kNoCurveAtClick) {
      panelBeforePick_ = StatusBar->PanelText(4);
    }
    isPickingColour = true;
    StatusBar->SetPanelText(4, QStringLiteral("Click the curve to pick its colour"));
    Graph[0]->setCursor(Qt::CrossCursor);
  } catch (const std::exception&) {
  }
}

void Form1::PickColour() {
  isPickingColour = false;
  Graph[0]->unsetCursor();
  StatusBar->SetPanelText(4, panelBeforePick_);
  if (std::optional<CurvePick> pick = CurvePicker().Pick(Graph[1]->Picture(), PictureLines(), ToPicture(pointer_))) {
    curvePick = std::move(pick);
    curveTexture_.Clear();
    pickedAt_ = tracePlaces.size();
    SnapToCurve();
    UpdateMagnifier();
  } else {
    // (Said, not left to the next Auto Trace's "pick the colour first": the click found nothing
    // that stands out from the background there.)
    StatusBar->SetPanelText(4, kNoCurveAtClick);
  }
}

void Form1::mnuAutoTrace_Click() {
  try {
    // Auto Trace chosen again while it runs stops it.
    if (StopAutoTrace()) {
      return;
    }
    if (!isTracing && isGraphImported && curvePick) {
      // With the curve picked and no trace running, Auto Trace starts the trace itself, with the
      // trace limits: an SPL trace, or an impedance trace where only impedances are registered.
      const auto registered = [](const QAction* item) { return Tag(item) == QLatin1String("2"); };
      g_.useTraceLimits = true;
      StartTrace(!registered(mnuReg60Db) && !registered(mnuReg90Db) && registered(mnuReg4Ohm) &&
                 registered(mnuReg16Ohm));
      if (!isTracing) {
        return;  // refused, with the message that says why
      }
    }
    if (!isTracing || isTraceArmed || !g_.useTraceLimits) {
      services_.messageBox.Show(
          QStringLiteral("Auto Trace follows a trace with limits: choose \"Use Trace Limits:\" in Trace > "
                         "Options..., then start the trace."),
          platform::MessageButtons::kOk, kTitle);
      return;
    }
    if (!curvePick) {
      services_.messageBox.Show(
          QStringLiteral("Pick the curve's colour first: Trace > Pick Curve Colour, then click the curve."),
          platform::MessageButtons::kOk, kTitle);
      return;
    }
    // A complete trace has no step left to follow the curve to: it says so again (looking past the
    // last step, the curve was reported lost).
    if (PastTraceLimit() || isTraceAtEnd) {
      ShowTraceComplete();
      return;
    }
    // The steps run in slices from the event loop, so that the window goes on answering.
    isAutoTracing = true;
    StatusBar->SetPanelText(4, QStringLiteral("Auto Trace: Esc stops it"));
    autoTraceTimer_->start(0);
  } catch (const std::exception&) {
    StopAutoTrace();
  }
}

bool Form1::AutoTraceStep() {
  // Each step records where the curve is followed to; the run ends at the last step, at the end
  // of the area (both say the trace is complete), or where the curve is lost, ready for a point
  // by hand.
  if (!SnapToCurve()) {
    TakeBackOffTexture();
    StatusBar->SetPanelText(4, QStringLiteral("Curve lost here: place the point by hand, then Auto Trace again"));
    return false;
  }
  return RecordTracePoint(false);
}

void Form1::TakeBackOffTexture() {
  if (!textureLost_) {
    return;
  }
  // The points Auto Trace recorded on the stretch that left the curve's texture lie on another
  // curve: they are taken back (not to be redone), back to the last one before the stretch, never
  // past a point by hand or the pick.
  const auto [from, dir] = *textureLost_;
  while (tracePlaces.size() > pickedAt_ && !tracePlaces.back().byHand && !undoEdits_.empty() &&
         undoEdits_.back().kind == TraceEdit::Kind::kRecord && undoEdits_.back().index + 1 == tracePlaces.size() &&
         (tracePlaces.back().onPicture.x() - from) * dir >= 0) {
    UndoTracePoint();
    redoEdits_.pop_back();
  }
  textureLost_.reset();
}

bool Form1::AutoTraceSteps(int steps, QDeadlineTimer deadline) {
  for (int i = 0; isAutoTracing && i < steps; ++i) {
    if (!AutoTraceStep()) {
      isAutoTracing = false;
    } else if (deadline.hasExpired()) {
      break;
    }
  }
  if (isAutoTracing) {
    autoTraceTimer_->start(0);
  } else {
    autoTraceTimer_->stop();
  }
  UpdateMagnifier();
  return isAutoTracing;
}

bool Form1::StopAutoTrace() {
  if (!isAutoTracing) {
    return false;
  }
  isAutoTracing = false;
  autoTraceTimer_->stop();
  StatusBar->SetPanelText(4, TraceStatus());
  return true;
}

}  // namespace tracer
