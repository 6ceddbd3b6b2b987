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

HeaderLayout AlignSamplesWithTakes(const HeaderLayout& layout,
                                   std::span<const int64_t> takeDataOffsets) {
  const int64_t pad = AlignmentPadBytes(layout.headerBytes, takeDataOffsets);
  if (pad == 0) {
    return layout;
  }
  const int64_t chunksAfterSamples =
      layout.trailingBytes > 0 ? layout.trailingBytes - layout.dataBytes % 2 : 0;
  const HeaderLayout padded = DescribeHeader(layout.format, layout.frameCount, layout.metadataBytes,
                                             chunksAfterSamples, pad);
  const bool fits = padded.rf64 == layout.rf64 &&
                    layout.frameCount <=
                        MaxFrames(layout.format, layout.metadataBytes + layout.trailingBytes + pad);
  return fits ? padded : layout;
}

}  // namespace wexmont
