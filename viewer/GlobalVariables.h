// The viewer's state shared by its windows: the three data sets, the kind of the open data, the
// validity flags, the remembered Normalize Data settings, and the graph's settings and colours.
// One instance per running program, made in main.cpp and passed to the windows by reference.
#pragma once

#include <QColor>
#include <array>
#include <cmath>
#include <string>

#include "ResponseSet.h"

namespace viewer {

struct GlobalVariables {
  data::ResponseSet loadedData;      // as read from the open file
  data::ResponseSet adjustedData;    // result of Adjust Magnitude
  data::ResponseSet normalizedData;  // result of Normalize Data

  int dataIsImpedance = 0;  // 1 after "Impedance Data File", 0 after "Frequency Response Data File"
  bool dataLoaded = false;
  bool dataNormalized = false;
  bool dataAdjusted = false;
  std::string fieldSeparator;  // written between frequency and magnitude by Save As

  // Remembered settings of the Normalize Data dialog.
  double normStartFreq = 0;
  double normStopFreq = 0;
  int normPoints = 0;
  int normDistribution = 0;  // 0 linear, 1 logarithmic
  int normPointRange = 0;    // 0 per entire frequency range, 1 per decade

  // Graph settings, lengths in twips.
  int rulerSize = 0;
  int graphSize = 0;
  double graphZoom = 1.5;  // graphSize over the frame's width: 1.5 at start-up, 1 to 32 by zooming
  double graphTopValue = 0;
  double graphBottomValue = 0;

  QColor colorLoaded;
  QColor colorAdjusted;
  QColor colorNormalized;
  QColor colorGraphBack;
  QColor colorRulerBack;
  QColor colorRulerText;
  QColor colorGrid;
  QColor colorNegativeLabel;
  // The overlays' colours, taken in turn: eight that are easy to tell apart, and apart from the
  // curves' blue, red and magenta, the grid's green and the background.
  std::array<QColor, 8> colorOverlays;

  // Base-10 logarithm guarded for the graph: -10 for arguments below 0.1 (zero and negative ones
  // included). Computed as ln(x) / ln(10), which differs from log10 in the last bit for some
  // arguments; the grids depend on that exact value.
  static double SafeLog10(double x) { return x < 0.1 ? -10.0 : std::log(x) / std::log(10.0); }
};

}  // namespace viewer
