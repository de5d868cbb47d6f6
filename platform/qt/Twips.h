// Twips (1/1440 inch) are the unit of every position and size that the windows compute; Qt
// places widgets in logical pixels, which it maps to the screen's real pixels itself.
//   pixels = twips / 15, rounded to the nearest whole pixel (halves to even)
#pragma once

#include <algorithm>
#include <cmath>

#include "numbers.h"

namespace platform {

inline constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(double twips) { return RoundToInt32(twips / kTwipsPerPixel); }
inline double TwipsToPixelsF(double twips) { return twips / kTwipsPerPixel; }
inline int PixelsToTwips(int pixels) { return CheckedNarrow<int>(static_cast<long long>(pixels) * kTwipsPerPixel); }

// Pixel coordinate of a twip coordinate, for painting only: whole pixels (halves to even), and
// far-off values held where they cannot disturb the painter's arithmetic.
inline double PaintPixel(double twips) {
  constexpr double kFar = 1.0e7;
  return RoundHalfEven(std::clamp(twips / kTwipsPerPixel, -kFar, kFar));
}

}  // namespace platform
