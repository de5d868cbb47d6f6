#include "PictureRows.h"

#include <algorithm>

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
  bits_ = picture_.constBits();
  bytesPerLine_ = picture_.bytesPerLine();
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

QRgb MostCommonColour(std::vector<QRgb> colours) {
  if (colours.empty()) {
    return qRgb(255, 255, 255);
  }
  std::vector<int> bins(4096, 0);
  const auto bin = [](QRgb p) {
    return static_cast<std::size_t>((qRed(p) >> 4) << 8 | (qGreen(p) >> 4) << 4 | (qBlue(p) >> 4));
  };
  for (QRgb& p : colours) {
    p |= 0xff000000U;
    ++bins[bin(p)];
  }
  const auto fullest = static_cast<std::size_t>(std::max_element(bins.begin(), bins.end()) - bins.begin());
  std::erase_if(colours, [&](QRgb p) { return bin(p) != fullest; });
  std::sort(colours.begin(), colours.end());
  QRgb mode = colours.front();
  std::size_t longest = 0;
  for (std::size_t i = 0; i < colours.size();) {
    std::size_t j = i;
    while (j < colours.size() && colours[j] == colours[i]) {
      ++j;
    }
    if (j - i > longest) {
      longest = j - i;
      mode = colours[i];
    }
    i = j;
  }
  return mode;
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
