// The crossfade mix on fuzzed sample bytes. Piece 0 holds the parameters
// (six bytes not read, then one byte each for type % 6, channels % 10,
// 1 + width % 4 and sample kind % 3 (integer, float, other); missing bytes
// are 0); pieces 1 and 2 are mixed as raw sample bytes of the outgoing and
// the incoming take, and every mixed sample must be what decoding,
// MixSample and encoding give.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "foundation/console.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/mix_oracle.h"
#include "wav/wav_header.h"
#include "xfade/crossfade.h"
#include "xfade/crossfade_mix.h"

using namespace wexmont;

namespace {

// The mix loop made for the coding against one sample at a time, on any bit
// patterns (NaN payloads, denormals, full scale).
void CheckMixOfRawBytes(std::string_view outgoing, std::string_view incoming, int32_t type,
                        int32_t channels, SampleCoding coding) {
  if (type < kEqualPowerCurve || type > kSineCurve || channels < 1 || !CodecKnows(coding)) {
    return;
  }
  const size_t width = static_cast<size_t>(coding.bytesPerSample);
  const int64_t frames = static_cast<int64_t>(std::min(outgoing.size(), incoming.size()) /
                                              (width * static_cast<size_t>(channels)));
  const auto bytes = [](std::string_view piece) {
    return std::span(reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
  };
  CrossfadeCurve curve(type, frames + 1);
  const auto gains = curve.Gains(1, frames);
  std::vector<uint8_t> mixed(static_cast<size_t>(frames * channels) * width), want(mixed.size());
  MixBlock(bytes(outgoing), bytes(incoming), gains, channels, coding, mixed);
  for (size_t at = 0; at < want.size(); at += width) {
    oracle::MixOneSample(&bytes(outgoing)[at], &bytes(incoming)[at],
                         gains[at / width / static_cast<size_t>(channels)], coding, &want[at]);
  }
  if (mixed != want) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterWorkFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string_view> pieces = fuzz::SplitPieces(data, size);
  uint8_t p[10] = {};
  pieces[0].copy(reinterpret_cast<char*>(p), sizeof p);
  const int32_t type = p[6] % 6, channels = p[7] % 10, width = 1 + p[8] % 4;
  const SampleKind kind = static_cast<SampleKind>(p[9] % 3);
  if (pieces.size() > 2) {
    CheckMixOfRawBytes(pieces[1], pieces[2], type, channels, {width, kind});
  }
  return 0;
}
