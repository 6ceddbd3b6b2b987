// Finding the format fields and the sample area of a WAV file. Every
// operation finds them itself: by the chunk walk, and where the walk reaches
// no such chunk (a file that is no RIFF/WAVE file, or whose chunk sizes run
// past its end), by scanning the bytes for the tag up to its own last
// position, as takes of any layout were always found.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/file_handle.h"
#include "wav/chunk_walk.h"

namespace wexmont {

// The last even position of the tag scan, where the chunk walk cannot reach
// a file's samples.
constexpr int64_t kProbeScanLast = 15000;

constexpr int64_t kFirstTagPosition = 2;
constexpr int64_t kDataSizeOffset = 4;    // data size field, from the data tag
constexpr int64_t kSampleAreaOffset = 8;  // first sample byte, from the data tag

// Where a file's samples lie.
struct SampleArea {
  int64_t dataTag = 0;
  // Sample bytes as declared; nothing when the samples run to the end of
  // the file (also when the file ends inside the size field).
  std::optional<int64_t> declaredBytes;

  int64_t DataOffset() const { return dataTag + kSampleAreaOffset; }
  bool operator==(const SampleArea&) const = default;
};

// The walk's data chunk, or else the four bytes "data" at the first even
// position from 2 to `lastPosition`. Position 4 of a file that starts with
// "RIFF" is its RIFF size field, never a tag, and is passed over.
std::optional<SampleArea> FindSampleArea(const FileHandle& file, const ChunkWalk& walk,
                                         int64_t lastPosition);
// The same, walking the file first.
std::optional<SampleArea> FindSampleArea(const FileHandle& file, int64_t lastPosition);

// The walk's format chunk, or else the three bytes "fmt" found the same way,
// with the probe's last position.
std::optional<int64_t> FindFormatTag(const FileHandle& file, const ChunkWalk& walk);

// Whole frames of audio in a sample area: what it declares or what the file
// holds, whichever is less. Bytes behind the declared area (a chunk that
// follows the samples) are not audio. Can be 0 or negative for a file that
// ends right after its tag.
int64_t AudioFrames(const FileHandle& file, const SampleArea& area, int64_t bytesPerFrame);
// The same for a file of `fileSize` bytes.
int64_t AudioFrames(int64_t fileSize, const SampleArea& area, int64_t bytesPerFrame);

}  // namespace wexmont
