// The header that starts every WAV file the system writes: the plain
// 44-byte header for 16- and 24-bit integer mono and stereo, the 68-byte
// extensible header for every other format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wav/sample_format.h"

namespace wexmont {

constexpr int64_t kHeaderBytes = 44;            // the plain header
constexpr int64_t kExtensibleHeaderBytes = 68;  // with the extensible format chunk

using WavHeader = std::vector<uint8_t>;

// Whether `format` is written with the plain header.
bool TakesPlainHeader(const SampleFormat& format);

int64_t HeaderBytes(const SampleFormat& format);

// The most sample bytes a header of `format` can announce: its 32-bit RIFF
// size counts them and every header byte after the size field.
int64_t MaxDataBytes(const SampleFormat& format);

// The header bytes announcing `frameCount` frames of `format`.
WavHeader BuildHeader(const SampleFormat& format, int64_t frameCount);

// Creates the file at `path` (or cuts an existing one) holding only the
// header. Ends the run when the file cannot be written or the data size does
// not fit the header.
void WriteWavHeader(const std::string& path, const SampleFormat& format, int64_t frameCount);

}  // namespace wexmont
