// The 44-byte header that starts every WAV file the system writes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace wexmont {

constexpr int64_t kHeaderBytes = 44;
constexpr int64_t kRiffSizeBeyondData = 36;  // header bytes counted by the RIFF size
// The header's size fields are 32 bits: the RIFF size, data size + 36, must fit.
constexpr int64_t kMaxDataBytes = 0xFFFFFFFFLL - kRiffSizeBeyondData;

using WavHeader = std::array<uint8_t, kHeaderBytes>;

// The header bytes announcing `frameCount` frames of linear PCM.
WavHeader BuildHeader(uint32_t sampleRate, int32_t bitsPerSample, int64_t frameCount,
                      int32_t channels);

// Creates the file at `path` (or cuts an existing one) holding only the
// header. Ends the run when the file cannot be written or the data size does
// not fit the header.
void WriteWavHeader(const std::string& path, uint32_t sampleRate, int32_t bitsPerSample,
                    int64_t frameCount, int32_t channels);

}  // namespace wexmont
