#include "AutoRegister.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "LabelFinder.h"
#include "LabelValue.h"
#include "TickMarks.h"

namespace tracer {

namespace {

// A line drawing at least kSolidCoverage of its length is solid; one drawing less than
// kBrokenCoverage broken (dashed, dotted, or digits one above another). Within kBesideFrameShare
// of the longest line's length outside a solid line, a broken one is the labels'.
constexpr double kSolidCoverage = 0.9;
constexpr double kBrokenCoverage = 0.6;
constexpr double kBesideFrameShare = 0.1;

struct Extent {
  double low = 0;  // centres across, the outermost lines
  double high = 0;
  double from = 0;  // and how far the lines reach along
  double to = 0;
  bool found = false;
};

// The outermost of the long lines running one way (at least half as long as the longest), and
// the stretch they cover along. Not a broken one just outside a solid one: the labels beside the
// frame, ending in the same digit one above another, stack into a broken line there (the plot
// area reaching over them, their last digits were lost: 10 read as 1, 50 as 5).
Extent Lines(const StraightLines& lines, bool horizontal) {
  int longest = 0;
  for (const StraightLine& l : lines.Lines()) {
    if (l.horizontal == horizontal) {
      longest = std::max(longest, l.to - l.from + 1);
    }
  }
  const auto isLong = [&](const StraightLine& l) {
    return l.horizontal == horizontal && 2 * (l.to - l.from + 1) >= longest;
  };
  double solidLow = std::numeric_limits<double>::max();
  double solidHigh = std::numeric_limits<double>::lowest();
  for (const StraightLine& l : lines.Lines()) {
    if (isLong(l) && l.coverage >= kSolidCoverage) {
      solidLow = std::min(solidLow, l.centre);
      solidHigh = std::max(solidHigh, l.centre);
    }
  }
  const double beside = kBesideFrameShare * longest;
  const auto besideFrame = [&](const StraightLine& l) {
    return l.coverage < kBrokenCoverage && ((l.centre < solidLow && l.centre >= solidLow - beside) ||
                                            (l.centre > solidHigh && l.centre <= solidHigh + beside));
  };
  Extent e;
  for (const StraightLine& l : lines.Lines()) {
    if (!isLong(l) || besideFrame(l)) {
      continue;
    }
    if (!e.found) {
      e = {l.centre, l.centre, double(l.from), l.to + 1.0, true};
    }
    e.low = std::min(e.low, l.centre);
    e.high = std::max(e.high, l.centre);
    e.from = std::min(e.from, double(l.from));
    e.to = std::max(e.to, l.to + 1.0);
  }
  return e;
}

// The plot area: bounded by its outermost long lines; a side without a line of its own (an open
// frame, a grid one way only) ends where the lines the other way end.
std::optional<QRectF> PlotArea(const StraightLines& lines) {
  const Extent h = Lines(lines, true);
  const Extent v = Lines(lines, false);
  if (!h.found && !v.found) {
    return std::nullopt;
  }
  double left = v.low;
  double right = v.high;
  double top = h.low;
  double bottom = h.high;
  if (!v.found || (h.found && right - left < 0.5 * (h.to - h.from))) {
    const bool onLeft = v.found && std::fabs(v.low - h.from) < std::fabs(v.low - h.to);
    left = v.found && onLeft ? v.low : h.from;
    right = v.found && !onLeft ? v.high : h.to;
  }
  if (!h.found || (v.found && bottom - top < 0.5 * (v.to - v.from))) {
    const bool onBottom = h.found && std::fabs(h.high - v.to) < std::fabs(h.high - v.from);
    top = h.found && !onBottom ? h.low : v.from;
    bottom = h.found && onBottom ? h.high : v.to;
  }
  if (right - left < 8 || bottom - top < 8) {
    return std::nullopt;
  }
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// A label with its readings, the positions of the lines it may label, and which of the pictures
// read are its base and exponent.
struct Label {
  QStringList texts;
  std::vector<double> positions;
  std::size_t base = 0;
  std::optional<std::size_t> exponent;
};

enum class Reading { kFrequency, kLevel, kImpedance };

std::optional<double> Value(const QString& text, Reading reading) {
  return reading == Reading::kLevel ? ParseLevelLabel(text) : ParseScaledLabel(text);
}

// The axis that the labels agree on; `agreeing` marks the labels that do.
std::optional<AxisFound> Agree(const std::vector<Label>& labels, Reading reading, std::vector<bool>& agreeing) {
  std::vector<LabelReading> readings;
  for (int i = 0; i < int(labels.size()); ++i) {
    for (const QString& text : labels[std::size_t(i)].texts) {
      if (const std::optional<double> value = Value(text, reading)) {
        const std::vector<double>& positions = labels[std::size_t(i)].positions;
        for (std::size_t k = 0; k < positions.size(); ++k) {
          readings.push_back({i, positions[k], *value, int(k)});
        }
      }
    }
  }
  const std::optional<AgreedScale> scale = AgreeOnScale(readings, reading != Reading::kFrequency,
                                                        reading != Reading::kLevel, reading == Reading::kFrequency);
  if (!scale) {
    return std::nullopt;
  }
  for (const LabelReading& r : scale->agreeing) {
    agreeing[std::size_t(r.label)] = true;
  }
  // The two agreeing labelled lines farthest apart; on a logarithmic scale above 1, because the
  // tracer's guarded logarithms take 1 and less for -10 (a label of 1 ohm would map wrongly).
  std::vector<LabelReading> usable;
  for (const LabelReading& r : scale->agreeing) {
    if (scale->kind == ScaleKind::kLinear || r.value > 1) {
      usable.push_back(r);
    }
  }
  if (usable.size() < 2) {
    return std::nullopt;
  }
  const LabelReading& a = usable.front();
  const LabelReading& b = usable.back();
  const bool aLow = a.value < b.value;
  AxisFound axis;
  axis.low = {(aLow ? a : b).position, (aLow ? a : b).value};
  axis.high = {(aLow ? b : a).position, (aLow ? b : a).value};
  axis.kind = scale->kind;
  return axis;
}

SideUnit UnitOfTitles(const std::vector<QStringList>& readings) {
  SideUnit unit = SideUnit::kUnknown;
  for (const QStringList& texts : readings) {
    for (const QString& text : texts) {
      const SideUnit u = UnitOfText(text);
      if (u == SideUnit::kUnknown) {
        continue;
      }
      if (unit != SideUnit::kUnknown && u != unit) {
        return SideUnit::kUnknown;  // both named: it cannot be told
      }
      unit = u;
    }
  }
  return unit;
}

SideUnit Other(SideUnit unit) {
  return unit == SideUnit::kDecibel ? SideUnit::kOhm : unit == SideUnit::kOhm ? SideUnit::kDecibel : unit;
}

bool HasScale(const SideFound& side) { return side.level || side.impedance; }

// What a side is from its own text and labels alone.
SideUnit OwnUnit(const SideFound& side) {
  if (side.unit != SideUnit::kUnknown) {
    return side.unit;
  }
  if (side.impedance && side.impedance->kind == ScaleKind::kLogarithmic) {
    return SideUnit::kOhm;  // levels in dB are never drawn on a logarithmic scale
  }
  if (side.level && side.level->low.value < 0) {
    return SideUnit::kDecibel;  // an impedance is never negative
  }
  return SideUnit::kUnknown;
}

}  // namespace

SideUnit UnitOfText(const QString& text) {
  static const QRegularExpression ohm(QStringLiteral("ohm|\u03A9|impedance|[|Il1\\[]Z[|Il1\\]]"),
                                      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression decibel(QStringLiteral("\\bdB"), QRegularExpression::CaseInsensitiveOption);
  const bool isOhm = ohm.match(text).hasMatch();
  const bool isDecibel = decibel.match(text).hasMatch();
  if (isOhm == isDecibel) {
    return SideUnit::kUnknown;
  }
  return isOhm ? SideUnit::kOhm : SideUnit::kDecibel;
}

AxesFound FindAxes(const QImage& picture, const StraightLines& lines, TextReader& reader) {
  AxesFound found;
  const std::optional<QRectF> plot = PlotArea(lines);
  if (!plot) {
    return found;
  }
  const PlotTexts texts = FindPlotTexts(picture, *plot);
  const MarginTexts* margins[] = {&texts.bottom, &texts.left, &texts.right};

  // Every label of the picture in one reading, the exponents in another, the titles in a third.
  std::vector<QImage> numbers;
  std::vector<bool> isExponent;
  std::vector<QImage> titles;
  for (const MarginTexts* margin : margins) {
    for (const LabelText& label : margin->labels) {
      numbers.push_back(label.base);
      isExponent.push_back(false);
      if (!label.exponent.isNull()) {
        numbers.push_back(label.exponent);
        isExponent.push_back(true);
      }
    }
    titles.insert(titles.end(), margin->titles.begin(), margin->titles.end());
  }
  std::vector<QStringList> numberTexts(numbers.size());
  // Reads the numbers `which` (at a closer look) and adds what they read to their texts: the
  // exponents on their own first, then everything side by side.
  const auto readNumbers = [&](const std::vector<std::size_t>& which, bool closer) {
    for (const bool exponents : {true, false}) {
      std::vector<std::size_t> these;
      std::vector<QImage> pictures;
      for (const std::size_t k : which) {
        if (isExponent[k] || !exponents) {
          these.push_back(k);
          pictures.push_back(numbers[k]);
        }
      }
      const std::vector<QStringList> read =
          reader.Read(pictures, exponents ? TextKind::kExponent : TextKind::kNumber, closer);
      for (std::size_t j = 0; j < these.size(); ++j) {
        const QImage& number = numbers[these[j]];
        for (const QString& text : read[j]) {
          if (CoversWidth(text, number.width(), number.height()) && !numberTexts[these[j]].contains(text)) {
            numberTexts[these[j]].append(text);
          }
        }
      }
    }
  };
  std::vector<std::size_t> all(numbers.size());
  std::iota(all.begin(), all.end(), std::size_t(0));
  readNumbers(all, false);
  const std::vector<QStringList> titleTexts = reader.Read(titles, TextKind::kWords);

  const QRgb background = StraightLineFinder::Background(picture);
  std::size_t next = 0;
  std::size_t nextTitle = 0;
  std::vector<Label> labels[3];
  std::vector<QStringList> sideTitles[3];
  for (int m = 0; m < 3; ++m) {
    const bool bottom = m == 0;
    for (const LabelText& text : margins[m]->labels) {
      Label label;
      label.base = next++;
      if (!text.exponent.isNull()) {
        label.exponent = next++;
      }
      // The lines it may label: the nearest grid line, and its tick mark.
      const double at = bottom ? text.box.center().x() : text.box.center().y();
      const double reach = std::max(1.5, 0.5 * text.textHeight + 1);
      if (const std::optional<double> line = lines.Snap(!bottom, at, reach)) {
        label.positions.push_back(*line);
      }
      TickSearch search;
      search.bottomAxis = bottom;
      search.axis = bottom ? plot->bottom() : m == 1 ? plot->left() : plot->right();
      search.near = at;
      search.reach = reach;
      search.background = background;
      if (const std::optional<double> tick = FindTick(picture, search)) {
        if (label.positions.empty() || std::fabs(*tick - label.positions.front()) > kAgreementTolerance) {
          label.positions.push_back(*tick);
        }
      }
      labels[m].push_back(std::move(label));
    }
    for (std::size_t t = 0; t < margins[m]->titles.size(); ++t) {
      sideTitles[m].push_back(titleTexts[nextTitle++]);
    }
  }
  found.labelled = !labels[0].empty() || !labels[1].empty() || !labels[2].empty();
  SideFound* sides[] = {&found.left, &found.right};
  for (int s = 0; s < 2; ++s) {
    sides[s]->labelled = !labels[s + 1].empty();
    sides[s]->unit = UnitOfTitles(sideTitles[s + 1]);
  }
  // A first look at every label; a closer one at those on a line that agreed on nothing.
  for (int look = 0; look < 2; ++look) {
    std::vector<bool> agreeing[3];
    for (int m = 0; m < 3; ++m) {
      agreeing[m].assign(labels[m].size(), false);
      for (Label& label : labels[m]) {
        label.texts = numberTexts[label.base];
        if (label.exponent) {
          label.texts.clear();
          for (const QString& exponent : numberTexts[*label.exponent]) {
            for (const QString& b : numberTexts[label.base]) {
              label.texts.append(PowerText(b, exponent));
            }
          }
        }
      }
    }
    found.frequency = Agree(labels[0], Reading::kFrequency, agreeing[0]);
    for (int s = 0; s < 2; ++s) {
      SideFound& side = *sides[s];
      if (side.unit != SideUnit::kOhm) {
        side.level = Agree(labels[s + 1], Reading::kLevel, agreeing[s + 1]);
      }
      if (side.unit != SideUnit::kDecibel) {
        side.impedance = Agree(labels[s + 1], Reading::kImpedance, agreeing[s + 1]);
      }
    }
    std::vector<std::size_t> again;
    for (int m = 0; m < 3; ++m) {
      for (std::size_t i = 0; i < labels[m].size(); ++i) {
        if (!agreeing[m][i] && !labels[m][i].positions.empty()) {
          again.push_back(labels[m][i].base);
          if (labels[m][i].exponent) {
            again.push_back(*labels[m][i].exponent);
          }
        }
      }
    }
    if (look == 1 || again.empty()) {
      break;
    }
    readNumbers(again, true);
  }
  return found;
}

bool NeedsUnitQuestion(const AxesFound& axes) {
  const SideUnit left = HasScale(axes.left) ? OwnUnit(axes.left) : SideUnit::kUnknown;
  const SideUnit right = HasScale(axes.right) ? OwnUnit(axes.right) : SideUnit::kUnknown;
  const bool leftOpen = HasScale(axes.left) && left == SideUnit::kUnknown;
  const bool rightOpen = HasScale(axes.right) && right == SideUnit::kUnknown;
  // A side of unknown unit opposite a known one is the other kind.
  return (leftOpen && (!HasScale(axes.right) || rightOpen)) || (rightOpen && !HasScale(axes.left));
}

VerticalAxes ChooseVerticalAxes(const AxesFound& axes, std::optional<bool> isImpedance) {
  SideUnit left = HasScale(axes.left) ? OwnUnit(axes.left) : SideUnit::kUnknown;
  SideUnit right = HasScale(axes.right) ? OwnUnit(axes.right) : SideUnit::kUnknown;
  if (left == SideUnit::kUnknown && right != SideUnit::kUnknown && HasScale(axes.left)) {
    left = Other(right);
  } else if (right == SideUnit::kUnknown && left != SideUnit::kUnknown && HasScale(axes.right)) {
    right = Other(left);
  }
  if (isImpedance) {
    const SideUnit answered = *isImpedance ? SideUnit::kOhm : SideUnit::kDecibel;
    if (left == SideUnit::kUnknown && HasScale(axes.left)) {
      left = answered;
      if (right == SideUnit::kUnknown && HasScale(axes.right)) {
        right = Other(answered);
      }
    } else if (right == SideUnit::kUnknown && HasScale(axes.right)) {
      right = answered;
    }
  }
  VerticalAxes chosen;
  for (const auto& [side, unit] : {std::pair{&axes.left, left}, std::pair{&axes.right, right}}) {
    if (unit == SideUnit::kDecibel && side->level && !chosen.amplitude) {
      chosen.amplitude = side->level;
    } else if (unit == SideUnit::kOhm && side->impedance && !chosen.impedance) {
      chosen.impedance = side->impedance;
    }
  }
  return chosen;
}

}  // namespace tracer
