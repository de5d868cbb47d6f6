#include "Smoothing.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

#include "GlobalVariables.h"

namespace viewer {

namespace {

using data::kFrequency;
using data::kMagnitude;
using data::ResponseSet;

// The mean of `values` over the window of each point, the points taken in the order `order`
// (their log frequencies `logs` rising along it). The window [low, high) of positions in `order`
// is split at `middle`: `suffix[k]` holds the sum of the values from position k up to `middle`,
// made when `middle` was last set, and `back` the sum of those from `middle` up to `high`. Each
// value enters `suffix` at most once, so the whole run is linear.
std::vector<double> WindowMeans(const std::vector<double>& values, const std::vector<std::size_t>& order,
                                std::span<const double> logs, double halfWidth) {
  const std::size_t n = values.size();
  std::vector<double> means(n);
  std::vector<double> suffix(n);
  std::size_t low = 0;
  std::size_t high = 0;
  std::size_t middle = 0;
  double back = 0;
  const auto logAt = [&](std::size_t position) { return logs[order[position]]; };
  const auto valueAt = [&](std::size_t position) { return values[order[position]]; };
  for (std::size_t k = 0; k < n; ++k) {
    const double centre = logAt(k);
    while (high < n && logAt(high) <= centre + halfWidth) {
      back += valueAt(high);
      ++high;
    }
    while (logAt(low) < centre - halfWidth) {
      ++low;
    }
    if (low >= middle) {
      // The part before `middle` has left the window: the window's values start a new one.
      double sum = 0;
      for (std::size_t t = high; t-- > low;) {
        sum += valueAt(t);
        suffix[t] = sum;
      }
      middle = high;
      back = 0;
    }
    means[order[k]] = (suffix[low] + back) / static_cast<double>(high - low);
  }
  return means;
}

}  // namespace

std::vector<double> SmoothedMagnitudes(const ResponseSet& set, int fraction, bool power,
                                       std::span<const double> logFrequencies) {
  const auto n = static_cast<std::size_t>(std::max(0, set.PointCount()));
  std::vector<double> magnitudes(n);
  for (std::size_t k = 0; k < n; ++k) {
    magnitudes[k] = set[static_cast<int>(k) + ResponseSet::kFirstPoint][kMagnitude];
  }
  if (fraction <= 0 || n == 0) {
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
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (!std::is_sorted(logFrequencies.begin(), logFrequencies.end())) {
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return logFrequencies[a] < logFrequencies[b]; });
  }
  // Files write frequencies to five or six significant digits, so a point that lies on a window's
  // edge (a 24-points-per-octave file smoothed over 1/3 octave has one at each edge) is off it by
  // up to a few parts in 10^5, to either side. The edge gives that much room, so that such points
  // all count, rather than some and not others, which would make a sloping curve a staircase.
  const double halfWidth = std::log10(2.0) / (2.0 * fraction) + std::log10(1 + 1e-4);

  if (!power) {
    return WindowMeans(magnitudes, order, logFrequencies, halfWidth);
  }
  // Powers relative to the loudest point, so that none overflows: 10^((m - top) / 10) <= 1.
  const double top = *std::max_element(magnitudes.begin(), magnitudes.end());
  constexpr double kTenthOfLn10 = 0.23025850929940458;  // ln(10) / 10
  std::vector<double> powers(n);
  for (std::size_t k = 0; k < n; ++k) {
    powers[k] = std::exp((magnitudes[k] - top) * kTenthOfLn10);
  }
  std::vector<double> means = WindowMeans(powers, order, logFrequencies, halfWidth);
  bool vanished = false;
  for (double& mean : means) {
    vanished = vanished || !(mean > 0);
    mean = 10 * std::log10(mean) + top;
  }
  if (vanished) {
    // A window of levels some 3000 dB below the loudest point has no power left in a double;
    // there the mean of the levels, which lies between their least and greatest as the mean of
    // the power does, stands in for it.
    const std::vector<double> levels = WindowMeans(magnitudes, order, logFrequencies, halfWidth);
    for (std::size_t k = 0; k < n; ++k) {
      if (!std::isfinite(means[k])) {
        means[k] = levels[k];
      }
    }
  }
  return means;
}

}  // namespace viewer
