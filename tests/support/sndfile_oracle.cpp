#include "tests/support/sndfile_oracle.h"

#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace wexmont::testing {
namespace {

// libsndfile hands integers left-justified in 32 bits.
int32_t Shift(int32_t bitsPerSample) {
  return 32 - bitsPerSample;
}

int32_t SubtypeOf(int32_t bitsPerSample) {
  return bitsPerSample == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24;
}

}  // namespace

void WriteWithSndfile(const std::string& path, const Audio& audio, TakeLayout layout) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(audio.sampleRate);
  info.channels = audio.channels;
  const int container = layout == TakeLayout::kExtensible ? SF_FORMAT_WAVEX : SF_FORMAT_WAV;
  info.format = container | SubtypeOf(audio.bitsPerSample);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    throw std::runtime_error("libsndfile cannot write " + path + ": " + sf_strerror(nullptr));
  }
  if (layout == TakeLayout::kWithInfo) {
    sf_set_string(file, SF_STR_TITLE, "Take written by a field recorder");
    sf_set_string(file, SF_STR_ARTIST, "Wexmont tests");
    sf_set_string(file, SF_STR_COMMENT, "fmt data RIFF inside a text chunk");
  }
  std::vector<int> wide(audio.samples.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] =
        static_cast<int>(static_cast<uint32_t>(audio.samples[i]) << Shift(audio.bitsPerSample));
  }
  const sf_count_t frames = static_cast<sf_count_t>(audio.samples.size()) / audio.channels;
  const sf_count_t written = sf_writef_int(file, wide.data(), frames);
  sf_close(file);
  if (written != frames) {
    throw std::runtime_error("libsndfile wrote too few frames to " + path);
  }
}

Audio ReadWithSndfile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    throw std::runtime_error("libsndfile cannot read " + path + ": " + sf_strerror(nullptr));
  }
  Audio audio;
  audio.sampleRate = static_cast<uint32_t>(info.samplerate);
  audio.channels = info.channels;
  const int subtype = info.format & SF_FORMAT_SUBMASK;
  audio.bitsPerSample = subtype == SF_FORMAT_PCM_16 ? 16 : subtype == SF_FORMAT_PCM_24 ? 24 : 0;
  audio.frames = info.frames;
  std::vector<int> wide(static_cast<size_t>(info.frames * info.channels));
  const sf_count_t got = sf_readf_int(file, wide.data(), info.frames);
  sf_close(file);
  if (got != info.frames || audio.bitsPerSample == 0) {
    throw std::runtime_error("libsndfile cannot read the samples of " + path);
  }
  audio.samples.resize(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    audio.samples[i] = wide[i] >> Shift(audio.bitsPerSample);
  }
  return audio;
}

std::vector<int32_t> ToneSamples(int64_t frames, int32_t channels, int32_t bitsPerSample,
                                 int32_t seed) {
  const double fullScale = bitsPerSample == 16 ? 32767.0 : 8388607.0;
  const double cycle = 37.0 + 11.0 * seed;  // frames per period, different for each seed
  std::vector<int32_t> samples(static_cast<size_t>(frames * channels));
  for (int64_t n = 0; n < frames; ++n) {
    for (int32_t c = 0; c < channels; ++c) {
      const double phase = 2.0 * std::numbers::pi * static_cast<double>(n) / cycle + c;
      samples[static_cast<size_t>(n * channels + c)] =
          static_cast<int32_t>(std::lround(0.5 * fullScale * std::sin(phase)));
    }
  }
  return samples;
}

}  // namespace wexmont::testing
