#include "tests/support/sndfile_oracle.h"

#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <string_view>

#include "foundation/byte_pack.h"
#include "tests/support/project_files.h"

namespace wexmont::testing {
namespace {

// libsndfile hands integers left-justified in 32 bits.
int32_t Shift(int32_t bitsPerSample) {
  return 32 - bitsPerSample;
}

int32_t SubtypeOf(int32_t bitsPerSample) {
  return bitsPerSample == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24;
}

int32_t ContainerOf(TakeLayout layout) {
  return layout == TakeLayout::kExtensible ? SF_FORMAT_WAVEX
         : layout == TakeLayout::kRf64     ? SF_FORMAT_RF64
                                           : SF_FORMAT_WAV;
}

// A bext chunk as a field recorder fills it, with `historyLines` lines of
// coding history.
void SetBroadcastInfo(SNDFILE* file, std::string_view description, std::string_view originator,
                      int historyLines) {
  SF_BROADCAST_INFO_VAR(16000) bext{};
  description.copy(bext.description, sizeof bext.description);
  originator.copy(bext.originator, sizeof bext.originator);
  std::string history;
  for (int line = 0; line < historyLines; ++line) {
    history += "A=PCM,F=48000,W=24,M=stereo,T=field recorder\r\n";
  }
  bext.coding_history_size = static_cast<uint32_t>(history.copy(bext.coding_history, 16000));
  if (sf_command(file, SFC_SET_BROADCAST_INFO, &bext, sizeof bext) != SF_TRUE) {
    throw std::runtime_error("libsndfile refuses the bext chunk");
  }
}

// Puts a chunk right after "WAVE", before everything libsndfile wrote, and
// counts it in the RIFF size.
void InsertFirstChunk(const std::string& path, const std::string& id, uint32_t declaredSize,
                      const std::string& payload) {
  std::string bytes = ReadFile(path);
  std::string chunk = id + std::string(4, '\0') + payload + std::string(payload.size() % 2, '\0');
  Store32LE(reinterpret_cast<uint8_t*>(&chunk[4]), declaredSize);
  bytes.insert(12, chunk);
  auto* riffSize = reinterpret_cast<uint8_t*>(&bytes[4]);
  Store32LE(riffSize, Load32LE(riffSize) + static_cast<uint32_t>(chunk.size()));
  WriteFile(path, bytes);
}

// What a layout adds before the samples are written.
void AddLeadingMetadata(SNDFILE* file, TakeLayout layout) {
  if (layout == TakeLayout::kWithInfo) {
    sf_set_string(file, SF_STR_TITLE, "Take written by a field recorder");
    sf_set_string(file, SF_STR_ARTIST, "Wexmont tests");
    sf_set_string(file, SF_STR_COMMENT, "fmt data RIFF inside a text chunk");
  } else if (layout == TakeLayout::kBroadcast) {
    SetBroadcastInfo(file, "Scene 4 take 2, metadata of the field recorder", "fmt data recorder",
                     1);
    sf_set_string(file, SF_STR_COMMENT, "fmt data RIFF inside a text chunk");
  } else if (layout == TakeLayout::kLateSamples) {
    SetBroadcastInfo(file, "Scene 4 take 3", "field recorder", 340);
  }
}

// What a layout adds after the samples, and to the closed file.
void AddTrailingMetadata(SNDFILE* file, const std::string& path, TakeLayout layout) {
  if (layout == TakeLayout::kRf64) {
    sf_set_string(file, SF_STR_COMMENT, "a comment written after the samples");
  }
  sf_close(file);
  if (layout == TakeLayout::kChunkBeforeFormat) {
    const std::string xml = "<BWFXML><NOTE>metadata of scene 4, fmt and data</NOTE></BWFXML>";
    InsertFirstChunk(path, "iXML", static_cast<uint32_t>(xml.size()), xml);
  } else if (layout == TakeLayout::kBrokenChunk) {
    InsertFirstChunk(path, "JUNK", 0x7FFFFFF0, "junk");
  }
}

}  // namespace

void WriteWithSndfile(const std::string& path, const Audio& audio, TakeLayout layout) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(audio.sampleRate);
  info.channels = audio.channels;
  info.format = ContainerOf(layout) | SubtypeOf(audio.bitsPerSample);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    throw std::runtime_error("libsndfile cannot write " + path + ": " + sf_strerror(nullptr));
  }
  AddLeadingMetadata(file, layout);
  std::vector<int> wide(audio.samples.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] =
        static_cast<int>(static_cast<uint32_t>(audio.samples[i]) << Shift(audio.bitsPerSample));
  }
  const sf_count_t frames = static_cast<sf_count_t>(audio.samples.size()) / audio.channels;
  const sf_count_t written = sf_writef_int(file, wide.data(), frames);
  AddTrailingMetadata(file, path, layout);
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
