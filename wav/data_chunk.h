// Finding the format fields and the sample area of a WAV file. Every
// operation finds a file's data offset itself, with its own last position.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/file_handle.h"

namespace wexmont {

// Last even positions of the tag scans, one per kind of caller.
constexpr int64_t kProbeScanLast = 15000;
constexpr int64_t kCopyScanLast = 171032;
constexpr int64_t kCrossfadeScanLast = 131072;

constexpr int64_t kFirstTagPosition = 2;
constexpr int64_t kDataSizeOffset = 4;    // data size field, from the data tag
constexpr int64_t kSampleAreaOffset = 8;  // first sample byte, from the data tag

// Position of the four bytes "data" at the first even position from 2 to
// `lastPosition`, or nothing. Position 4 of a file that starts with "RIFF" is
// its RIFF size field, never a tag, and is passed over.
std::optional<int64_t> FindDataTag(const FileHandle& file, int64_t lastPosition);

// The same walk for the three bytes "fmt", with the probe's last position.
std::optional<int64_t> FindFormatTag(const FileHandle& file);

// Whole frames of audio behind a data tag: what the data size declares or
// what the file holds, whichever is less. Bytes behind the declared area (a
// chunk that follows the samples) are not audio. Can be 0 or negative for a
// file that ends right after its tag.
int64_t AudioFrames(const FileHandle& file, int64_t dataTag, int64_t bytesPerFrame);

}  // namespace wexmont
