// The header that starts every WAV file the system writes. Its layout is
// decided before the first byte is written, from the format, the frame count
// and the carried metadata:
// - the plain 44-byte header for 16- and 24-bit integer mono and stereo whose
//   first take assigns no speaker positions, the 68-byte extensible header
//   for every other format;
// - float samples add a fact chunk with the frame count;
// - an output that a 32-bit RIFF size cannot announce is an RF64 file: a ds64
//   chunk after "WAVE" holds its 64-bit sizes, and the 32-bit size fields
//   read 0xFFFFFFFF;
// - an output whose first take carries metadata has its bext and iXML chunks
//   between the format (and fact) chunks and the data chunk;
// - a JUNK chunk right before the data chunk may move the samples to another
//   offset (see wav/block_alignment.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "wav/carried_metadata.h"
#include "wav/sample_format.h"

namespace wexmont {

constexpr int64_t kHeaderBytes = 44;            // the plain header
constexpr int64_t kExtensibleHeaderBytes = 68;  // with the extensible format chunk
constexpr int64_t kFactChunkBytes = 12;         // id, size, 32-bit frame count
constexpr int64_t kDs64ChunkBytes = 36;         // id, size, three 64-bit sizes, table length

using WavHeader = std::vector<uint8_t>;

// How an output's header is laid out, decided before anything is written.
struct HeaderLayout {
  SampleFormat format;
  int64_t frameCount = 0;
  int64_t dataBytes = 0;      // the samples
  int64_t metadataBytes = 0;  // carried chunks before the data chunk, pad bytes included
  int64_t junkBytes = 0;      // a JUNK chunk after them, its header included; 0 for none
  bool extensible = false;    // the 40-byte format chunk, with the channel mask
  bool factChunk = false;     // float samples: a fact chunk holds the frame count
  bool rf64 = false;          // sizes past 32 bits: RF64 with a ds64 chunk
  int64_t headerBytes = 0;    // every byte before the samples: where they start
  int64_t trailingBytes = 0;  // after the samples: the data chunk's pad byte and chunks

  int64_t FileBytes() const { return headerBytes + dataBytes + trailingBytes; }
};

// Whether `format` is written with the plain header: integer 16- or 24-bit
// mono or stereo without speaker positions.
bool TakesPlainHeader(const SampleFormat& format);

// The header bytes, carried metadata not counted, of a RIFF file of `format`.
int64_t HeaderBytes(const SampleFormat& format);

// The most sample bytes a RIFF header of `format` can announce: its 32-bit
// RIFF size counts them and every header byte after the size field, the
// `metadataBytes` of carried chunks included. More are written as RF64.
int64_t MaxDataBytes(const SampleFormat& format, int64_t metadataBytes = 0);

// The most frames an output of `format` can hold: its file size is a signed
// 64-bit file position.
int64_t MaxFrames(const SampleFormat& format, int64_t metadataBytes = 0);

// The layout of a header announcing `frameCount` frames of `format` (at most
// MaxFrames) with `metadataBytes` of carried chunks, and
// `chunkBytesAfterSamples` of chunks that AppendChunksAfterSamples adds after
// the samples: the header counts them from the start. `junkBytes` (even, at
// least kJunkChunkHeaderBytes, or 0 for none) is a JUNK chunk after the
// carried chunks; the sizes count it as well.
HeaderLayout DescribeHeader(const SampleFormat& format, int64_t frameCount,
                            int64_t metadataBytes = 0, int64_t chunkBytesAfterSamples = 0,
                            int64_t junkBytes = 0);

// The header bytes of `layout`, without the carried chunks and the JUNK
// chunk, which go before the data chunk (its last 8 bytes).
WavHeader BuildHeader(const HeaderLayout& layout);
WavHeader BuildHeader(const SampleFormat& format, int64_t frameCount, int64_t metadataBytes = 0);

// A JUNK chunk of `chunkBytes` bytes in all (at least its 8-byte header, an
// even number): zeros after the header.
WavHeader BuildJunkChunk(int64_t chunkBytes);

// Creates the file at `path` (or cuts an existing one) holding only the
// header of `layout`, with the chunks of `metadata`, then the layout's JUNK
// chunk, before its data chunk.
// Ends the run when the file cannot be written.
void WriteWavHeader(const std::string& path, const HeaderLayout& layout,
                    const CarriedMetadata& metadata = {});
// The same for `frameCount` frames of `format`; also ends the run when the
// frame count is beyond MaxFrames.
void WriteWavHeader(const std::string& path, const SampleFormat& format, int64_t frameCount,
                    const CarriedMetadata& metadata = {});

// Bytes that `chunkBytes` of chunks after the samples add to a file whose
// data chunk holds `dataBytes`: the data chunk's pad byte where its size is
// odd, then the chunks. None without chunks. MaxDataBytes must count them.
int64_t BytesAfterSamples(int64_t dataBytes, int64_t chunkBytes);

// Writes `chunks` (whole chunks of an even size) after the samples of the
// WAV file at `path` whose header WriteWavHeader wrote from `layout`: after
// the data chunk's pad byte where its size is odd. The layout counted them
// already (DescribeHeader's chunkBytesAfterSamples), so no size field changes,
// RIFF or RF64. Does nothing for no chunks. Ends the run when the file cannot
// be written or the layout counted other chunks.
void AppendChunksAfterSamples(const std::string& path, const HeaderLayout& layout,
                              std::span<const uint8_t> chunks);

}  // namespace wexmont
