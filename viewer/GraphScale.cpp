#include "GraphScale.h"

#include <algorithm>
#include <cmath>

#include "GlobalVariables.h"
#include "numbers.h"

namespace viewer {

namespace {

// A ruler has a few dozen lines; far more means a scale that cannot end the walk.
constexpr std::size_t kMaxLevelLines = 100000;

void CheckProgress(const std::vector<LevelLine>& lines, double value, double next) {
  if (next == value || lines.size() > kMaxLevelLines) {
    throw platform::OverflowError("level scale out of range");
  }
}

}  // namespace

GraphMapping::GraphMapping(int graphSize, double topValue, double bottomValue)
    : graphSize_(graphSize), bottom_(bottomValue), d_(graphSize / 5.0), s_(graphSize / (topValue - bottomValue)) {}

double GraphMapping::FrequencyAt(double x) const { return std::pow(10.0, x / d_); }

double GraphMapping::ValueAt(double y) const { return bottom_ + (graphSize_ - y) / s_; }

const std::vector<int>& GridFrequencies() {
  static const std::vector<int> frequencies = [] {
    std::vector<int> result;
    int f = 1;
    while (f <= 100000) {
      result.push_back(f);
      const int step = f < 10 ? 1 : f < 100 ? 10 : f < 1000 ? 100 : f < 10000 ? 1000 : f < 100000 ? 10000 : 100000;
      f += step;
    }
    return result;
  }();
  return frequencies;
}

QString LabelText(double value) {
  const std::string number = platform::FormatGeneral(value, 15);
  return value < 0 ? QString::fromStdString(number) : QLatin1Char(' ') + QString::fromStdString(number);
}

std::optional<QString> FrequencyLabel(int frequency) {
  int decade = 1;
  while (decade * 10 <= frequency) {
    decade *= 10;
  }
  if (frequency >= 100000 || (frequency != decade && frequency % (2 * decade) != 0)) {
    return std::nullopt;
  }
  if (frequency < 1000) {
    return LabelText(frequency);
  }
  return LabelText(frequency / 1000.0) + QLatin1Char('k');
}

double LabelStart(double start, double extent, double tick, double low, double high) {
  if (tick < low) {
    return std::min(start, low - extent);
  }
  if (tick > high) {
    return std::max(start, high);
  }
  return std::max(std::min(start, high - extent), low);
}

std::vector<LevelLine> DecibelLines(const GraphMapping& mapping, int graphSize, double bottomValue) {
  std::vector<LevelLine> lines;
  // The walk ends only when a line reaches the top edge, so it needs a scale that rises.
  if (!(mapping.TwipsPerUnit() > 0) || !std::isfinite(mapping.TwipsPerUnit())) {
    throw platform::OverflowError("level scale out of range");
  }
  double value = bottomValue;
  int previousY = graphSize;
  while (previousY >= 1) {
    const int y = mapping.Y(value);
    lines.push_back({value, y});
    CheckProgress(lines, value, value + 3);
    value += 3;
    previousY = y;
  }
  return lines;
}

std::vector<LevelLine> OhmLines(const GraphMapping& mapping, double bottomValue, double topValue) {
  std::vector<LevelLine> lines;
  for (double value = bottomValue; value <= topValue; value += 4) {
    lines.push_back({value, mapping.Y(value)});
    CheckProgress(lines, value, value + 4);
  }
  return lines;
}

}  // namespace viewer
