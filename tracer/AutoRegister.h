// Registering a graph picture's axes by themselves: the plot area from the picture's long straight
// lines, the tick labels around it read as text, each label on the centre of its grid line (or,
// without one, of its tick mark), and on each axis the two labelled lines farthest apart of those
// that at least three labels agree on (ScaleAgreement). What is not sure stays unregistered.
//
// The frequency axis is logarithmic. A side axis is read both as levels (dB, linear) and as
// impedances (ohms, linear or logarithmic); which it is comes from its title or unit ("dB"; "ohm",
// "Ω", "|Z|", "impedance"), else from the labels themselves (a logarithmic scale is an impedance,
// negative values are levels), else from the other side of a graph with two scales, else from
// the user.
#pragma once

#include <QImage>
#include <QString>
#include <optional>

#include "ScaleAgreement.h"
#include "StraightLines.h"
#include "TextReader.h"

namespace tracer {

struct LabelledLine {
  double position = 0;  // picture pixels across the axis: x of a frequency, y of a level
  double value = 0;
};

struct AxisFound {
  LabelledLine low;  // the smaller value
  LabelledLine high;
  ScaleKind kind = ScaleKind::kLinear;
};

enum class SideUnit { kUnknown, kDecibel, kOhm };

struct SideFound {
  bool labelled = false;  // labels were found beside this axis
  SideUnit unit = SideUnit::kUnknown;
  std::optional<AxisFound> level;      // its labels read as levels in dB
  std::optional<AxisFound> impedance;  // its labels read as impedances in ohms
};

struct AxesFound {
  bool labelled = false;  // any label was found around the plot area
  std::optional<AxisFound> frequency;
  SideFound left;
  SideFound right;
};

AxesFound FindAxes(const QImage& picture, const StraightLines& lines, TextReader& reader);

// Which side axis is the amplitude and which the impedance.
struct VerticalAxes {
  std::optional<AxisFound> amplitude;
  std::optional<AxisFound> impedance;
};

// Whether the unit of a side axis with a scale can be told neither from its text and labels nor
// from the other side, so that the user must be asked whether it is an impedance.
bool NeedsUnitQuestion(const AxesFound& axes);
// The vertical axes; `isImpedance` answers the question where it was asked (about the left axis
// where both are unknown; the right one is then the other kind).
VerticalAxes ChooseVerticalAxes(const AxesFound& axes, std::optional<bool> isImpedance);

// The unit that a title or unit text names, if any.
SideUnit UnitOfText(const QString& text);

}  // namespace tracer
