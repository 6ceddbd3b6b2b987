#include "wav/data_chunk.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "foundation/byte_pack.h"

namespace wexmont {
namespace {

constexpr int64_t kScanWindow = 4096;  // bytes looked at per read
constexpr int64_t kRiffSizePosition = 4;
constexpr int64_t kMaxTagLength = 4;

// The file is read in windows that overlap by a tag's length, so that a tag
// across a window boundary is seen; no position is tested twice.
std::optional<int64_t> FindTag(const FileHandle& file, std::string_view tag, int64_t lastPosition) {
  std::array<uint8_t, kScanWindow + kMaxTagLength> window;
  bool riffFile = false;
  for (int64_t base = 0; base <= lastPosition; base += kScanWindow) {
    const size_t got = file.ReadAt(base, window);
    if (base == 0) {
      riffFile = got >= 4 && std::memcmp(window.data(), "RIFF", 4) == 0;
    }
    const int64_t windowLast = std::min(lastPosition, base + kScanWindow - 1);
    for (int64_t p = std::max(kFirstTagPosition, base); p <= windowLast; p += 2) {
      const int64_t at = p - base;
      if (at + static_cast<int64_t>(tag.size()) > static_cast<int64_t>(got)) {
        return std::nullopt;  // the file ends before this position's bytes
      }
      if (p == kRiffSizePosition && riffFile) {
        continue;
      }
      if (std::memcmp(window.data() + at, tag.data(), tag.size()) == 0) {
        return p;
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<SampleArea> FindSampleArea(const FileHandle& file, const ChunkWalk& walk,
                                         int64_t lastPosition) {
  if (walk.dataTag) {
    return SampleArea{*walk.dataTag, walk.dataBytes};
  }
  const std::optional<int64_t> dataTag = FindTag(file, "data", lastPosition);
  if (!dataTag) {
    return std::nullopt;
  }
  SampleArea area{*dataTag, std::nullopt};
  std::array<uint8_t, 4> sizeField{};
  if (file.ReadAt(*dataTag + kDataSizeOffset, sizeField) == sizeField.size()) {
    area.declaredBytes = DeclaredDataBytes(Load32LE(sizeField.data()));
  }
  return area;
}

std::optional<SampleArea> FindSampleArea(const FileHandle& file, int64_t lastPosition) {
  return FindSampleArea(file, WalkChunks(file), lastPosition);
}

std::optional<int64_t> FindFormatTag(const FileHandle& file, const ChunkWalk& walk) {
  return walk.formatTag ? walk.formatTag : FindTag(file, "fmt", kProbeScanLast);
}

int64_t AudioFrames(const FileHandle& file, const SampleArea& area, int64_t bytesPerFrame) {
  return AudioFrames(file.Size(), area, bytesPerFrame);
}

int64_t AudioFrames(int64_t fileSize, const SampleArea& area, int64_t bytesPerFrame) {
  const int64_t held = (fileSize - area.DataOffset()) / bytesPerFrame;
  if (!area.declaredBytes) {
    return held;
  }
  return std::min(*area.declaredBytes / bytesPerFrame, held);
}

}  // namespace wexmont
