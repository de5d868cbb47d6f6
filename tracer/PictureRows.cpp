#include "PictureRows.h"

namespace tracer {

namespace {

// A pixel with alpha laid over white: c' = c * a + 255 * (1 - a), per channel.
QRgb OverWhite(QRgb p) {
  const int a = qAlpha(p);
  if (a == 255) {
    return p;
  }
  const auto blend = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
  return qRgb(blend(qRed(p)), blend(qGreen(p)), blend(qBlue(p)));
}

}  // namespace

PictureRows::PictureRows(const QImage& picture) : picture_(picture) {
  width_ = picture.width();
  height_ = picture.height();
  switch (picture.format()) {
    case QImage::Format_RGB32:
      kind_ = Kind::kOpaque32;
      break;
    case QImage::Format_ARGB32:
      kind_ = Kind::kAlpha32;
      break;
    case QImage::Format_Grayscale8:
      kind_ = Kind::kGrey8;
      break;
    case QImage::Format_Indexed8:
      kind_ = Kind::kIndexed8;
      table_ = picture.colorTable();
      for (QRgb& c : table_) {
        c = OverWhite(c);
      }
      break;
    default:
      kind_ = Kind::kOther;
      break;
  }
  buffer_.resize(static_cast<std::size_t>(std::max(0, width_)));
}

const QRgb* PictureRows::Row(int y) const {
  const uchar* line = picture_.constScanLine(y);
  switch (kind_) {
    case Kind::kOpaque32:
      return reinterpret_cast<const QRgb*>(line);
    case Kind::kAlpha32: {
      const auto* in = reinterpret_cast<const QRgb*>(line);
      for (int x = 0; x < width_; ++x) {
        buffer_[static_cast<std::size_t>(x)] = OverWhite(in[x]);
      }
      break;
    }
    case Kind::kGrey8:
      for (int x = 0; x < width_; ++x) {
        buffer_[static_cast<std::size_t>(x)] = qRgb(line[x], line[x], line[x]);
      }
      break;
    case Kind::kIndexed8:
      for (int x = 0; x < width_; ++x) {
        const int i = line[x];
        buffer_[static_cast<std::size_t>(x)] = i < table_.size() ? table_[i] : qRgb(255, 255, 255);
      }
      break;
    case Kind::kOther:
      for (int x = 0; x < width_; ++x) {
        buffer_[static_cast<std::size_t>(x)] = OverWhite(picture_.pixel(x, y));
      }
      break;
  }
  return buffer_.data();
}

QRgb PictureRows::Row1(int x, int y) const {
  const uchar* line = picture_.constScanLine(y);
  switch (kind_) {
    case Kind::kOpaque32:
      return reinterpret_cast<const QRgb*>(line)[x] | 0xff000000U;
    case Kind::kAlpha32:
      return OverWhite(reinterpret_cast<const QRgb*>(line)[x]);
    case Kind::kGrey8:
      return qRgb(line[x], line[x], line[x]);
    case Kind::kIndexed8:
      return line[x] < table_.size() ? table_[line[x]] : qRgb(255, 255, 255);
    case Kind::kOther:
      break;
  }
  return OverWhite(picture_.pixel(x, y));
}

}  // namespace tracer
