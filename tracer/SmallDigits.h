// Reading one digit of a few pixels (the raised exponent of small type, 10^4 at 7 points), where
// text recognition has too little to go on.
//
// The glyph is compared with the ten digits of a common sans-serif face (DejaVu Sans, as graph
// programs draw by default) drawn anti-aliased at the glyph's height (and half a pixel either
// way), at quarter-pixel offsets, each slid over the glyph's box grown by a pixel, by normalized
// correlation of ink: r = sum((g - mean g)(t - mean t)) / sqrt(sum (g - mean g)^2 sum (t - mean t)^2).
// A digit is read where its best r is at least 0.85 and beats every other digit's by 0.05; else
// none (a glyph of another face that fits no digit well, or two digits alike).
#pragma once

#include <QImage>
#include <map>
#include <optional>
#include <vector>

namespace tracer {

class SmallDigits {
 public:
  // Glyphs at most this tall (pixels) are read; taller ones are left to text recognition.
  static constexpr int kTallest = 9;

  // The digit that `glyph` (dark on white, one glyph) shows, or none.
  std::optional<int> Read(const QImage& glyph);

 private:
  struct Ink {
    int width = 0;
    int height = 0;
    std::vector<double> values;  // 0 background .. 1 full ink, row by row
    double At(int x, int y) const { return values[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
  };
  // The ink of a grey picture, 1 - grey / 255, cut to the box of the pixels of more than `least`.
  static Ink InkOf(const QImage& picture, double least);
  static double Correlation(const Ink& glyph, const Ink& digit);
  // Each digit drawn for a glyph `height` pixels tall, at every size and offset.
  const std::vector<std::pair<int, Ink>>& Drawn(int height);

  std::map<int, std::vector<std::pair<int, Ink>>> drawn_;
};

}  // namespace tracer
