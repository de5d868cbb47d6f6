// frmMain's graph: the frame layout, scrolling, and drawing the grid, the rulers and the curves.
#include <QFontMetricsF>
#include <QSize>
#include <algorithm>
#include <cmath>
#include <vector>

#include "GraphScale.h"
#include "Window.h"
#include "frmMain.h"
#include "numbers.h"

namespace viewer {

void frmMain::Form_Resize() {
  if (isMinimized()) {
    return;
  }
  try {
    const QSize outer = platform::OuterSizeTwips(*this);
    const int width = outer.width() - 360;
    const int height = outer.height() - 1110;
    const bool resized = width != pctFrame->Width() || height != pctFrame->Height();
    pctFrame->Move(120, 120, width, height);
    if (resized) {
      pctFrame_Resize();
    }
  } catch (const std::exception&) {
    // A window too small for the frame: the frame keeps its placement.
  }
}

void frmMain::pctFrame_Resize() {
  try {
    const int w = pctFrame->Width();
    const int h = pctFrame->Height();
    const int r = g_.rulerSize;
    g_.graphSize = platform::RoundToInt32(w * g_.graphZoom);
    HScrollGraph->Move(r, h - r, w - 2 * r, r - 15);
    VScrollGraph->Move(w - r, r, r - 15, h - 2 * r);
    pctCorner[0]->Move(0, 0, r, r);
    pctCorner[1]->Move(w - r, h - r, r, r);
    pctStrip[0]->Move(w - 15, r, 15, h - 2 * r);
    pctStrip[1]->Move(r, h - 15, w - 2 * r, 15);

    const int hMax = platform::CheckedNarrow<int>(static_cast<long long>(g_.graphSize) - w + r);
    HScrollGraph->SetMin(-r);
    HScrollGraph->SetMax(hMax);
    HScrollGraph->SetLargeChange(platform::RoundToInt32(HScrollGraph->Max() / 5.0));
    HScrollGraph->SetSmallChange(platform::RoundToInt32(HScrollGraph->Max() / 10.0));
    const int vMax = platform::CheckedNarrow<int>(static_cast<long long>(g_.graphSize) - h + r);
    VScrollGraph->SetMin(-r);
    VScrollGraph->SetMax(vMax);
    VScrollGraph->SetLargeChange(platform::RoundToInt32(VScrollGraph->Max() / 8.0));
    VScrollGraph->SetSmallChange(platform::RoundToInt32(VScrollGraph->Max() / 16.0));

    // The surface and the rulers follow the graph's size, so a widened window is not cut off.
    pctGraph->Move(pctGraph->Left(), pctGraph->Top(), g_.graphSize, g_.graphSize);
    HMeasureGraph->Move(HMeasureGraph->Left(), 0, g_.graphSize, r);
    VMeasureGraph->Move(0, VMeasureGraph->Top(), r, g_.graphSize);

    RedrawGraph();
  } catch (const std::exception&) {
    pctGraph->Cls();
  }
}

void frmMain::HScrollGraph_Change() {
  try {
    const int value = HScrollGraph->Value();
    pctGraph->Move(-value, pctGraph->Top());
    HMeasureGraph->Move(-value, 0);
    // Its labels are placed for the part of it that is shown.
    HMeasureGraph->update();
    if (pctGraph->isVisible()) {
      pctGraph->setFocus();
    }
  } catch (const std::exception&) {
  }
}

void frmMain::VScrollGraph_Change() {
  try {
    const int value = VScrollGraph->Value();
    pctGraph->Move(pctGraph->Left(), -value);
    VMeasureGraph->Move(0, -value);
    LabelLevelRuler();
    if (pctGraph->isVisible()) {
      pctGraph->setFocus();
    }
  } catch (const std::exception&) {
  }
}

void frmMain::HScrollGraph_Scroll() { HScrollGraph_Change(); }

void frmMain::VScrollGraph_Scroll() { VScrollGraph_Change(); }

void frmMain::RedrawGraph() {
  HMeasureGraph->Move(pctGraph->Left(), 0);
  VMeasureGraph->Move(0, pctGraph->Top());
  pctGraph->Cls();
  if (g_.dataLoaded) {
    DrawGrid();
    DrawOverlays();
  }
  if (g_.dataNormalized) {
    PlotResponse(g_.normalizedData, g_.colorNormalized);
  }
  if (g_.dataAdjusted) {
    PlotResponse(g_.adjustedData, g_.colorAdjusted);
  }
  if (g_.dataLoaded) {
    PlotResponse(g_.loadedData, g_.colorLoaded);
  }
}

void frmMain::DrawGrid() {
  pctGraph->Cls();
  HMeasureGraph->Cls();
  VMeasureGraph->Cls();
  const GraphMapping mapping(g_.graphSize, g_.graphTopValue, g_.graphBottomValue);
  const auto size = static_cast<float>(g_.graphSize);
  for (const int f : GridFrequencies()) {
    const auto x = static_cast<float>(mapping.X(f));
    pctGraph->Line(x, size, x, 0, g_.colorGrid);
  }
  DrawFrequencyRuler();
  if (g_.dataIsImpedance == 0) {
    DrawDbRuler();
  } else {
    DrawOhmRuler();
  }
}

void frmMain::PlotResponse(const data::ResponseSet& set, const QColor& color) {
  DrawCurve(set, color, loadedImpedance_);
  CenterGraphOnData(set);
}

void frmMain::DrawOverlays() {
  for (const Overlay& overlay : overlays_) {
    try {
      DrawCurve(overlay.data, overlay.color, overlay.impedance);
    } catch (const platform::OverflowError&) {
      // An overlay with values beyond the graph's positions is drawn as far as it goes; the
      // loaded file's curves are still drawn.
    }
  }
}

void frmMain::DrawCurve(const data::ResponseSet& set, const QColor& color, bool impedance) {
  const GraphMapping mapping(g_.graphSize, g_.graphTopValue, g_.graphBottomValue);
  // Each point joins the one before it, but no segment leaves a point at or left of 1 Hz, the
  // first point included: such a point ends the polyline it closes. A curve whose frequencies
  // rise is one polyline.
  std::vector<platform::TwipPoint> run;
  run.reserve(static_cast<std::size_t>(std::max(0, set.PointCount())));
  const auto draw = [&] {
    if (run.size() >= 2) {
      pctGraph->Polyline(std::move(run), color);
    }
    run.clear();
  };
  const std::vector<double>& logs = FrequencyLogs(set);
  const std::span<const double> smoothed = DrawnMagnitudes(set, impedance);
  int px = -1;
  int py = -1;
  try {
    for (int i = data::ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
      const auto k = static_cast<std::size_t>(i - data::ResponseSet::kFirstPoint);
      const int x = mapping.XOfLog(logs[k]);
      const int y = mapping.Y(smoothed.empty() ? set[i][data::kMagnitude] : smoothed[k]);
      if (px > 0) {
        if (run.empty()) {
          run.push_back({static_cast<float>(px), static_cast<float>(py)});
        }
        run.push_back({static_cast<float>(x), static_cast<float>(y)});
      } else {
        draw();
      }
      px = x;
      py = y;
    }
  } catch (const platform::OverflowError&) {
    draw();  // what was drawn before the failure stays
    throw;
  }
  draw();
}

const std::vector<double>& frmMain::FrequencyLogs(const data::ResponseSet& set) {
  std::vector<double>& logs = curves_[&set].logs;
  const auto count = static_cast<std::size_t>(std::max(0, set.PointCount()));
  if (logs.size() != count) {
    logs.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
      logs[k] = GlobalVariables::SafeLog10(set[static_cast<int>(k) + data::ResponseSet::kFirstPoint][data::kFrequency]);
    }
  }
  return logs;
}

std::span<const double> frmMain::DrawnMagnitudes(const data::ResponseSet& set, bool impedance) {
  const int fraction = SmoothingFraction();
  if (fraction == 0) {
    return {};
  }
  std::vector<double>& smoothed = curves_[&set].smoothed;
  if (smoothed.size() != static_cast<std::size_t>(std::max(0, set.PointCount()))) {
    smoothed = SmoothedMagnitudes(set, fraction, !impedance, FrequencyLogs(set));
  }
  return smoothed;
}

void frmMain::CenterGraphOnData(const data::ResponseSet& set) {
  using platform::RoundToInt32;
  const auto place = [](platform::ScrollBar& bar, int value) {
    if (value > bar.Max()) {
      bar.SetValue(bar.Max());
    } else if (value < bar.Min()) {
      bar.SetValue(bar.Min());
    } else {
      bar.SetValue(value);
    }
  };

  // Horizontal: the mean of the logarithms of the lowest and highest frequency.
  const auto wh = static_cast<float>(HScrollGraph->Width());
  const int hSpan = RoundToInt32(HScrollGraph->Max() + double{wh} - HScrollGraph->Min());
  const double m = (GlobalVariables::SafeLog10(set.Maxima()[data::kFrequency]) +
                    GlobalVariables::SafeLog10(set.Minima()[data::kFrequency])) /
                   2;
  const int x = RoundToInt32(hSpan * (m / 5));
  place(*HScrollGraph, RoundToInt32(HScrollGraph->Min() - double{wh} / 2 + x));

  // Vertical: the middle of the magnitudes, as a height above the graph's bottom edge.
  const auto hv = static_cast<float>(VScrollGraph->Height());
  const int vSpan = RoundToInt32(VScrollGraph->Max() + double{hv} - VScrollGraph->Min());
  const int range = RoundToInt32(g_.graphTopValue - g_.graphBottomValue);
  const double middle = (set.Maxima()[data::kMagnitude] + set.Minima()[data::kMagnitude]) / 2;
  const int y = RoundToInt32(vSpan * ((middle - g_.graphBottomValue) / range));
  place(*VScrollGraph, RoundToInt32(double{hv} / 2 + VScrollGraph->Max() - y));
}

void frmMain::HMeasureGraph_Paint() {
  try {
    DrawFrequencyRuler();
  } catch (const std::exception&) {
    // The ruler shows what was drawn before the failure.
  }
}

void frmMain::DrawFrequencyRuler() {
  platform::PictureBox& ruler = *HMeasureGraph;
  ruler.Cls();
  ruler.SetFontTransparent(false);
  const GraphMapping mapping(g_.graphSize, g_.graphTopValue, g_.graphBottomValue);
  const auto r = static_cast<float>(g_.rulerSize);
  // The shown part of the ruler: right of the corner square, up to the frame's right edge.
  const double low = std::max(0, g_.rulerSize - ruler.Left());
  const double high = std::min(g_.graphSize, pctFrame->Width() - ruler.Left());
  const QFontMetricsF metrics(ruler.font());
  for (const int f : GridFrequencies()) {
    const int x = mapping.X(f);
    ruler.Line(static_cast<float>(x), r, static_cast<float>(x), r - 60);
    const std::optional<QString> label = FrequencyLabel(f);
    const double extent = label ? metrics.horizontalAdvance(*label) * platform::kTwipsPerPixel : 0;
    ruler.SetCurrentX(LabelStart(x - 120, extent, x, low, high));
    ruler.SetCurrentY(30);
    if (label) {
      ruler.Print(*label);
    }
  }
}

void frmMain::DrawLevelRuler(const std::vector<LevelLine>& lines) {
  const auto size = static_cast<float>(g_.graphSize);
  for (const LevelLine& line : lines) {
    const auto y = static_cast<float>(line.y);
    pctGraph->Line(0, y, size, y, g_.colorGrid);
  }
  levelLines_ = lines;
  LabelLevelRuler();
}

void frmMain::LabelLevelRuler() {
  if (levelLines_.empty()) {
    return;
  }
  platform::PictureBox& ruler = *VMeasureGraph;
  ruler.Cls();
  ruler.SetFontSize(6);
  ruler.SetFontTransparent(false);
  QFont font = ruler.font();
  font.setPointSizeF(6);
  const double extent = QFontMetricsF(font).height() * platform::kTwipsPerPixel;
  // The shown part of the ruler: below the corner square, down to the frame's bottom edge.
  const double low = std::max(0, g_.rulerSize - ruler.Top());
  const double high = std::min(g_.graphSize, pctFrame->Height() - ruler.Top());
  const auto r = static_cast<float>(g_.rulerSize);
  for (const LevelLine& line : levelLines_) {
    const auto y = static_cast<float>(line.y);
    ruler.Line(r - 60, y, r, y, g_.colorRulerText);
    // Three-digit labels start further left; a label stands above its line.
    ruler.SetCurrentX(line.value > 99 ? -60 : 0);
    ruler.SetCurrentY(LabelStart(line.y - 120, extent, line.y, low, high));
    ruler.SetForeColor(line.value < 0 ? g_.colorNegativeLabel : g_.colorRulerText);
    ruler.Print(LabelText(line.value));
  }
}

void frmMain::DrawDbRuler() {
  const GraphMapping mapping(g_.graphSize, g_.graphTopValue, g_.graphBottomValue);
  DrawLevelRuler(DecibelLines(mapping, g_.graphSize, g_.graphBottomValue));
}

void frmMain::DrawOhmRuler() {
  const GraphMapping mapping(g_.graphSize, g_.graphTopValue, g_.graphBottomValue);
  DrawLevelRuler(OhmLines(mapping, g_.graphBottomValue, g_.graphTopValue));
}

}  // namespace viewer
