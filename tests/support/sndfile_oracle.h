// libsndfile as an independent reader and writer of WAV files: takes laid
// out the way real recorders write them, and outputs read back the way other
// programs will read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wexmont::testing {

struct Audio {
  uint32_t sampleRate = 0;
  int32_t channels = 0;
  int32_t bitsPerSample = 0;  // 16 or 24
  int64_t frames = 0;
  std::vector<int32_t> samples;  // interleaved, on the width's own scale
};

enum class TakeLayout {
  kPlain,       // RIFF/WAVE with a plain format chunk
  kExtensible,  // WAVE_FORMAT_EXTENSIBLE format chunk
  kWithInfo,    // text metadata chunks written around the audio
  // Broadcast WAV: a bext chunk and an INFO comment before the samples, whose
  // texts hold "data" and "fmt " at even bytes.
  kBroadcast,
  kLateSamples,        // a bext coding history so long that the samples start after byte 15000
  kChunkBeforeFormat,  // an odd-sized iXML chunk and its pad byte before "fmt ", holding "data"
  kBrokenChunk,        // a chunk before "fmt " whose size runs past the end of the file
  kRf64,               // RF64: sizes in its ds64 chunk, a comment after the samples
};

// Writes `audio` with libsndfile. Throws when libsndfile refuses.
void WriteWithSndfile(const std::string& path, const Audio& audio,
                      TakeLayout layout = TakeLayout::kPlain);

// Reads a WAV file with libsndfile. Throws when libsndfile cannot open it,
// which makes a malformed output fail the test.
Audio ReadWithSndfile(const std::string& path);

// A deterministic test signal: a different tone per seed, at about half of
// full scale, interleaved.
std::vector<int32_t> ToneSamples(int64_t frames, int32_t channels, int32_t bitsPerSample,
                                 int32_t seed);

}  // namespace wexmont::testing
