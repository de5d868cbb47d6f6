// Reading the short texts of a graph picture (tick labels, axis titles) from small pictures of
// them. The engine stays behind this interface, so that what is built on the readings can be
// tested with scripted ones.
#pragma once

#include <QImage>
#include <QStringList>
#include <vector>

namespace tracer {

enum class TextKind {
  kNumber,    // digits, a sign, a decimal point, "k" and "e" (tick labels)
  kExponent,  // digits (the raised exponent of a power of ten)
  kWords,     // any text (titles and units)
};

class TextReader {
 public:
  virtual ~TextReader() = default;
  // What each picture (one line of dark text on white, at any size) reads, in order: its distinct
  // readings, the most trusted first, or none where nothing was read. A closer look reads them
  // other ways (slower), for the pictures whose first reading made no sense.
  virtual std::vector<QStringList> Read(const std::vector<QImage>& pictures, TextKind kind, bool closer = false) = 0;
};

}  // namespace tracer
