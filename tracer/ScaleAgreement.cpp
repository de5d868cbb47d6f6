#include "ScaleAgreement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

namespace tracer {

namespace {

constexpr double kLeastSpan = 2;

double Unit(ScaleKind kind, double value) { return kind == ScaleKind::kLinear ? value : std::log10(value); }

bool Usable(ScaleKind kind, double value) { return std::isfinite(value) && (kind == ScaleKind::kLinear || value > 0); }

// A scale p = offset + slope * u, and the farthest that its readings lie from it.
struct Fit {
  double slope = 0;
  double offset = 0;
  double worst = std::numeric_limits<double>::infinity();
  double Distance(ScaleKind kind, const LabelReading& r) const {
    return std::fabs(offset + slope * Unit(kind, r.value) - r.position);
  }
};

using Readings = std::map<int, LabelReading>;  // one reading per label

// The minimax line through the readings. Its slope is that of two of them (of the three points
// where its error alternates, two lie on one side at one distance), so trying every two finds it.
Fit Minimax(ScaleKind kind, const Readings& readings) {
  std::vector<LabelReading> r;
  for (const auto& [label, reading] : readings) {
    r.push_back(reading);
  }
  Fit best;
  for (std::size_t i = 0; i < r.size(); ++i) {
    for (std::size_t j = i + 1; j < r.size(); ++j) {
      const double du = Unit(kind, r[j].value) - Unit(kind, r[i].value);
      if (du == 0) {
        continue;
      }
      const double slope = (r[j].position - r[i].position) / du;
      double low = std::numeric_limits<double>::infinity();
      double high = -low;
      for (const LabelReading& k : r) {
        const double rest = k.position - slope * Unit(kind, k.value);
        low = std::min(low, rest);
        high = std::max(high, rest);
      }
      if ((high - low) / 2 < best.worst) {
        best = {slope, (high + low) / 2, (high - low) / 2};
      }
    }
  }
  return best;
}

// Each label's first reading within `reach` of the scale.
Readings Near(ScaleKind kind, const Fit& scale, const std::vector<LabelReading>& readings, double reach) {
  Readings near;
  for (const LabelReading& r : readings) {
    if (Usable(kind, r.value) && near.find(r.label) == near.end() && scale.Distance(kind, r) <= reach) {
      near.emplace(r.label, r);
    }
  }
  return near;
}

struct Candidate {
  ScaleKind kind;
  Readings agreeing;
  Fit fit;
};

// The labels that agree on a scale near the one through readings a and b. Each of the two may lie
// a tolerance off the scale, so the others are first looked for twice as far; the farthest from
// the minimax line goes until the rest agree, and then every label that agrees with it joins.
Candidate Through(ScaleKind kind, const LabelReading& a, const LabelReading& b,
                  const std::vector<LabelReading>& readings, double tolerance) {
  Fit line;
  line.slope = (b.position - a.position) / (Unit(kind, b.value) - Unit(kind, a.value));
  line.offset = a.position - line.slope * Unit(kind, a.value);
  Readings set = Near(kind, line, readings, 2 * tolerance);
  Fit fit = Minimax(kind, set);
  while (set.size() > 2 && fit.worst > tolerance) {
    const auto farthest = std::max_element(set.begin(), set.end(), [&](const auto& x, const auto& y) {
      return fit.Distance(kind, x.second) < fit.Distance(kind, y.second);
    });
    set.erase(farthest);
    fit = Minimax(kind, set);
  }
  if (set.size() < 2) {
    return {kind, {}, {}};
  }
  Readings grown = Near(kind, fit, readings, tolerance);
  const Fit refit = Minimax(kind, grown);
  if (grown.size() >= set.size() && refit.worst <= tolerance) {
    return {kind, std::move(grown), refit};
  }
  return {kind, std::move(set), fit};
}

// Whether set y disagrees with set x: of a different kind, a label that both count says
// different things in them, or together (with the lines that x takes) they fit no one scale.
// (Sets found from different readings of one consistent set of labels differ only in the labels
// at the edge of the tolerance, and in a label's grid line against its tick mark.)
bool Disagree(const Candidate& x, const Candidate& y, double tolerance) {
  if (x.kind != y.kind) {
    return true;
  }
  Readings both = x.agreeing;
  for (const auto& [label, r] : y.agreeing) {
    const auto it = both.find(label);
    if (it == both.end()) {
      both.emplace(label, r);
    } else if (it->second.value != r.value) {
      return true;
    }
  }
  return Minimax(x.kind, both).worst > 2 * tolerance;
}

// Whether three values step evenly, as an axis labels them: by equal differences on a linear
// scale, by decades on a logarithmic one.
bool EvenSteps(ScaleKind kind, const Readings& readings) {
  std::vector<double> v;
  for (const auto& [label, r] : readings) {
    v.push_back(r.value);
  }
  std::sort(v.begin(), v.end());
  const auto same = [](double x, double y) { return std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y)); };
  if (kind == ScaleKind::kLogarithmic) {
    return same(v[1], 10 * v[0]) && same(v[2], 10 * v[1]);
  }
  return same(v[1] - v[0], v[2] - v[1]);
}

}  // namespace

std::optional<AgreedScale> AgreeOnScale(const std::vector<LabelReading>& readings, bool linear, bool logarithmic,
                                        bool rising, double tolerance) {
  // Where only three labels were read, they must step evenly too.
  std::set<int> read;
  for (const LabelReading& r : readings) {
    read.insert(r.label);
  }
  const bool onlyThree = read.size() == 3;
  // How far down its labels' lines a set lies (0: on the lines they stand on).
  const auto rank = [](const Candidate& k) {
    int sum = 0;
    for (const auto& [label, r] : k.agreeing) {
      sum += r.rank;
    }
    return sum;
  };
  std::optional<Candidate> best;
  std::vector<Candidate> others;  // every other set of three labels or more
  for (const ScaleKind kind : {ScaleKind::kLinear, ScaleKind::kLogarithmic}) {
    if ((kind == ScaleKind::kLinear && !linear) || (kind == ScaleKind::kLogarithmic && !logarithmic)) {
      continue;
    }
    for (std::size_t i = 0; i < readings.size(); ++i) {
      for (std::size_t j = i + 1; j < readings.size(); ++j) {
        const LabelReading& a = readings[i];
        const LabelReading& b = readings[j];
        if (a.label == b.label || !Usable(kind, a.value) || !Usable(kind, b.value) ||
            std::fabs(a.position - b.position) <= 2 * tolerance || Unit(kind, a.value) == Unit(kind, b.value)) {
          continue;
        }
        if (((b.position > a.position) == (Unit(kind, b.value) > Unit(kind, a.value))) != rising) {
          continue;  // the scale would run the wrong way
        }
        Candidate c = Through(kind, a, b, readings, tolerance);
        if (c.agreeing.size() < 3 || (c.fit.slope > 0) != rising) {
          continue;
        }
        // Labels of a logarithmic axis span at least a factor of kLeastSpan; three that span less
        // step by a sliver of a decade over the whole plot (powers of ten whose exponents were
        // read as last digits: "101" to "104").
        if (kind == ScaleKind::kLogarithmic) {
          const auto [low, high] =
              std::minmax_element(c.agreeing.begin(), c.agreeing.end(),
                                  [](const auto& x, const auto& y) { return x.second.value < y.second.value; });
          if (high->second.value < kLeastSpan * low->second.value) {
            continue;
          }
        }
        const bool better = !best || c.agreeing.size() > best->agreeing.size() ||
                            (c.agreeing.size() == best->agreeing.size() &&
                             (rank(c) < rank(*best) || (rank(c) == rank(*best) && c.fit.worst < best->fit.worst)));
        if (better && (!onlyThree || EvenSteps(kind, c.agreeing))) {
          if (best) {
            others.push_back(std::move(*best));
          }
          best = std::move(c);
        } else {
          others.push_back(std::move(c));
        }
      }
    }
  }
  if (!best) {
    return std::nullopt;
  }
  // Three labels that agree are the evidence of a scale; where two sets say different things (a
  // digit lost or gained in every label of a blurred axis), the larger one counts only where it
  // has at least twice as many labels (a misread label that happens to fit two others).
  for (const Candidate& other : others) {
    if (best->agreeing.size() < 2 * other.agreeing.size() && Disagree(*best, other, tolerance)) {
      return std::nullopt;
    }
  }
  // A zero lost or gained in every label moves the values by decades but leaves the lines: a
  // label outside the set that reads a whole number ten or a hundred times (or a tenth of) the
  // scale's value at its line stands against the scale. (A stray decimal point, ".50" for "50",
  // is a misreading of one label.)
  for (const LabelReading& r : readings) {
    if (best->agreeing.count(r.label) != 0 || r.value == 0 || r.value != std::round(r.value)) {
      continue;
    }
    for (const double factor : {0.01, 0.1, 10.0, 100.0}) {
      const LabelReading shifted{r.label, r.position, r.value * factor};
      if (Usable(best->kind, shifted.value) && best->fit.Distance(best->kind, shifted) <= 2 * tolerance) {
        return std::nullopt;
      }
    }
  }
  // Each label takes its first reading of the agreed value that lies on the scale, so that a
  // grid line is preferred to its tick mark.
  AgreedScale scale{best->kind, {}};
  for (const auto& [label, chosen] : best->agreeing) {
    LabelReading taken = chosen;
    for (const LabelReading& r : readings) {
      if (r.label == label && r.value == chosen.value && best->fit.Distance(best->kind, r) <= tolerance) {
        taken = r;
        break;
      }
    }
    scale.agreeing.push_back(taken);
  }
  std::sort(scale.agreeing.begin(), scale.agreeing.end(),
            [](const LabelReading& x, const LabelReading& y) { return x.position < y.position; });
  // Two labels on one line cannot both be right unless they say the same.
  for (std::size_t k = 1; k < scale.agreeing.size(); ++k) {
    if (scale.agreeing[k].position - scale.agreeing[k - 1].position <= 2 * tolerance) {
      return std::nullopt;
    }
  }
  return scale;
}

}  // namespace tracer
