// Where an output's samples start, so that its blocks can be shared with its
// takes: file systems that clone (XFS and btrfs with reflink) share the
// blocks of a copied byte range only when the range starts at the same offset
// within a block in both files.
#pragma once

#include <cstdint>
#include <span>

#include "wav/wav_header.h"

namespace wexmont {

constexpr int64_t kSharedBlockBytes = 4096;
constexpr int64_t kJunkChunkHeaderBytes = 8;  // "JUNK" and its size

// The size, header included, of the JUNK chunk that moves an output's samples
// to the same offset within a block as the samples of its takes: 0 when the
// takes' data offsets do not all agree modulo kSharedBlockBytes (no offset
// serves them all), when there are none, when the header of
// `headerBytesWithoutPad` bytes already lines up, or when no chunk of whole
// 16-bit words can (an odd offset). Otherwise the smallest size of at least
// kJunkChunkHeaderBytes that reaches the offset.
int64_t AlignmentPadBytes(int64_t headerBytesWithoutPad, std::span<const int64_t> takeDataOffsets);

// `layout` (one without a JUNK chunk) with the JUNK chunk of
// AlignmentPadBytes for takes whose samples start at `takeDataOffsets`.
// `layout` itself where there is no pad, or where the pad would no longer let
// the output fit its kind of header: a RIFF output that would need RF64, an
// RF64 one larger than a file position reaches.
HeaderLayout AlignSamplesWithTakes(const HeaderLayout& layout,
                                   std::span<const int64_t> takeDataOffsets);

}  // namespace wexmont
