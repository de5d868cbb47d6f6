// The tracer window's tracing: the Trace commands, the events of the graph area, the recorded
// points and saving them as a response file.
#include <QAction>
#include <QSaveFile>
#include <algorithm>
#include <string>
#include <utility>

#include "Form1.h"
#include "frmTraceOpt.h"
#include "numbers.h"

namespace tracer {

void Form1::mnuTraceOptions_Click() {
  try {
    StopAutoTrace();
    frmTraceOpt dialog(g_, services_.messageBox, this);
    services_.modal.ShowModal(dialog);
  } catch (const std::exception&) {
  }
}

void Form1::mnuTraceStartSPL_Click() { StartTrace(false); }

void Form1::mnuTraceStartImpedance_Click() { StartTrace(true); }

void Form1::StartTrace(bool impedance) {
  try {
    QString refusal;
    const ImpedanceReferences ohms{lnReg4Ohm->Y1(), lnReg16Ohm->Y1(), lowOhm, highOhm, lowOhmScaled, highOhmScaled};
    if (!isGraphImported) {
      refusal = kImportFirst;
    } else if (impedance && (!Registered(mnuReg16Ohm) || !Registered(mnuReg4Ohm))) {
      refusal = QStringLiteral("Use the Alignment menu item to register impedance positions on the graph.");
    } else if (!impedance && (!Registered(mnuReg90Db) || !Registered(mnuReg60Db))) {
      refusal = QStringLiteral("Use the Alignment menu item to register amplitude positions on the graph.");
    } else if (!Registered(mnuReg100Hz) || !Registered(mnuReg10000Hz)) {
      refusal = QStringLiteral("Use the Alignment menu item to register frequency positions on the graph.");
    } else if (!UsableFrequencyAxis(lnReg100Hz->X1(), lnReg10000Hz->X1(), lowFreqLog, highFreqLog) ||
               (impedance ? !UsableImpedanceAxis(ohms, CheckedOhmScale())
                          : !UsableLevelAxis(lnReg60Db->Y1(), lnReg90Db->Y1(), lowDb, highDb))) {
      // Coinciding lines or values would record frequency 0, or one level for every point.
      refusal = QStringLiteral(
          "The registered references do not define a usable scale: register two different values at two different "
          "positions.");
    }
    if (!refusal.isEmpty()) {
      services_.messageBox.Show(refusal, platform::MessageButtons::kOk, kTitle);
      return;
    }
    isImpedanceTrace = impedance;
    StatusBar->SetPanelText(
        4, impedance ? QStringLiteral("Starting Impedance Trace") : QStringLiteral("Starting SPL Trace"));
    BeginTrace();
  } catch (const std::exception&) {
  }
}

void Form1::MoveTracePosition(float x) {
  const float width = std::max(0.0F, x);
  pnlTrace->SetWidth(width);
  places_.markerColumn = ToPicture({width - static_cast<float>(traceXOffset), 0}).x();
  SetTraceLineEnd(width);
  isTraceAtEnd = false;
}

void Form1::SetTraceLineEnd(float x) {
  lnTrace->SetX2(x);
  places_.lineColumn = ToPicture({x - static_cast<float>(traceXOffset), 0}).x();
}

void Form1::SetTraceHeight(float y) {
  lnTrace->SetY1(y);
  lnTrace->SetY2(y);
  places_.height = ToPicture({0, y}).y();
}

QString Form1::TraceStatus() const {
  return isImpedanceTrace ? QStringLiteral("Trace Impedance") : QStringLiteral("Trace SPL");
}

std::optional<std::int32_t> Form1::StepPosition(std::int32_t k) {
  return FreqToGraphX(traceStartLog + k * traceLogStep);
}

bool Form1::PastTraceLimit() const {
  return g_.recordedPointCount > g_.tracePointLimit || (g_.useTraceLimits && traceStepNumber > g_.tracePointLimit);
}

void Form1::ShowTraceComplete() {
  StatusBar->SetPanelText(4, QStringLiteral("Trace complete: %1 points").arg(g_.recordedPointCount));
}

void Form1::BeginTrace() {
  isTracing = true;
  isTraceArmed = true;
  traceX = 0;
  isTraceUnsaved = false;
  ClearTracePoints();
  MoveTracePosition(120);
  pnlTrace->SetVisible(true);
  lnTrace->SetVisible(true);
  mnuTraceStartSPL->setEnabled(false);
  mnuTraceStartImpedance->setEnabled(false);
  // The options dialog keeps the point count at 1 or more.
  traceStartLog = LogBase10(g_.traceStartFreq);
  traceLogStep = (LogBase10(g_.traceStopFreq) - traceStartLog) / g_.tracePointLimit;
  traceStepNumber = 0;
  if (!g_.useTraceLimits) {
    return;
  }
  isTraceArmed = false;
  curFreq = static_cast<float>(g_.traceStartFreq);
  // Where the frequency axis gives no position, the trace starts at the left edge.
  traceX = std::max(StepPosition(0).value_or(traceX), 120);
  MoveTracePosition(static_cast<float>(traceX));
  StatusBar->SetPanelText(4, TraceStatus());
  SnapToCurve();
}

bool Form1::RecordTracePoint(bool byHand) {
  if (!isTracing) {
    return false;
  }
  const QString endOfArea = QStringLiteral("The end of the graph area has been reached.");
  // Past a limited trace's last step there is no step left to record, and the column at the end
  // of the area holds its point already.
  const bool pastLimit = PastTraceLimit();
  if (pastLimit || isTraceAtEnd) {
    if (g_.useTraceLimits) {
      ShowTraceComplete();
    }
    services_.messageBox.Show(pastLimit ? QStringLiteral("The specified trace limit has been reached.") : endOfArea,
                              platform::MessageButtons::kOk, kTitle);
    return false;
  }
  traceFreqs.push_back(curFreq);
  traceDbs.push_back(curDb);
  traceOhms.push_back(curOhm);
  const QPointF measured(lnTrace->X2() - static_cast<float>(traceXOffset), lnTrace->Y1());
  tracePlaces.push_back({ToPicture(measured), traceStepNumber, byHand});
  pnlPoints->Add(measured);
  g_.recordedPointCount = platform::CheckedNarrow<std::int32_t>(traceFreqs.size());
  NoteRecordedPoint();
  isTraceUnsaved = true;
  isImpedanceRecorded = isImpedanceTrace;

  std::optional<std::int32_t> next;  // none: beyond every position
  if (g_.useTraceLimits) {
    // Each step's position comes from the start and its number, so that the steps keep to the log
    // grid and the last one lands on the stop frequency. Steps that fall into the column just
    // recorded are passed over: they would record the same point again.
    const std::optional<std::int32_t> step =
        NextMovingStep([this](std::int32_t k) { return StepPosition(k); }, traceStepNumber, g_.tracePointLimit, traceX);
    if (!step) {
      traceStepNumber = g_.tracePointLimit + 1;
      ShowTraceComplete();
      return false;
    }
    traceStepNumber = *step;
    next = StepPosition(*step);
  } else {
    next = traceX + traceStep;
  }
  if (!next || *next >= Graph[0]->Width()) {
    isTraceAtEnd = true;
    if (g_.useTraceLimits) {
      ShowTraceComplete();
    }
    services_.messageBox.Show(endOfArea, platform::MessageButtons::kOk, kTitle);
    return false;
  }
  traceX = *next;
  MoveTracePosition(static_cast<float>(traceX));
  return true;
}

void Form1::ClearTracePoints() {
  traceFreqs.clear();
  traceDbs.clear();
  traceOhms.clear();
  traceIndex = 0;
  g_.recordedPointCount = 0;
  tracePlaces.clear();
  pnlPoints->SetPoints({});
  isImpedanceRecorded = false;
  ForgetEdits();
}

void Form1::mnuTraceStop_Click() {
  try {
    StopAutoTrace();
    if (!AskToSaveTrace()) {
      return;
    }
    EndTrace();
  } catch (const std::exception&) {
  }
}

void Form1::EndTrace() {
  StopAutoTrace();
  isImpedanceTrace = false;
  isTracing = false;
  isTraceArmed = false;
  isTraceUnsaved = false;
  MoveTracePosition(120);
  pnlTrace->SetVisible(false);
  lnTrace->SetVisible(false);
  mnuTraceStartSPL->setEnabled(true);
  mnuTraceStartImpedance->setEnabled(true);
  StatusBar->SetPanelText(4, QString());
}

void Form1::Graph_MouseMove(int Index, int /*Button*/, int /*Shift*/, float X, float Y) {
  try {
    if (Index != 0) {
      return;
    }
    SetTraceHeight(Y + static_cast<float>(traceYOffset));
    if (isTraceArmed) {
      // A drag that leaves the area to the left gives no negative width.
      MoveTracePosition(X);
    } else if (!isTracing) {
      SetTraceLineEnd(X);
    }
    if (!MovePlacingReference(X, Y)) {
      UpdatePositionReadout();
    }
    pointer_ = QPointF(X, Y);
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

void Form1::Graph_Click(int Index) {
  try {
    // A click during Auto Trace stops it and does nothing else; so does a Ctrl+click, which
    // selected a point when the button went down. Any other click lets the selected point go.
    if (Index != 0 || StopAutoTrace() || std::exchange(clickSelected_, false)) {
      return;
    }
    if (selectedPoint) {
      SelectPoint(std::nullopt);
      UpdatePositionReadout();
    }
    if (isPickingColour) {
      PickColour();
      return;
    }
    if (isStraightening) {
      MarkStraightenPoint();
      return;
    }
    FixPlacingReference();
    if (!isTraceArmed) {
      if (RecordTracePoint()) {
        SnapToCurve();
      }
      UpdateMagnifier();
      return;
    }
    // The click that fixes a free-form trace's start records nothing.
    isTraceArmed = false;
    ClearTracePoints();
    traceIndex = 0;
    traceX = platform::RoundToInt32(pnlTrace->Width() - static_cast<float>(traceXOffset));
    StatusBar->SetPanelText(4, TraceStatus());
    SnapToCurve();
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

void Form1::Graph_KeyDown(int Index, int KeyCode, int /*Shift*/) {
  try {
    // Any key during Auto Trace, Esc among them, stops it and does nothing else.
    if (Index != 0 || StopAutoTrace()) {
      return;
    }
    if (selectedPoint && EditSelectedPoint(KeyCode)) {
      UpdateMagnifier();
      return;
    }
    switch (KeyCode) {
      case platform::kKeyUp:
      case platform::kKeyDown: {
        SetTraceHeight(lnTrace->Y1() + (KeyCode == platform::kKeyUp ? -15.0F : 15.0F));
        UpdatePositionReadout();
        break;
      }
      case platform::kKeyReturn:
        if (RecordTracePoint()) {
          SnapToCurve();
        }
        UpdatePositionReadout();
        break;
      case platform::kKeyBack:
        UndoTracePoint();
        break;
      default:
        return;
    }
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

void Form1::mnuSaveTrace_Click() { mnuSaveAs_Click(); }

void Form1::mnuSaveAs_Click() {
  try {
    StopAutoTrace();
    SaveTrace();
  } catch (const std::exception&) {
  }
}

bool Form1::SaveTrace() {
  try {
    // The points of an impedance trace stay impedances after Stop Trace.
    const bool impedance = isImpedanceTrace || isImpedanceRecorded;
    SaveAs.cancelError = true;
    SaveAs.title = impedance ? QStringLiteral("Save Impedance Trace As") : QStringLiteral("Save SPL Trace As");
    SaveAs.fileName = impedance ? QStringLiteral("speaker.zma") : QStringLiteral("speaker.frd");
    SaveAs.defaultExt = impedance ? QStringLiteral("zma") : QStringLiteral("frd");
    SaveAs.filter.clear();
    SaveAs.overwritePrompt = true;
    const std::optional<QString> path = services_.fileDialog.ShowSave(SaveAs);
    if (!path || path->isEmpty()) {
      return false;
    }
    // Every recorded point, in the file layout the viewer reads: frequency, level or impedance,
    // phase 0, with 7 significant digits and "." whatever the user's locale.
    const std::vector<float>& levels = impedance ? traceOhms : traceDbs;
    std::string text;
    for (std::size_t k = 0; k < static_cast<std::size_t>(g_.recordedPointCount); ++k) {
      text += platform::SingleText(traceFreqs[k]);
      text += ' ';
      text += platform::SingleText(levels[k]);
      text += " 0\r\n";
    }
    // Written to a temporary file that replaces the target only when complete; unbuffered, so
    // that a short write (a full disk) is seen.
    QSaveFile target(*path);
    const bool written =
        target.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        target.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
        target.commit();
    if (!written) {
      target.cancelWriting();
      services_.messageBox.Show(QStringLiteral("The trace data could not be written to the specified file."),
                                platform::MessageButtons::kOk, kTitle);
      return false;
    }
    isTraceUnsaved = false;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace tracer
