// The text reader on Tesseract's English model, restricted to the characters of tick labels
// where numbers are read. Starting the engine loads its model (a third of a second): start one
// per command and read all of the command's pictures with it.
//
// Each picture is scaled to a text height that the engine reads well (small text is scaled up,
// which also smooths the steps of bitmap fonts) and all of them are read in one pass, side by
// side on one line with gaps; each read character goes to the picture under it. Exponents are
// read one by one instead: beside other text, a glyph or two is read as a part of it. A first
// look reads them at one text height, a closer look at two others and each on its own.
#pragma once

#include <memory>

#include "TextReader.h"

namespace tesseract {
class TessBaseAPI;
}

namespace tracer {

class TesseractReader final : public TextReader {
 public:
  // A started engine, or none where the engine or its English model is missing.
  static std::unique_ptr<TesseractReader> Start();
  ~TesseractReader() override;
  std::vector<QStringList> Read(const std::vector<QImage>& pictures, TextKind kind, bool closer = false) override;

 private:
  TesseractReader();
  // The pictures read side by side on one line at the text height `height`: a text each.
  std::vector<QString> ReadLine(const std::vector<QImage>& pictures, int height);
  std::unique_ptr<tesseract::TessBaseAPI> api_;
};

}  // namespace tracer
