// Fractional-octave smoothing of a curve, apart from widgets. For 1/N octave each point becomes the
// mean over the points whose frequency lies within a factor 2^(1/(2N)) of its own:
//
//   window(i) = { j : |log10 f_j - log10 f_i| <= log10(2) / (2N) + log10(1 + 10^-4) }
//
// (the last term for frequencies that a file rounds to five or six significant digits, which puts
// points meant to lie on a window's edge up to a few parts in 10^5 to either side of it).
//   dB:   m'_i = 10 log10( mean over window(i) of 10^(m_j / 10) )    (the mean of the power)
//   ohm:  m'_i = mean over window(i) of m_j
//
// The window slides along the points in the order of their frequencies, so a curve of n points
// costs O(n) (O(n log n) when its frequencies are not in rising order), and its sums are made
// without subtraction, so that a loud stretch leaving the window leaves no error behind.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "ResponseSet.h"

namespace viewer {

// The fractions of the View > Smoothing items: 0 for None, else N of 1/N octave.
inline constexpr std::array<int, 7> kSmoothingFractions = {0, 48, 24, 12, 6, 3, 1};

// The smoothed magnitudes of the points of `set` (element 2 first), for 1/`fraction` octave, of
// the power (`power`, for dB) or of the values themselves (for ohm). `logFrequencies`, when
// given, holds GlobalVariables::SafeLog10 of each point's frequency, as the graph keeps them.
// A fraction of 0 or less gives the magnitudes unchanged.
std::vector<double> SmoothedMagnitudes(const data::ResponseSet& set, int fraction, bool power,
                                       std::span<const double> logFrequencies = {});

}  // namespace viewer
