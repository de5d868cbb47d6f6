// The properties the fuzz targets check on every input, shared with the test that replays the
// corpus: each function returns an empty string when they hold, else what broke.
#pragma once

#include <string>
#include <string_view>

namespace fuzz {

// Reads `input` as a data file. A read that succeeds gives 20 to 1 000 000 points, all finite,
// each frequency from the third point on at least the one before, in the same way from a stream
// as from memory; written and read again they give the same count and the values within the
// writer's rounding (15 significant digits, the magnitude to 4 decimals).
std::string CheckReader(std::string_view input);

// Reads `input` as a number in the ways the programs do (a whole token, the leading number of
// typed text), and uses its first bytes as a double for rounding and number text: rounding stays
// within half a unit of its target, and number text reads back as the number it was made from.
std::string CheckNumbers(std::string_view input);

}  // namespace fuzz
