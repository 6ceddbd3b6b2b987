#include "xfade/crossfade.h"

#include <algorithm>
#include <vector>

#include "foundation/console.h"
#include "foundation/visible_text.h"
#include "xfade/crossfade_mix.h"

namespace wexmont {
namespace {

// Each block of a crossfade is read from each take with one read and handed
// on with one write: up to 128 KiB of frames (a 200 ms stereo crossfade at
// 48 kHz is one block), and never more frames than the gains a long curve
// holds at a time.
constexpr int64_t kMixBlockBytes = int64_t{128} * 1024;
constexpr int64_t kMixBlockFrames = 16384;

int64_t BlockFrames(int64_t bytesPerFrame) {
  return std::clamp<int64_t>(kMixBlockBytes / bytesPerFrame, 1, kMixBlockFrames);
}

// The crossfade type, once it and the format are known to be renderable.
int32_t RenderableType(int32_t crossfadeType, int32_t channels, SampleCoding coding) {
  if (crossfadeType < kEqualPowerCurve || crossfadeType > kLastCurve) {
    EndRun(">> Crossfade type %d is not known, exiting\n", crossfadeType);
  }
  if (channels < 1 || channels > kMaxChannels || !CodecKnows(coding)) {
    const char* kind = coding.kind == SampleKind::kInteger ? "integer"
                       : coding.kind == SampleKind::kFloat ? "float"
                                                           : "unknown";
    EndRun(">> Cannot crossfade %d channels of %d-byte %s samples, exiting\n", channels,
           coding.bytesPerSample, kind);
  }
  return crossfadeType;
}

}  // namespace

CrossfadeRenderer::CrossfadeRenderer(int32_t crossfadeType, int64_t crossfadeFrames,
                                     int32_t channels, SampleCoding coding)
    : curve_(RenderableType(crossfadeType, channels, coding), crossfadeFrames),
      channels_(channels),
      coding_(coding),
      bytesPerFrame_(int64_t{channels} * coding.bytesPerSample),
      blockFrames_(std::min(BlockFrames(bytesPerFrame_), std::max<int64_t>(crossfadeFrames, 1))),
      outgoingBlock_(static_cast<size_t>(blockFrames_ * bytesPerFrame_)),
      incomingBlock_(outgoingBlock_.size()),
      mixedBlock_(outgoingBlock_.size()) {}

// Reads `frames` frames from `firstFrame` on into the front of `block`;
// frames past the take's audio are silence.
void CrossfadeRenderer::ReadBlock(const SampleSource& take, int64_t audioFrames, int64_t firstFrame,
                                  int64_t frames, std::vector<uint8_t>& block) const {
  const int64_t supplied = std::clamp<int64_t>(audioFrames - firstFrame, 0, frames);
  const auto part = std::span(block.data(), static_cast<size_t>(supplied * bytesPerFrame_));
  if (take.file.ReadAt(take.DataOffset() + firstFrame * bytesPerFrame_, part) < part.size()) {
    EndRun(">> Cannot read %s: %s, exiting\n", VisibleText(take.path).c_str(),
           FileErrorText(take.file.Error()).c_str());
  }
  std::fill(block.begin() + static_cast<ptrdiff_t>(part.size()),
            block.begin() + static_cast<ptrdiff_t>(frames * bytesPerFrame_), 0);
}

void CrossfadeRenderer::Render(const CrossfadeSpan& span, int64_t frames,
                               const CrossfadeSink& sink) {
  for (int64_t blockStart = 0; blockStart < frames; blockStart += blockFrames_) {
    const int64_t count = std::min(blockFrames_, frames - blockStart);
    ReadBlock(*span.outgoing, span.outgoingFrames, span.first + blockStart, count, outgoingBlock_);
    ReadBlock(*span.incoming, span.incomingFrames, span.first + blockStart, count, incomingBlock_);
    MixBlock(outgoingBlock_, incomingBlock_, curve_.Gains(blockStart, count), channels_, coding_,
             mixedBlock_);
    sink(blockStart, std::span(mixedBlock_.data(), static_cast<size_t>(count * bytesPerFrame_)));
  }
}

}  // namespace wexmont
