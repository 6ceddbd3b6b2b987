// Little-endian packing of the WAV format's multi-byte fields and samples.
// Every byte-order detail of the system lives here.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace wexmont {

inline uint16_t Load16LE(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline uint32_t Load32LE(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline uint64_t Load64LE(const uint8_t* bytes) {
  return static_cast<uint64_t>(Load32LE(bytes)) |
         (static_cast<uint64_t>(Load32LE(bytes + 4)) << 32);
}

inline void Store16LE(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline void Store32LE(uint8_t* bytes, uint32_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
  bytes[2] = static_cast<uint8_t>(value >> 16);
  bytes[3] = static_cast<uint8_t>(value >> 24);
}

inline void Store64LE(uint8_t* bytes, uint64_t value) {
  Store32LE(bytes, static_cast<uint32_t>(value));
  Store32LE(bytes + 4, static_cast<uint32_t>(value >> 32));
}

// A two's-complement sample of `width` bytes (2 to 4): the top byte carries
// the sign, the lower bytes are unsigned.
inline int32_t LoadSampleLE(const uint8_t* bytes, int width) {
  // One load for the widths the host has, where its byte order is the file's.
  if constexpr (std::endian::native == std::endian::little) {
    if (width == 2) {
      int16_t value;
      std::memcpy(&value, bytes, sizeof value);
      return value;
    }
    if (width == 4) {
      int32_t value;
      std::memcpy(&value, bytes, sizeof value);
      return value;
    }
  }
  const int32_t top = static_cast<int8_t>(bytes[width - 1]);
  int32_t value = top;
  for (int j = width - 2; j >= 0; --j) {
    value = value * 256 + bytes[j];
  }
  return value;
}

// Writes the low `width` bytes of `value`; bits above the width are dropped.
inline void StoreSampleLE(uint8_t* bytes, int32_t value, int width) {
  // One store for the widths the host has, where its byte order is the file's.
  if constexpr (std::endian::native == std::endian::little) {
    if (width == 2) {
      const auto low = static_cast<int16_t>(value);
      std::memcpy(bytes, &low, sizeof low);
      return;
    }
    if (width == 4) {
      std::memcpy(bytes, &value, sizeof value);
      return;
    }
  }
  const uint32_t bits = static_cast<uint32_t>(value);
  for (int j = 0; j < width; ++j) {
    bytes[j] = static_cast<uint8_t>(bits >> (8 * j));
  }
}

// A 24-bit sample read with one 4-byte load: the byte after it must be
// readable. The same value as LoadSampleLE(bytes, 3).
inline int32_t LoadSample24Wide(const uint8_t* bytes) {
  if constexpr (std::endian::native == std::endian::little) {
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return static_cast<int32_t>(word << 8) >> 8;
  } else {
    return LoadSampleLE(bytes, 3);
  }
}

// A 24-bit sample written with one 4-byte store: the byte after it is
// overwritten too, so the bytes of whatever follows must be written later.
inline void StoreSample24Wide(uint8_t* bytes, int32_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes, &value, sizeof value);
  } else {
    StoreSampleLE(bytes, value, 4);
  }
}

// An IEEE 754 single-precision sample, bit for bit.
inline float LoadFloatLE(const uint8_t* bytes) {
  return std::bit_cast<float>(Load32LE(bytes));
}

inline void StoreFloatLE(uint8_t* bytes, float value) {
  Store32LE(bytes, std::bit_cast<uint32_t>(value));
}

}  // namespace wexmont
