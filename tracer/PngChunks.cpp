#include "PngChunks.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "numbers.h"

namespace tracer {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype kSignatureSize = 8;
constexpr qsizetype kLargestChunkData = std::numeric_limits<std::int32_t>::max();  // PNG's own bound

std::uint32_t Read32(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | std::uint32_t{b[3]};
}

void Append32(QByteArray& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.append(static_cast<char>((v >> shift) & 0xFFU));
  }
}

std::uint32_t Crc(QByteArrayView bytes) {
  const auto* data = reinterpret_cast<const Bytef*>(bytes.data());
  return static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), data, static_cast<std::size_t>(bytes.size())));
}

bool IsChunkType(QByteArrayView type) {
  return std::all_of(type.begin(), type.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

}  // namespace

std::optional<std::vector<PngChunkSpan>> ReadPngChunks(const QByteArray& file) {
  if (!file.startsWith(QByteArrayView(kSignature, kSignatureSize))) {
    return std::nullopt;
  }
  std::vector<PngChunkSpan> chunks;
  qsizetype at = kSignatureSize;
  while (at < file.size()) {
    if (file.size() - at < 12) {
      return std::nullopt;
    }
    const std::uint32_t length = Read32(file.constData() + at);
    if (length > kLargestChunkData || file.size() - at - 12 < static_cast<qsizetype>(length)) {
      return std::nullopt;
    }
    const PngChunkSpan chunk{file.mid(at + 4, 4), at, static_cast<qsizetype>(length)};
    const QByteArrayView typed(file.constData() + at + 4, chunk.dataSize + 4);
    if (!IsChunkType(chunk.type) || Crc(typed) != Read32(file.constData() + at + 8 + chunk.dataSize)) {
      return std::nullopt;
    }
    if (chunks.empty() && (chunk.type != "IHDR" || chunk.dataSize != 13)) {
      return std::nullopt;
    }
    chunks.push_back(chunk);
    at += chunk.dataSize + 12;
    if (chunk.type == "IEND") {
      break;
    }
  }
  if (chunks.empty() || chunks.back().type != "IEND" || at != file.size()) {
    return std::nullopt;
  }
  return chunks;
}

QByteArrayView ChunkData(const QByteArray& file, const PngChunkSpan& chunk) {
  return {file.constData() + chunk.start + 8, chunk.dataSize};
}

QSize PngSize(const QByteArray& file, const std::vector<PngChunkSpan>& chunks) {
  const QByteArrayView header = ChunkData(file, chunks.front());
  const std::uint32_t width = Read32(header.data());
  const std::uint32_t height = Read32(header.data() + 4);
  // PNG keeps sizes below 2^31; anything larger reads as a size no picture may have.
  const auto side = [](std::uint32_t v) { return v > kLargestChunkData ? -1 : static_cast<int>(v); };
  return {side(width), side(height)};
}

QByteArray MakePngChunk(const char* type, QByteArrayView data) {
  QByteArray chunk;
  chunk.reserve(data.size() + 12);
  Append32(chunk, platform::CheckedNarrow<std::uint32_t>(data.size()));
  chunk.append(type, 4);
  chunk.append(data);
  Append32(chunk, Crc(QByteArrayView(chunk).sliced(4)));
  return chunk;
}

QByteArray CompressedTextData(QByteArrayView keyword, QByteArrayView utf8) {
  uLongf size = compressBound(platform::CheckedNarrow<uLong>(utf8.size()));
  QByteArray compressed(platform::CheckedNarrow<qsizetype>(size), Qt::Uninitialized);
  if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(utf8.data()),
                platform::CheckedNarrow<uLong>(utf8.size()), Z_DEFAULT_COMPRESSION) != Z_OK) {
    throw std::runtime_error("the text could not be compressed");
  }
  compressed.truncate(platform::CheckedNarrow<qsizetype>(size));
  QByteArray data(keyword.data(), keyword.size());
  // Keyword, NUL, compressed (1), zlib (0), empty language tag, NUL, empty translated keyword, NUL.
  data.append("\0\1\0\0\0", 5);
  data.append(compressed);
  return data;
}

std::optional<QByteArray> ReadCompressedText(QByteArrayView data, QByteArrayView keyword, qsizetype largest) {
  const qsizetype header = keyword.size() + 3;
  if (data.size() < header || !data.startsWith(keyword) || data[keyword.size()] != '\0') {
    return std::nullopt;
  }
  const char compressed = data[keyword.size() + 1];
  const char method = data[keyword.size() + 2];
  // Skip the language tag and the translated keyword, each ended by a NUL.
  qsizetype at = header;
  for (int field = 0; field < 2; ++field) {
    const qsizetype end = data.indexOf('\0', at);
    if (end < 0) {
      return std::nullopt;
    }
    at = end + 1;
  }
  const QByteArrayView text = data.sliced(at);
  if (compressed == 0) {
    return text.size() <= largest ? std::optional(text.toByteArray()) : std::nullopt;
  }
  if (compressed != 1 || method != 0) {
    return std::nullopt;
  }
  // Inflated piece by piece, so that a stream that would grow beyond `largest` stops there.
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) {
    return std::nullopt;
  }
  QByteArray out;
  constexpr qsizetype kPiece = 1 << 16;
  stream.next_in = const_cast<Bytef*>(reinterpret_cast<const Bytef*>(text.data()));
  qsizetype inputLeft = text.size();
  int result = Z_OK;
  while (result == Z_OK) {
    if (stream.avail_in == 0 && inputLeft > 0) {
      const qsizetype piece = std::min<qsizetype>(inputLeft, kPiece);
      stream.avail_in = static_cast<uInt>(piece);
      inputLeft -= piece;
    }
    const qsizetype before = out.size();
    if (before >= largest + 1) {
      break;
    }
    const qsizetype room = std::min<qsizetype>(kPiece, largest + 1 - before);
    out.resize(before + room);
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
    stream.avail_out = static_cast<uInt>(room);
    result = inflate(&stream, Z_NO_FLUSH);
    out.resize(before + room - static_cast<qsizetype>(stream.avail_out));
    if (result == Z_BUF_ERROR && stream.avail_in == 0 && inputLeft == 0) {
      break;  // the stream ends before its end mark
    }
    if (result == Z_BUF_ERROR) {
      result = Z_OK;
    }
  }
  const bool whole = result == Z_STREAM_END && stream.avail_in == 0 && inputLeft == 0 && out.size() <= largest;
  inflateEnd(&stream);
  return whole ? std::optional(out) : std::nullopt;
}

}  // namespace tracer
