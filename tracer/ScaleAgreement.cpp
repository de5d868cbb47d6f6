#include "ScaleAgreement.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tracer {

namespace {

struct Candidate {
  ScaleKind kind;
  std::map<int, LabelReading> agreeing;  // by label
  double worst = 0;                      // the largest distance of an agreeing reading, pixels
};

double Unit(ScaleKind kind, double value) { return kind == ScaleKind::kLinear ? value : std::log10(value); }

bool Usable(ScaleKind kind, double value) { return std::isfinite(value) && (kind == ScaleKind::kLinear || value > 0); }

// The labels that agree with the scale through readings a and b, each with its first reading that does.
Candidate Through(ScaleKind kind, const LabelReading& a, const LabelReading& b,
                  const std::vector<LabelReading>& readings, double tolerance) {
  Candidate candidate{kind, {}, 0};
  const double ua = Unit(kind, a.value);
  const double slope = (b.position - a.position) / (Unit(kind, b.value) - ua);
  std::map<int, double> distance;
  for (const LabelReading& r : readings) {
    if (!Usable(kind, r.value)) {
      continue;
    }
    const double d = std::fabs(a.position + (Unit(kind, r.value) - ua) * slope - r.position);
    if (d <= tolerance && distance.find(r.label) == distance.end()) {
      distance[r.label] = d;
      candidate.agreeing[r.label] = r;
    }
  }
  for (const auto& [label, d] : distance) {
    candidate.worst = std::max(candidate.worst, d);
  }
  return candidate;
}

// Whether two scales disagree: of a different kind, or a label that both count says different
// things in them. (Scales through different readings of one consistent set of labels differ only
// in the labels at the edge of the tolerance, and in a label's grid line against its tick mark.)
bool Disagree(const Candidate& x, const Candidate& y) {
  if (x.kind != y.kind) {
    return true;
  }
  for (const auto& [label, r] : x.agreeing) {
    const auto it = y.agreeing.find(label);
    if (it != y.agreeing.end() && it->second.value != r.value) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<AgreedScale> AgreeOnScale(const std::vector<LabelReading>& readings, bool linear, bool logarithmic,
                                        double tolerance) {
  std::optional<Candidate> best;
  bool tied = false;
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
        Candidate c = Through(kind, a, b, readings, tolerance);
        if (!best || c.agreeing.size() > best->agreeing.size()) {
          best = std::move(c);
          tied = false;
        } else if (c.agreeing.size() == best->agreeing.size()) {
          if (Disagree(c, *best)) {
            tied = true;
          } else if (c.worst < best->worst) {
            best = std::move(c);
          }
        }
      }
    }
  }
  if (!best || tied || best->agreeing.size() < 3) {
    return std::nullopt;
  }
  // The scale refitted through the agreeing readings (least squares); each label then takes its
  // first reading that agrees with it, so that a grid line is preferred to its tick mark.
  double su = 0, sp = 0, suu = 0, sup = 0;
  for (const auto& [label, r] : best->agreeing) {
    const double u = Unit(best->kind, r.value);
    su += u;
    sp += r.position;
    suu += u * u;
    sup += u * r.position;
  }
  const double n = double(best->agreeing.size());
  const double slope = (n * sup - su * sp) / (n * suu - su * su);
  const double offset = (sp - slope * su) / n;
  AgreedScale scale{best->kind, {}};
  for (const auto& [label, chosen] : best->agreeing) {
    LabelReading taken = chosen;
    for (const LabelReading& r : readings) {
      if (r.label == label && r.value == chosen.value &&
          std::fabs(offset + slope * Unit(best->kind, r.value) - r.position) <= tolerance) {
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
