#include "xfade/pcm_codec.h"

namespace wexmont {
namespace {

bool IsFloat32(SampleCoding coding) {
  return coding.kind == SampleKind::kFloat && coding.bytesPerSample == kBytes32;
}

bool IsInteger(SampleCoding coding) {
  return coding.kind == SampleKind::kInteger &&
         (coding.bytesPerSample == kBytes16 || coding.bytesPerSample == kBytes24 ||
          coding.bytesPerSample == kBytes32);
}

}  // namespace

bool CodecKnows(SampleCoding coding) {
  return IsInteger(coding) || IsFloat32(coding);
}

}  // namespace wexmont
