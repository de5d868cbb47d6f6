// The rule that keeps a misread label from registering an axis: a label counts only where at
// least three labels of its axis agree on one scale.
//
// A reading places a label's value at the position of the line it labels (pixels along the
// axis). On a linear scale positions follow p = a + b u with u = v, on a logarithmic one with
// u = log10 v. Labels agree when one scale passes within `tolerance` pixels of one reading of
// each: the scale that does best is the minimax line, min over (a, b) of max |p - a - b u|
// (half a pixel covers lines that the drawing program put on whole pixels, up to half a pixel
// off its scale). Candidates start from the scale through every two readings of different labels;
// each label takes its first reading that agrees (they come in order of preference). The set
// that most labels agree on wins; where two sets that disagree (a label says different things
// in them) tie, or fewer than three labels agree, nothing does. Of two sets as large that agree,
// the one on the lines the labels put first wins (a label's grid line before its tick mark, which
// may be a minor line's), then the one that fits best. Exactly three agree only where
// their values step evenly (a logarithmic scale by decades), as the labels of an axis do; on a
// logarithmic scale the labels that agree span at least a factor of two.
#pragma once

#include <optional>
#include <vector>

namespace tracer {

struct LabelReading {
  int label;        // which label (a label may have several readings)
  double position;  // of its line, pixels
  double value;
  int rank = 0;  // how far down the label's lines this one comes (0: the line the label stands on)
};

enum class ScaleKind { kLinear, kLogarithmic };

struct AgreedScale {
  ScaleKind kind;
  std::vector<LabelReading> agreeing;  // one reading per agreeing label, by position
};

inline constexpr double kAgreementTolerance = 0.6;  // pixels

// `linear` and `logarithmic` allow the kinds of scale; `rising`: the positions grow with the
// values (a bottom axis; a side axis grows upwards, so its positions fall).
std::optional<AgreedScale> AgreeOnScale(const std::vector<LabelReading>& readings, bool linear, bool logarithmic,
                                        bool rising, double tolerance = kAgreementTolerance);

}  // namespace tracer
