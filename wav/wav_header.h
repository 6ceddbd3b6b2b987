// The header that starts every WAV file the system writes: the plain
// 44-byte header for 16- and 24-bit integer mono and stereo, the 68-byte
// extensible header for every other format. An output whose first take
// carries metadata has its bext and iXML chunks between the format chunk and
// the data chunk.
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

using WavHeader = std::vector<uint8_t>;

// Whether `format` is written with the plain header.
bool TakesPlainHeader(const SampleFormat& format);

int64_t HeaderBytes(const SampleFormat& format);

// The most sample bytes a header of `format` can announce: its 32-bit RIFF
// size counts them and every header byte after the size field, the
// `metadataBytes` of carried chunks included.
int64_t MaxDataBytes(const SampleFormat& format, int64_t metadataBytes = 0);

// The header bytes announcing `frameCount` frames of `format`, whose RIFF
// size counts `metadataBytes` more, for chunks that go before the data chunk
// (its last 8 bytes).
WavHeader BuildHeader(const SampleFormat& format, int64_t frameCount, int64_t metadataBytes = 0);

// Creates the file at `path` (or cuts an existing one) holding only the
// header, with the chunks of `metadata` before its data chunk. Ends the run
// when the file cannot be written or the data size does not fit the header.
void WriteWavHeader(const std::string& path, const SampleFormat& format, int64_t frameCount,
                    const CarriedMetadata& metadata = {});

// Bytes that `chunkBytes` of chunks after the samples add to a file whose
// data chunk holds `dataBytes`: the data chunk's pad byte where its size is
// odd, then the chunks. None without chunks. MaxDataBytes must count them.
int64_t BytesAfterSamples(int64_t dataBytes, int64_t chunkBytes);

// Writes `chunks` (whole chunks of an even size) after the samples of the
// WAV file at `path` written by WriteWavHeader, whose `dataBytes` of samples
// start at `dataOffset`: after the data chunk's pad byte where its size is
// odd. Sets its RIFF size to count them; the header written by WriteWavHeader
// counts no chunks after the samples. Does nothing for no chunks. Ends the
// run when the file cannot be written or the RIFF size would not fit its 32
// bits.
void AppendChunksAfterSamples(const std::string& path, int64_t dataOffset, int64_t dataBytes,
                              std::span<const uint8_t> chunks);

}  // namespace wexmont
