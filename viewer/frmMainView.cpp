// frmMain's view of the graph beyond the fixed magnification: zooming, the wheel, the readout of
// the pointer's place, the legend, and the graph exported as a picture.
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "DataTools.h"
#include "GraphScale.h"
#include "GraphView.h"
#include "Twips.h"
#include "frmMain.h"
#include "numbers.h"

namespace viewer {

namespace {

const QString kExportTitle = QStringLiteral("Vostrel - Export Picture");

void SetWithin(platform::ScrollBar& bar, int value) { bar.SetValue(std::clamp(value, bar.Min(), bar.Max())); }

// The loaded curve's value at f, as Normalize Data computes it (of `magnitudes` in place of the
// set's own, when given). The search for the first pair that encloses f starts at the last point
// below f, found by halving (the frequencies rise): every pair before it lies below f.
std::optional<double> CurveAt(const data::ResponseSet& set, double f, std::span<const double> magnitudes) {
  std::int32_t low = data::ResponseSet::kFirstPoint;
  std::int32_t high = set.LastIndex();
  while (low < high) {
    const std::int32_t middle = low + (high - low + 1) / 2;
    if (set[middle][data::kFrequency] < f) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return MagnitudeInterpolator(set, low, magnitudes).At(f);
}

}  // namespace

void frmMain::mnuZoomIn_Click() {
  ZoomAbout(g_.graphZoom * kZoomStep, QPoint(pctFrame->Width() / 2, pctFrame->Height() / 2));
}

void frmMain::mnuZoomOut_Click() {
  ZoomAbout(g_.graphZoom / kZoomStep, QPoint(pctFrame->Width() / 2, pctFrame->Height() / 2));
}

void frmMain::mnuZoomFit_Click() {
  try {
    if (!g_.dataLoaded) {
      return;
    }
    const int w = pctFrame->Width();
    g_.graphZoom = FitZoom(g_.loadedData.Minima()[data::kFrequency], g_.loadedData.Maxima()[data::kFrequency],
                           w - 2 * g_.rulerSize, w);
    // The redraw centres the view on the loaded data.
    pctFrame_Resize();
  } catch (const std::exception&) {
  }
}

void frmMain::ZoomAbout(double zoom, QPoint anchor) {
  try {
    const double target = ClampZoom(zoom);
    if (target == g_.graphZoom) {
      return;
    }
    const int oldSize = g_.graphSize;
    const int h = HScrollGraph->Value();
    const int v = VScrollGraph->Value();
    g_.graphZoom = target;
    pctFrame_Resize();
    SetWithin(*HScrollGraph, ScrollKeeping(h, anchor.x(), oldSize, g_.graphSize));
    SetWithin(*VScrollGraph, ScrollKeeping(v, anchor.y(), oldSize, g_.graphSize));
  } catch (const std::exception&) {
  }
}

void frmMain::pctGraph_MouseMove(QPointF pixels) {
  try {
    const double x = pixels.x() * platform::kTwipsPerPixel;
    const double y = pixels.y() * platform::kTwipsPerPixel;
    if (!g_.dataLoaded || x < 0 || y < 0 || x > g_.graphSize || y > g_.graphSize) {
      StatusBar->SetPanelText(2, QString());
      return;
    }
    const GraphMapping mapping(g_.graphSize, g_.graphTopValue, g_.graphBottomValue);
    const double frequency = mapping.FrequencyAt(x);
    const std::optional<double> curve =
        CurveAt(g_.loadedData, frequency, DrawnMagnitudes(g_.loadedData, loadedImpedance_));
    StatusBar->SetPanelText(
        2, CursorReadout(frequency, mapping.ValueAt(y), curve, g_.dataIsImpedance != 0, QLocale().decimalPoint()));
  } catch (const std::exception&) {
  }
}

void frmMain::pctGraph_Wheel(const QWheelEvent& event) {
  try {
    const QPoint delta = event.angleDelta();
    const double steps = (delta.y() != 0 ? delta.y() : delta.x()) / 120.0;
    if (event.modifiers().testFlag(Qt::ControlModifier)) {
      // About the pointer: its place in the frame is the surface's place plus the pointer's.
      const QPointF at = event.position() * platform::kTwipsPerPixel;
      const QPoint anchor(platform::RoundToInt32(pctGraph->Left() + at.x()),
                          platform::RoundToInt32(pctGraph->Top() + at.y()));
      ZoomAbout(g_.graphZoom * std::pow(kZoomStep, steps), anchor);
      return;
    }
    // A notch scrolls an eighth of what the frame shows.
    const bool across = event.modifiers().testFlag(Qt::ShiftModifier) || delta.y() == 0;
    platform::ScrollBar& bar = across ? *HScrollGraph : *VScrollGraph;
    const int shown = (across ? pctFrame->Width() : pctFrame->Height()) - 2 * g_.rulerSize;
    SetWithin(bar, platform::RoundToInt32(bar.Value() - steps * shown / 8.0));
  } catch (const std::exception&) {
  }
}

void frmMain::RedrawKeepingView() {
  const int h = HScrollGraph->Value();
  const int v = VScrollGraph->Value();
  RedrawGraph();
  SetWithin(*HScrollGraph, h);
  SetWithin(*VScrollGraph, v);
}

void frmMain::DrawLegend() {
  const int fraction = SmoothingFraction();
  pctLegend->Cls();
  if (!g_.dataLoaded || (overlays_.empty() && fraction == 0)) {
    pctLegend->hide();
    return;
  }
  // One line for each file: a sample of its colour and its name with its unit; then the smoothing.
  struct Entry {
    QColor color;
    QString text;
  };
  const auto unit = [](bool impedance) { return impedance ? QStringLiteral(" (ohm)") : QStringLiteral(" (dB)"); };
  std::vector<Entry> entries{{g_.colorLoaded, loadedName_ + unit(loadedImpedance_)}};
  for (const Overlay& overlay : overlays_) {
    entries.push_back({overlay.color, overlay.name + unit(overlay.impedance)});
  }
  if (fraction != 0) {
    entries.push_back({QColor(), QStringLiteral("Smoothing: 1/%1 octave").arg(fraction)});
  }

  // Laid out in pixels, drawn in twips.
  const QFontMetricsF metrics(pctLegend->font());
  const double line = std::ceil(metrics.height());
  constexpr double kPad = 6;
  constexpr double kSample = 24;
  constexpr double kGap = 6;
  double widest = 0;
  for (const Entry& entry : entries) {
    widest = std::max(widest, metrics.horizontalAdvance(entry.text));
  }
  const auto twips = [](double pixels) { return platform::RoundToInt32(pixels * platform::kTwipsPerPixel); };
  const int width = twips(kPad + kSample + kGap + std::ceil(widest) + kPad);
  const int height = twips(2 * kPad + line * static_cast<double>(entries.size()));
  const int corner = g_.rulerSize + twips(8);
  pctLegend->Move(corner, corner, width, height);
  const QColor border(128, 128, 128);
  const auto right = static_cast<float>(width - platform::kTwipsPerPixel);
  const auto bottom = static_cast<float>(height - platform::kTwipsPerPixel);
  pctLegend->Line(0, 0, right, 0, border);
  pctLegend->Line(right, 0, right, bottom, border);
  pctLegend->Line(right, bottom, 0, bottom, border);
  pctLegend->Line(0, bottom, 0, 0, border);
  pctLegend->SetForeColor(Qt::black);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const double top = kPad + line * static_cast<double>(i);
    if (entries[i].color.isValid()) {
      for (const double offset : {-1.0, 0.0, 1.0}) {
        const auto y = static_cast<float>(twips(top + std::floor(line / 2) + offset));
        pctLegend->Line(static_cast<float>(twips(kPad)), y, static_cast<float>(twips(kPad + kSample)), y,
                        entries[i].color);
      }
    }
    pctLegend->SetCurrentX(twips(kPad + kSample + kGap));
    pctLegend->SetCurrentY(twips(top));
    pctLegend->Print(entries[i].text);
  }
  pctLegend->show();
}

QRect frmMain::ShownArea() const { return {0, 0, pctFrame->Width() - g_.rulerSize, pctFrame->Height() - g_.rulerSize}; }

void frmMain::mnuExportPicture_Click() {
  try {
    platform::FileDialogSettings settings;
    settings.cancelError = true;
    settings.title = QStringLiteral("Export Picture");
    settings.fileName = QStringLiteral("graph.png");
    settings.filter = QStringLiteral(
        "PNG Image (*.png)|*.png|PNG Image at Twice the Resolution (*.png)|*.png|SVG Drawing (*.svg)|*.svg");
    settings.filterIndex = 1;
    settings.defaultExt = QStringLiteral("png");
    const std::optional<QString> path = services_.fileDialog.ShowSave(settings);
    if (!path || path->isEmpty()) {
      return;
    }
    if (QFileInfo::exists(*path) &&
        services_.messageBox.Show(QStringLiteral("The specified file exists. Do you want to overwrite it?"),
                                  platform::MessageButtons::kYesNo, kExportTitle) != platform::MessageResult::kYes) {
      return;
    }
    // What the frame shows: the visible part of the graph with both rulers, without the scroll bars.
    const QRect twips = ShownArea();
    const QRect pixels(0, 0, platform::TwipsToPixels(twips.width()), platform::TwipsToPixels(twips.height()));
    const QWidget::RenderFlags flags = QWidget::DrawWindowBackground | QWidget::DrawChildren;
    QSaveFile file(*path);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (written && path->endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
      QSvgGenerator svg;
      svg.setOutputDevice(&file);
      svg.setSize(pixels.size());
      svg.setViewBox(pixels);
      svg.setTitle(QStringLiteral("Vostrel"));
      QPainter painter(&svg);
      pctFrame->render(&painter, QPoint(), QRegion(pixels), flags);
      written = painter.end();
    } else if (written) {
      // At the screen's resolution, or at twice it when the second filter was chosen.
      const int scale = settings.filterIndex == 2 ? 2 : 1;
      QImage image(pixels.size() * scale, QImage::Format_RGB32);
      image.setDevicePixelRatio(scale);
      image.fill(Qt::white);
      QPainter painter(&image);
      pctFrame->render(&painter, QPoint(), QRegion(pixels), flags);
      painter.end();
      written = image.save(&file, "PNG");
    }
    if (!written || !file.commit()) {
      file.cancelWriting();
      services_.messageBox.Show(QStringLiteral("The picture could not be written to the specified file."),
                                platform::MessageButtons::kOk, kExportTitle);
    }
  } catch (const std::exception&) {
  }
}

}  // namespace viewer
