// Picture files made for the tests and benchmarks: a black PNG of any size that stays small on disk
// (its compressed data written by hand: one zero byte, then copies of the byte before, 258 at a
// time), and a top-down BMP.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <array>
#include <cstdint>
#include <cstring>

namespace fakes {

namespace detail {

inline std::uint32_t Crc32(const QByteArray& bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
      }
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFU;
  for (const char byte : bytes) {
    c = table[(c ^ static_cast<std::uint8_t>(byte)) & 0xFFU] ^ (c >> 8);
  }
  return ~c;
}

inline void Put32(QByteArray& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.append(static_cast<char>((v >> shift) & 0xFFU));
  }
}

inline void Chunk(QByteArray& png, const char* type, const QByteArray& data) {
  Put32(png, static_cast<std::uint32_t>(data.size()));
  const QByteArray typed = QByteArray(type, 4) + data;
  png += typed;
  Put32(png, Crc32(typed));
}

// Deflate's bits, least significant first; Huffman codes go in most significant bit first.
struct BitWriter {
  QByteArray out;
  std::uint32_t pending = 0;
  int count = 0;
  void Bits(std::uint32_t value, int n) {
    for (int i = 0; i < n; ++i) {
      pending |= ((value >> i) & 1U) << count;
      if (++count == 8) {
        out.append(static_cast<char>(pending));
        pending = 0;
        count = 0;
      }
    }
  }
  void Code(std::uint32_t code, int n) {
    for (int i = n - 1; i >= 0; --i) {
      Bits(code >> i, 1);
    }
  }
  void Flush() { Bits(0, (8 - count) % 8); }
};

}  // namespace detail

// A black 8-bit RGB PNG of width x height pixels: every byte of its image data is zero (the
// filter byte of each row too), about 5 MB for 16384 x 16384.
inline QByteArray BlackPng(int width, int height) {
  const auto raw = static_cast<std::uint64_t>(height) * (1 + static_cast<std::uint64_t>(width) * 3);
  detail::BitWriter z;
  z.out.append('\x78').append('\x01');  // zlib header
  z.Bits(1, 1);                         // the last block,
  z.Bits(1, 2);                         // with the fixed codes
  z.Code(0x30, 8);                      // the literal 0
  std::uint64_t left = raw - 1;
  for (; left >= 258; left -= 258) {
    z.Code(0xC5, 8);  // length 258
    z.Code(0, 5);     // distance 1
  }
  for (; left > 0; --left) {
    z.Code(0x30, 8);
  }
  z.Code(0, 7);  // end of block
  z.Flush();
  detail::Put32(z.out, static_cast<std::uint32_t>(raw % 65521) << 16 | 1U);  // Adler-32 of zeros

  QByteArray header;
  detail::Put32(header, static_cast<std::uint32_t>(width));
  detail::Put32(header, static_cast<std::uint32_t>(height));
  header.append('\x08').append('\x02').append(3, '\0');  // 8 bits, RGB
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  detail::Chunk(png, "IHDR", header);
  detail::Chunk(png, "IDAT", z.out);
  detail::Chunk(png, "IEND", {});
  return png;
}

// `picture` as a BMP whose rows run from the top down, as a negative height says.
inline QByteArray TopDownBmp(const QImage& picture) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "BMP");
  QByteArray bmp = buffer.data();
  std::int32_t offset = 0;
  std::int32_t height = 0;
  std::memcpy(&offset, bmp.constData() + 10, 4);
  std::memcpy(&height, bmp.constData() + 22, 4);
  const qsizetype row = (bmp.size() - offset) / height;
  QByteArray rows;
  for (std::int32_t y = height - 1; y >= 0; --y) {
    rows += bmp.mid(offset + y * row, row);
  }
  height = -height;
  std::memcpy(bmp.data() + 22, &height, 4);
  return bmp.left(offset) + rows;
}

}  // namespace fakes
