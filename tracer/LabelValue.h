// The values of tick labels as read from a graph picture.
//
// A number is digits with an optional decimal point ("." or ","; "1,000" with groups of three is
// a thousand) and an optional sign; a frequency or an impedance may be scaled by a "k" (x 1000),
// written with an exponent ("1e3" = 1000) or as a power of ten ("10^3", the exponent read as
// raised glyphs). Blanks within a label are ignored ("20 k"); a Unicode minus counts as "-".
#pragma once

#include <QString>
#include <optional>

namespace tracer {

// A frequency or impedance label: not negative, in any of the forms above.
std::optional<double> ParseScaledLabel(const QString& text);
// A level label in dB: a signed number ("-10", "+6", "2.5").
std::optional<double> ParseLevelLabel(const QString& text);

// Whether a reading of n characters (blanks included) can be the whole of a label's ink `width`
// pixels wide and `height` tall. Characters of labels are narrower than tall, so the ink of n of
// them is at most w = (0.9 n + 0.1) h + 1 wide (blurring widens both); a reading that lost a
// character of a blurred label ("2" for "20", "50" for "500") is too short for its ink.
bool CoversWidth(const QString& text, int width, int height);

// The text that a label with a raised exponent stands for: "10^3".
QString PowerText(const QString& base, const QString& exponent);

}  // namespace tracer
