#include "Smoothing.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <numeric>

#include "GlobalVariables.h"

namespace viewer {

namespace {

using data::kFrequency;
using data::kMagnitude;
using data::ResponseSet;

// The mean of value(position) over the window of each position, along positions whose log
// frequencies `logs` rise. The window [low, high) is split at `middle`: `suffix[k]` holds the sum of the
// values from position k up to `middle`, made when `middle` was last set, and `back` the sum of
// those from `middle` up to `high`. Each value enters `suffix` at most once, so the whole run is
// linear.
template <typename Value>
std::vector<double> WindowMeans(const Value& value, std::span<const double> logs, double halfWidth) {
  const std::size_t n = logs.size();
  std::vector<double> means(n);
  // Every element is written before it is read: no need to clear it first.
  const std::unique_ptr<double[]> suffix(new double[n]);
  std::size_t low = 0;
  std::size_t high = 0;
  std::size_t middle = 0;
  double back = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const double centre = logs[k];
    while (high < n && logs[high] <= centre + halfWidth) {
      back += value(high);
      ++high;
    }
    while (logs[low] < centre - halfWidth) {
      ++low;
    }
    if (low >= middle) {
      // The part before `middle` has left the window: the window's values start a new one.
      double sum = 0;
      for (std::size_t t = high; t-- > low;) {
        sum += value(t);
        suffix[t] = sum;
      }
      middle = high;
      back = 0;
    }
    means[k] = (suffix[low] + back) / static_cast<double>(high - low);
  }
  return means;
}

}  // namespace

std::vector<double> SmoothedMagnitudes(const ResponseSet& set, int fraction, bool power,
                                       std::span<const double> logFrequencies) {
  const auto n = static_cast<std::size_t>(std::max(0, set.PointCount()));
  const auto magnitude = [&set](std::size_t k) {
    return set[static_cast<int>(k) + ResponseSet::kFirstPoint][kMagnitude];
  };
  if (fraction <= 0 || n == 0) {
    std::vector<double> magnitudes(n);
    for (std::size_t k = 0; k < n; ++k) {
      magnitudes[k] = magnitude(k);
    }
    return magnitudes;
  }

  std::vector<double> ownLogs;
  if (logFrequencies.size() != n) {
    ownLogs.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
      ownLogs[k] = GlobalVariables::SafeLog10(set[static_cast<int>(k) + ResponseSet::kFirstPoint][kFrequency]);
    }
    logFrequencies = ownLogs;
  }
  // The window slides along the points by rising frequency: their own order, or else a sorted one.
  std::vector<std::size_t> order;
  std::vector<double> sortedLogs;
  if (!std::is_sorted(logFrequencies.begin(), logFrequencies.end())) {
    order.resize(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return logFrequencies[a] < logFrequencies[b]; });
    sortedLogs.resize(n);
    for (std::size_t p = 0; p < n; ++p) {
      sortedLogs[p] = logFrequencies[order[p]];
    }
  }
  const std::span<const double> logs = order.empty() ? logFrequencies : std::span<const double>(sortedLogs);
  const auto level = [&](std::size_t position) { return magnitude(order.empty() ? position : order[position]); };

  // Files write frequencies to five or six significant digits, so a point that lies on a window's
  // edge (a 24-points-per-octave file smoothed over 1/3 octave has one at each edge) is off it by
  // up to a few parts in 10^5, to either side. The edge gives that much room, so that such points
  // all count, rather than some and not others, which would make a sloping curve a staircase.
  const double halfWidth = std::log10(2.0) / (2.0 * fraction) + std::log10(1 + 1e-4);
  std::vector<double> means;
  if (!power) {
    means = WindowMeans(level, logs, halfWidth);
  } else {
    // Powers relative to the loudest point, so that none overflows: 10^((m - top) / 10) <= 1.
    double top = level(0);
    for (std::size_t k = 1; k < n; ++k) {
      top = std::max(top, magnitude(k));
    }
    constexpr double kTenthOfLn10 = 0.23025850929940458;  // ln(10) / 10: 10^(m / 10) = e^(m ln(10) / 10)
    std::vector<double> powers(n);
    for (std::size_t p = 0; p < n; ++p) {
      powers[p] = std::exp((level(p) - top) * kTenthOfLn10);
    }
    means = WindowMeans([&powers](std::size_t p) { return powers[p]; }, logs, halfWidth);
    bool vanished = false;
    for (double& mean : means) {
      vanished = vanished || !(mean > 0);
      mean = std::log(mean) / kTenthOfLn10 + top;  // 10 log10(mean) + top
    }
    if (vanished) {
      // A window of levels some 3000 dB below the loudest point has no power left in a double;
      // there the mean of the levels, which lies between their least and greatest as the mean of
      // the power does, stands in for it.
      const std::vector<double> levelMeans = WindowMeans(level, logs, halfWidth);
      for (std::size_t p = 0; p < n; ++p) {
        if (!std::isfinite(means[p])) {
          means[p] = levelMeans[p];
        }
      }
    }
  }
  if (order.empty()) {
    return means;
  }
  std::vector<double> result(n);
  for (std::size_t p = 0; p < n; ++p) {
    result[order[p]] = means[p];
  }
  return result;
}

}  // namespace viewer
