// The crossfade renderer: blends the same span of frames of the outgoing and
// the incoming take, block by block, and hands the blended frames on: to the
// output of a track, or appended to a file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "wav/sample_source.h"
#include "xfade/crossfade_curve.h"
#include "xfade/pcm_codec.h"

namespace wexmont {

// Where a crossfade lies in its two takes: the same frames of both.
struct CrossfadeSpan {
  const SampleSource* outgoing = nullptr;
  const SampleSource* incoming = nullptr;
  int64_t first = 0;           // the crossfade's first frame in each take
  int64_t outgoingFrames = 0;  // frames of audio in each take
  int64_t incomingFrames = 0;
};

// Receives rendered frames: the number of the first one in the crossfade and
// the bytes of whole frames.
using CrossfadeSink = std::function<void(int64_t firstFrame, std::span<const uint8_t> frames)>;

// Renders crossfades of one type and length in one format (those of a track),
// keeping the gains of the curve and its block buffers from one crossfade to
// the next. Memory stays the same for any crossfade length.
class CrossfadeRenderer {
 public:
  // Ends the run for a crossfade type, channel count or coding it does not
  // know.
  CrossfadeRenderer(int32_t crossfadeType, int64_t crossfadeFrames, int32_t channels,
                    SampleCoding coding);

  // Renders the first `frames` frames of the crossfade at `span`, every
  // channel of a frame with the same gains, and hands them to `sink` in
  // order, a block at a time. Frames past the end of a take's audio are
  // silence. A take that cannot be read ends the run.
  void Render(const CrossfadeSpan& span, int64_t frames, const CrossfadeSink& sink);

  // The length of the curve it renders.
  int64_t Frames() const { return curve_.Frames(); }

 private:
  void ReadBlock(const SampleSource& take, int64_t audioFrames, int64_t firstFrame, int64_t frames,
                 std::vector<uint8_t>& block) const;

  CrossfadeCurve curve_;
  int32_t channels_;
  SampleCoding coding_;
  int64_t bytesPerFrame_;
  int64_t blockFrames_;
  std::vector<uint8_t> outgoingBlock_, incomingBlock_, mixedBlock_;
};

}  // namespace wexmont
