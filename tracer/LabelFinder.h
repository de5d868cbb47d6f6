// Finding the texts printed around a graph's plot area: the tick labels below the bottom axis and
// beside the two side axes, and the other texts in those margins (axis titles, units), cut out as
// small pictures for text recognition.
//
// Ink is where a pixel's luminance differs from the margin's background (its most common
// luminance) by more than half the strongest such difference there, so dark text on paper and
// light text on a dark plot read alike. Pieces of ink (4-connected) that touch the axis are tick
// marks. The labels of the bottom axis are the words of the text row nearest below it; those of a
// side axis are the rows of the text column nearest beside it. Within a label, smaller glyphs
// raised after the others are an exponent ("10" with a raised "3"). Zeros drawn with a slash
// through them (bitmap fonts of measuring software) get their slash removed before reading.
#pragma once

#include <QImage>
#include <QRectF>
#include <vector>

namespace tracer {

struct LabelText {
  QRectF box;         // the label's ink on the picture, exponent included (pixels)
  QImage base;        // the label's glyphs, dark on white, at the picture's own size
  QImage exponent;    // raised glyphs after the base, or a null picture
  double textHeight;  // height of the base's tallest glyph, pixels
};

struct MarginTexts {
  std::vector<LabelText> labels;  // along the axis, in reading order
  // Every other text of the margin, upright; text set vertically comes in both turns.
  std::vector<QImage> titles;
};

struct PlotTexts {
  MarginTexts bottom;
  MarginTexts left;
  MarginTexts right;
};

// `plot` bounds the plot area by the centres of its outer lines (picture pixels).
PlotTexts FindPlotTexts(const QImage& picture, const QRectF& plot);

}  // namespace tracer
