// The graph's mappings and scales as plain data, apart from painting: where a frequency or a
// value lies on the surface, which frequencies carry grid lines and labels, and where the level
// rulers put their lines. All positions are twips on the surface, origin top left, y downwards.
//
//   D = graphSize / 5                       twips per decade (1 Hz .. 100 kHz)
//   S = graphSize / (top - bottom)          twips per dB or ohm
//   x(f) = round(SafeLog10(f) * D)          1 Hz -> 0, 100 kHz -> graphSize
//   y(m) = round(graphSize - (m - bottom) * S)   top -> 0, bottom -> graphSize
//   f(x) = 10^(x / D),  m(y) = bottom + (graphSize - y) / S   (unrounded, for the pointer)
// Every rounding goes to the nearest integer with halves to even, checked: a position beyond 32
// bits or a value that is not finite throws platform::OverflowError.
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "GlobalVariables.h"
#include "numbers.h"

namespace viewer {

class GraphMapping {
 public:
  GraphMapping(int graphSize, double topValue, double bottomValue);

  double TwipsPerDecade() const { return d_; }
  double TwipsPerUnit() const { return s_; }
  int X(double frequency) const { return XOfLog(GlobalVariables::SafeLog10(frequency)); }
  // X of a frequency whose SafeLog10 is known. Inline, as they run for every point of every curve.
  int XOfLog(double log10Frequency) const { return platform::RoundToInt32(log10Frequency * d_); }
  int Y(double value) const { return platform::RoundToInt32(graphSize_ - (value - bottom_) * s_); }
  double FrequencyAt(double x) const;
  double ValueAt(double y) const;

 private:
  int graphSize_;
  double bottom_;
  double d_;
  double s_;
};

// The 46 frequencies of the vertical grid: 1, 2, ..., 9, 10, 20, ..., 90, ..., 100000.
const std::vector<int>& GridFrequencies();

// The text of a ruler label: a blank before a non-negative number, "-" before a negative one,
// the number in shortest decimal form (" 2", "-48", " 120").
QString LabelText(double value);

// The frequency ruler's label for `frequency`, if it has one: each decade's first frequency and
// the multiples of twice that, below 100 kHz; from 1 kHz on in kHz with a "k" (" 1", " 2k").
std::optional<QString> FrequencyLabel(int frequency);

// Where a ruler label `extent` twips long starts, given where it would start (`start`) and where
// its tick lies (`tick`), so that the ends of the shown part [low, high] of the ruler cut no label:
// a label whose tick is shown lies whole within that part, moved in from an end where needed
// (from the start end when the part is too short for it); any other lies wholly outside.
double LabelStart(double start, double extent, double tick, double low, double high);

// One horizontal line of a level ruler: its value and its y on the surface.
struct LevelLine {
  double value;
  int y;
};

// The lines of the decibel ruler: from the bottom value up in steps of 3, until a line lies at or
// above the surface's top edge (y below 1), that line included.
std::vector<LevelLine> DecibelLines(const GraphMapping& mapping, int graphSize, double bottomValue);
// The lines of the ohm ruler: from the bottom value up in steps of 4, while not above the top value.
std::vector<LevelLine> OhmLines(const GraphMapping& mapping, double bottomValue, double topValue);

}  // namespace viewer
