// The tracer window's tracing: the Trace commands, the events of the graph area, the recorded
// points and saving them as a response file.
#include <QAction>
#include <QSaveFile>
#include <algorithm>
#include <string>

#include "Form1.h"
#include "frmTraceOpt.h"
#include "numbers.h"

namespace tracer {

namespace {

bool Registered(const QAction* item) { return Tag(item) == QLatin1String("2"); }

}  // namespace

void Form1::mnuTraceOptions_Click() {
  try {
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
    if (!isGraphImported) {
      refusal = kImportFirst;
    } else if (impedance && (!Registered(mnuReg16Ohm) || !Registered(mnuReg4Ohm))) {
      refusal = QStringLiteral("Use the Alignment menu item to register impedance positions on the graph.");
    } else if (!impedance && (!Registered(mnuReg90Db) || !Registered(mnuReg60Db))) {
      refusal = QStringLiteral("Use the Alignment menu item to register amplitude positions on the graph.");
    } else if (!Registered(mnuReg100Hz) || !Registered(mnuReg10000Hz)) {
      refusal = QStringLiteral("Use the Alignment menu item to register frequency positions on the graph.");
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

void Form1::MoveTracePosition(std::int32_t x) {
  const auto width = static_cast<float>(std::max(0, x));
  pnlTrace->SetWidth(width);
  lnTrace->SetX2(width);
}

void Form1::SetTraceHeight(float y) {
  lnTrace->SetY1(y);
  lnTrace->SetY2(y);
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
  traceLogStep = (LogBase10(g_.traceStopFreq) - LogBase10(g_.traceStartFreq)) / g_.tracePointLimit;
  if (!g_.useTraceLimits) {
    return;
  }
  isTraceArmed = false;
  curFreq = static_cast<float>(g_.traceStartFreq);
  // Where the frequency axis gives no position, the trace starts at the left edge.
  traceX = std::max(FreqToGraphX(LogBase10(curFreq)).value_or(traceX), 120);
  MoveTracePosition(traceX);
  StatusBar->SetPanelText(4, isImpedanceTrace ? QStringLiteral("Trace Impedance") : QStringLiteral("Trace SPL"));
  SnapToCurve();
}

bool Form1::RecordTracePoint() {
  if (!isTracing) {
    return false;
  }
  if (g_.recordedPointCount > g_.tracePointLimit) {
    services_.messageBox.Show(QStringLiteral("The specified trace limit has been reached."),
                              platform::MessageButtons::kOk, kTitle);
    return false;
  }
  traceFreqs.push_back(curFreq);
  traceDbs.push_back(curDb);
  traceOhms.push_back(curOhm);
  const QPointF measured(lnTrace->X2() - static_cast<float>(traceXOffset), lnTrace->Y1());
  tracePlaces.push_back({lnTrace->X2(), lnTrace->Y1(), ToPicture(measured)});
  pnlPoints->Add(measured);
  g_.recordedPointCount = platform::CheckedNarrow<std::int32_t>(traceFreqs.size());
  isTraceUnsaved = true;

  if (g_.useTraceLimits) {
    // Where the frequency axis gives no position, the trace position stays.
    const std::optional<std::int32_t> next = FreqToGraphX(LogBase10(curFreq) + traceLogStep);
    if (!next) {
      return false;
    }
    traceX = *next;
  } else {
    traceX += traceStep;
  }
  if (traceX >= Graph[0]->Width()) {
    services_.messageBox.Show(QStringLiteral("The end of the graph area has been reached."),
                              platform::MessageButtons::kOk, kTitle);
    return false;
  }
  MoveTracePosition(traceX);
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
}

void Form1::mnuTraceStop_Click() {
  try {
    if (!AskToSaveTrace()) {
      return;
    }
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
  } catch (const std::exception&) {
  }
}

void Form1::Graph_MouseMove(int Index, int /*Button*/, int /*Shift*/, float X, float Y) {
  try {
    if (Index != 0) {
      return;
    }
    SetTraceHeight(Y + static_cast<float>(traceYOffset));
    if (isTraceArmed) {
      // A drag that leaves the area to the left gives no negative width.
      const float start = std::max(0.0F, X);
      pnlTrace->SetWidth(start);
      lnTrace->SetX2(start);
    } else if (!isTracing) {
      lnTrace->SetX2(X);
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
    if (Index != 0) {
      return;
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
    StatusBar->SetPanelText(4, isImpedanceTrace ? QStringLiteral("Trace Impedance") : QStringLiteral("Trace SPL"));
    SnapToCurve();
    UpdateMagnifier();
  } catch (const std::exception&) {
  }
}

void Form1::Graph_KeyDown(int Index, int KeyCode, int /*Shift*/) {
  try {
    if (Index != 0) {
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
    SaveAs.cancelError = true;
    SaveAs.title = isImpedanceTrace ? QStringLiteral("Save Impedance Trace As") : QStringLiteral("Save SPL Trace As");
    SaveAs.fileName = isImpedanceTrace ? QStringLiteral("speaker.zma") : QStringLiteral("speaker.frd");
    SaveAs.defaultExt = isImpedanceTrace ? QStringLiteral("zma") : QStringLiteral("frd");
    SaveAs.filter.clear();
    SaveAs.overwritePrompt = true;
    const std::optional<QString> path = services_.fileDialog.ShowSave(SaveAs);
    if (!path || path->isEmpty()) {
      return;
    }
    // Every recorded point, in the file layout the viewer reads: frequency, level or impedance,
    // phase 0, with 7 significant digits and "." whatever the user's locale.
    const std::vector<float>& levels = isImpedanceTrace ? traceOhms : traceDbs;
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
      return;
    }
    isTraceUnsaved = false;
  } catch (const std::exception&) {
  }
}

}  // namespace tracer
