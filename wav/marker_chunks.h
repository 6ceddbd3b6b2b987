// Markers an editor shows on a WAV file: a "cue " chunk with one cue point
// per marker, and a "LIST" chunk of type "adtl" that names each marker
// ("labl") and turns a marker with a length into a region ("ltxt", purpose
// "rgn "). They follow the data chunk of an output (AppendChunksAfterSamples
// in wav/wav_header.h), so its header and sample area stay where they are.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace wexmont {

struct CutMarker {
  int64_t frame = 0;         // first frame of the marker in the data chunk
  std::string label;         // its name; cut at a NUL, which ends it in the file
  int64_t regionFrames = 0;  // 0: a point; more: a region of that many frames
};

// The cue chunk, then the LIST/adtl chunk, for `markers` in their order: cue
// ids 1, 2, ...; each cue point's position and sample offset are its frame,
// in the data chunk. Every sub-chunk and chunk is followed by its pad byte
// after an odd size; the result has an even size. Empty for no markers.
// Frames and region lengths must lie in 0 to 2^32 - 1 (a WAV file holds no
// more frames).
std::vector<uint8_t> BuildMarkerChunks(std::span<const CutMarker> markers);

}  // namespace wexmont
