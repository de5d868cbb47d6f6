// The FRD / ZMA text layout: lines of up to three numbers (frequency in Hz, magnitude in dB or
// ohm, phase) separated by white space; any line that does not start with a digit is a comment.
#pragma once

#include <istream>
#include <string>
#include <string_view>

#include "ResponseSet.h"

namespace data {

// Limits that keep a hostile file from exhausting memory: a longer line, or one more data point,
// makes the read fail like any other read error.
inline constexpr std::size_t kMaxLineLength = 65535;
inline constexpr int kMaxPoints = 1000000;
// Fewer points than this and a file is refused, though its points stay in the set.
inline constexpr int kMinPoints = 20;
// The value stored for a token that does not read as a number.
inline constexpr double kNotANumber = -99999.0;

// Reads `in` from its current position to its end into `set` and returns whether it gave at
// least kMinPoints points. On any failure (a read error, a line or a point count beyond the
// limits, a number beyond the range of a double, a number with a decimal comma such as "85,3")
// reading stops at once and returns false; the points read so far stay in `set`, with their
// minima and maxima in rows 0 and 1. The stream is read in blocks, in time linear in its length.
//
// A UTF-8 byte-order mark at the start is skipped. Lines end with CR LF, CR or LF. After leading and trailing blanks
// are removed, only a line that starts with a digit is read; its characters above code 32 form tokens, and each blank,
// tab or other control character completes the token before it:
//  - a number goes into the current column (0, 1, 2) and the column advances, staying at 2, so
//    the last of four or more numbers wins;
//  - a number followed by one comma ("20.0, 85.3") counts as that number;
//  - anything else stores -99999 in the current column, which does not advance, and the token
//    keeps growing with the characters that follow ("100 abc 50" gives 100, -99999);
//  - a run of blanks or control characters counts as one separator, but every tab completes a
//    token, an empty one included (storing -99999 that the next number overwrites).
// A line whose first token is not a number is skipped. A line whose frequency lies below the last
// stored one is dropped once two points are stored.
bool ReadResponseFile(std::istream& in, ResponseSet& set);
// The same for a file's text held in memory.
bool ReadResponseText(std::string_view text, ResponseSet& set);

// The file text of the points of `set` (elements 2..last): per point the frequency, `separator`,
// the magnitude rounded to 4 decimals (halves to even), a blank and the phase, each number in
// 15-digit general form with "." (17 digits where 15 would round beyond the largest double and
// so read back as infinite), the line ended by CR LF. A set without points gives "".
std::string FormatResponseFile(const ResponseSet& set, std::string_view separator);

}  // namespace data
