#include "wav/block_alignment.h"

#include <algorithm>

namespace wexmont {
namespace {

int64_t OffsetInBlock(int64_t position) {
  return (position % kSharedBlockBytes + kSharedBlockBytes) % kSharedBlockBytes;
}

}  // namespace

int64_t AlignmentPadBytes(int64_t headerBytesWithoutPad, std::span<const int64_t> takeDataOffsets) {
  if (takeDataOffsets.empty()) {
    return 0;
  }
  const int64_t wanted = OffsetInBlock(takeDataOffsets.front());
  const bool agree = std::all_of(takeDataOffsets.begin(), takeDataOffsets.end(),
                                 [&](int64_t offset) { return OffsetInBlock(offset) == wanted; });
  const int64_t pad = OffsetInBlock(wanted - headerBytesWithoutPad);
  if (!agree || pad == 0 || pad % 2 != 0) {
    return 0;
  }
  return pad < kJunkChunkHeaderBytes ? pad + kSharedBlockBytes : pad;
}

}  // namespace wexmont
