// Conversions between PCM sample bytes and 32-bit integers. The decoders put
// both widths on the 24-bit scale (16-bit samples come out times 256); each
// encoder takes values on the scale of its own width and keeps only the low
// bits, so values outside the width wrap around.
#pragma once

#include <cstdint>
#include <span>

namespace wexmont {

// Sample widths the decoders know, in bytes; others decode to zeros.
constexpr int32_t kBytes16 = 2;
constexpr int32_t kBytes24 = 3;

void DecodeMono(std::span<const uint8_t> bytes, std::span<int32_t> samples, int32_t bytesPerSample,
                int32_t count);
void DecodeStereo(std::span<const uint8_t> bytes, std::span<int32_t> left, std::span<int32_t> right,
                  int32_t bytesPerSample, int32_t count);

void EncodeMono16(std::span<const int32_t> samples, std::span<uint8_t> bytes, int32_t count);
void EncodeMono24(std::span<const int32_t> samples, std::span<uint8_t> bytes, int32_t count);
void EncodeStereo16(std::span<const int32_t> left, std::span<const int32_t> right,
                    std::span<uint8_t> bytes, int32_t count);
void EncodeStereo24(std::span<const int32_t> left, std::span<const int32_t> right,
                    std::span<uint8_t> bytes, int32_t count);

}  // namespace wexmont
