// A PNG file as its list of chunks, and the compressed international text chunk (iTXt) that
// carries a program's own text beside the picture.
//
// A PNG file is the 8-byte signature followed by chunks: a 4-byte big-endian data length, a
// 4-byte type, the data, and the CRC-32 of type and data. IHDR (width, height, ...) comes first
// and IEND last. The reader here checks every chunk's length and CRC and that IEND ends the
// file, so that a damaged or truncated file is told apart from a sound one before any of it is
// decoded.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>
#include <optional>
#include <vector>

namespace tracer {

struct PngChunkSpan {
  QByteArray type;         // 4 letters
  qsizetype start = 0;     // of the chunk (its length field) in the file
  qsizetype dataSize = 0;  // the chunk is dataSize + 12 bytes long
};

// The chunks of `file`, in order; none unless it is a sound PNG file: the signature, IHDR first
// with 13 bytes of data, every chunk within the file with its CRC right, IEND last at the file's
// very end.
std::optional<std::vector<PngChunkSpan>> ReadPngChunks(const QByteArray& file);

// The data of a chunk of `file`.
QByteArrayView ChunkData(const QByteArray& file, const PngChunkSpan& chunk);

// The picture's size as its IHDR gives it (the first chunk of a file that ReadPngChunks took).
QSize PngSize(const QByteArray& file, const std::vector<PngChunkSpan>& chunks);

// A whole chunk: length, type, data, CRC.
QByteArray MakePngChunk(const char* type, QByteArrayView data);

// The data of an iTXt chunk holding `utf8` under `keyword` (1 to 79 Latin-1 characters),
// compressed with zlib, with no language tag and no translated keyword.
QByteArray CompressedTextData(QByteArrayView keyword, QByteArrayView utf8);

// The text of an iTXt chunk's `data` when its keyword is `keyword`; none for another keyword, a
// damaged compressed stream, or a text longer than `largest` bytes (it is not inflated beyond).
std::optional<QByteArray> ReadCompressedText(QByteArrayView data, QByteArrayView keyword, qsizetype largest);

}  // namespace tracer
