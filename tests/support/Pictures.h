// A picture file made for the tests and benchmarks: a black PNG of any size that stays small on
// disk (its compressed data written by hand: one zero byte, then copies of the byte before, 258 at
// a time).
#pragma once

#include <QByteArray>
#include <cstdint>

namespace fakes {

namespace detail {

inline std::uint32_t Crc32(const QByteArray& bytes) {
  std::uint32_t c = 0xFFFFFFFFU;
  for (const char byte : bytes) {
    c ^= static_cast<std::uint8_t>(byte);
    for (int k = 0; k < 8; ++k) {
      c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
    }
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

// Deflate's bits, least significant first (the codes below are given with their bits reversed).
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
};

}  // namespace detail

// A black 8-bit RGB PNG of width x height pixels: every byte of its image data is zero (the
// filter byte of each row too), about 5 MB for 16384 x 16384.
inline QByteArray BlackPng(int width, int height) {
  const auto raw = static_cast<std::uint64_t>(height) * (1 + static_cast<std::uint64_t>(width) * 3);
  detail::BitWriter z;
  z.out.append('\x78').append('\x01');  // zlib header
  z.Bits(3, 3);                         // the last block, with the fixed codes
  z.Bits(0x0C, 8);                      // the literal 0
  std::uint64_t left = raw - 1;
  for (; left >= 258; left -= 258) {
    z.Bits(0xA3, 13);  // length 258 (8 bits), distance 1 (5 zero bits)
  }
  for (; left > 0; --left) {
    z.Bits(0x0C, 8);
  }
  z.Bits(0, 7 + (8 - (z.count + 7) % 8) % 8);                                // end of block, then to a whole byte
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

}  // namespace fakes
