// The rule that keeps a misread label from registering an axis: a label counts only where at
// least three labels of its axis agree on one scale.
//
// A reading places a label's value at the position of the line it labels (pixels along the
// axis). On a linear scale positions follow p = a + b v, on a logarithmic one p = a + b log10 v.
// Through every two readings of different labels runs a scale; a label agrees with it when one
// of its readings lies within `tolerance` pixels of it (the first such of its readings counts:
// they come in order of preference). The scale that most labels agree with
// wins; where two scales that disagree (a label says different things in them) tie, or fewer than
// three labels agree, nothing does.
#pragma once

#include <optional>
#include <vector>

namespace tracer {

struct LabelReading {
  int label;        // which label (a label may have several readings)
  double position;  // of its line, pixels
  double value;
};

enum class ScaleKind { kLinear, kLogarithmic };

struct AgreedScale {
  ScaleKind kind;
  std::vector<LabelReading> agreeing;  // one reading per agreeing label, by position
};

inline constexpr double kAgreementTolerance = 0.5;  // pixels

std::optional<AgreedScale> AgreeOnScale(const std::vector<LabelReading>& readings, bool linear, bool logarithmic,
                                        double tolerance = kAgreementTolerance);

}  // namespace tracer
