// The header that starts every WAV file the system writes: the plain
// 44-byte header for 16- and 24-bit integer mono and stereo, the 68-byte
// extensible header for every other format. An output whose first take
// carries metadata has its bext and iXML chunks between the format chunk and
// the data chunk.
#pragma once

#include <cstdint>
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
// (its last 8 bytes): carried metadata and a JUNK chunk.
WavHeader BuildHeader(const SampleFormat& format, int64_t frameCount, int64_t metadataBytes = 0);

// A JUNK chunk of `chunkBytes` bytes in all (at least its 8-byte header, an
// even number): zeros after the header.
WavHeader BuildJunkChunk(int64_t chunkBytes);

// Creates the file at `path` (or cuts an existing one) holding only the
// header, with the chunks of `metadata` and then a JUNK chunk of `padBytes`
// (none for 0, see AlignmentPadBytes) before its data chunk. Ends the run
// when the file cannot be written or the data size does not fit the header.
void WriteWavHeader(const std::string& path, const SampleFormat& format, int64_t frameCount,
                    const CarriedMetadata& metadata = {}, int64_t padBytes = 0);

}  // namespace wexmont
