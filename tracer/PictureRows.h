// Reading a picture's pixels row by row through QImage::constScanLine, as opaque RGB whatever the
// picture's format: 32-bit pixels are read in place, grey and indexed rows are expanded, and
// transparent pixels are taken as if laid over white (how the graph area shows them). The picture
// analysis reads only the rows it needs through this, never QImage::pixel in its inner loops.
#pragma once

#include <QImage>
#include <QRgb>
#include <vector>

namespace tracer {

class PictureRows {
 public:
  explicit PictureRows(const QImage& picture);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Row y (0 <= y < Height()) as Width() opaque pixels; the pointer stays valid until the next
  // call (it may point into the picture itself or into a buffer of this reader).
  const QRgb* Row(int y) const;
  // One pixel, for the few places that read a column: through the same conversion (directly from
  // the picture's memory for opaque 32-bit pictures, the usual case).
  QRgb At(int x, int y) const {
    if (kind_ == Kind::kOpaque32) {
      return reinterpret_cast<const QRgb*>(bits_ + static_cast<qsizetype>(y) * bytesPerLine_)[x] | 0xff000000U;
    }
    return Row1(x, y);
  }

 private:
  QRgb Row1(int x, int y) const;

  QImage picture_;  // shared, not copied: QImage is implicitly shared
  int width_ = 0;
  int height_ = 0;
  enum class Kind { kOpaque32, kAlpha32, kGrey8, kIndexed8, kOther } kind_ = Kind::kOther;
  QVector<QRgb> table_;
  mutable std::vector<QRgb> buffer_;
  const uchar* bits_ = nullptr;  // the picture's first row, and the distance between rows
  qsizetype bytesPerLine_ = 0;
};

// Squared Euclidean distance of two colours in RGB (0 to 3 * 255^2).
inline int ColourDistance2(QRgb a, QRgb b) {
  const int r = qRed(a) - qRed(b);
  const int g = qGreen(a) - qGreen(b);
  const int bl = qBlue(a) - qBlue(b);
  return r * r + g * g + bl * bl;
}

// The most common colour of `colours` (opaque): first the fullest bin of 4 bits a channel (JPEG
// noise spreads a flat background over neighbouring values), then the most common value in it.
// White for none.
QRgb MostCommonColour(std::vector<QRgb> colours);

}  // namespace tracer
