#include "tests/support/sndfile_oracle.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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

int SubtypeOf(const Audio& audio) {
  if (audio.kind == SampleKind::kFloat) {
    return SF_FORMAT_FLOAT;
  }
  return audio.bitsPerSample == 16   ? SF_FORMAT_PCM_16
         : audio.bitsPerSample == 24 ? SF_FORMAT_PCM_24
                                     : SF_FORMAT_PCM_32;
}

// Writes every frame of `audio`; false when libsndfile wrote fewer.
bool WriteSamples(SNDFILE* file, const Audio& audio) {
  const sf_count_t frames = static_cast<sf_count_t>(audio.samples.size()) / audio.channels;
  sf_count_t written = 0;
  if (audio.kind == SampleKind::kFloat) {
    const std::vector<float> floats(audio.samples.begin(), audio.samples.end());
    written = sf_writef_float(file, floats.data(), frames);
  } else {
    std::vector<int> wide(audio.samples.size());
    for (size_t i = 0; i < wide.size(); ++i) {
      wide[i] = static_cast<int>(static_cast<uint32_t>(static_cast<int32_t>(audio.samples[i]))
                                 << Shift(audio.bitsPerSample));
    }
    written = sf_writef_int(file, wide.data(), frames);
  }
  return written == frames;
}

// sox 14.4 warns on standard error of every extensible float file (it looks
// for a size field after the extension), so only what it prints on standard
// output counts.
std::string SoxSays(const std::string& option, const std::string& path) {
  const std::string command = "sox --i " + option + " '" + path + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string text;
  char buffer[256];
  for (size_t got; pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    text.append(buffer, got);
  }
  if (pipe == nullptr || ::pclose(pipe) != 0) {
    throw std::runtime_error("sox cannot read " + path + ": " + text);
  }
  return text.substr(0, text.find_last_not_of('\n') + 1);
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

void WriteWithSndfile(const std::string& path, const Audio& audio, TakeLayout layout) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(audio.sampleRate);
  info.channels = audio.channels;
  info.format = ContainerOf(layout) | SubtypeOf(audio);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    throw std::runtime_error("libsndfile cannot write " + path + ": " + sf_strerror(nullptr));
  }
  AddLeadingMetadata(file, layout);
  const bool complete = WriteSamples(file, audio);
  AddTrailingMetadata(file, path, layout);
  if (!complete) {
    throw std::runtime_error("libsndfile wrote too few frames to " + path);
  }
}

void WriteBroadcastWave(const std::string& path, const Audio& audio, const BroadcastInfo& bext) {
  SF_INFO info{static_cast<sf_count_t>(0),
               static_cast<int>(audio.sampleRate),
               audio.channels,
               SF_FORMAT_WAV | SubtypeOf(audio),
               0,
               0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  SF_BROADCAST_INFO_VAR(4096) fields{};
  bext.description.copy(fields.description, sizeof fields.description);
  bext.originator.copy(fields.originator, sizeof fields.originator);
  bext.originatorReference.copy(fields.originator_reference, sizeof fields.originator_reference);
  fields.time_reference_low = static_cast<uint32_t>(bext.timeReference);
  fields.time_reference_high = static_cast<uint32_t>(bext.timeReference >> 32);
  fields.version = static_cast<short>(bext.version);
  bext.umid.copy(fields.umid, sizeof fields.umid);
  std::tie(fields.loudness_value, fields.loudness_range, fields.max_true_peak_level,
           fields.max_momentary_loudness, fields.max_shortterm_loudness) =
      std::tuple_cat(bext.loudness);
  fields.coding_history_size =
      static_cast<uint32_t>(bext.codingHistory.copy(fields.coding_history, 4096));
  const bool written =
      file != nullptr &&
      sf_command(file, SFC_SET_BROADCAST_INFO, &fields, sizeof fields) == SF_TRUE &&
      WriteSamples(file, audio);
  sf_close(file);
  if (!written) {
    throw std::runtime_error("libsndfile cannot write the Broadcast WAV take " + path);
  }
}

std::optional<BroadcastInfo> ReadBroadcastInfo(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    throw std::runtime_error("libsndfile cannot read " + path + ": " + sf_strerror(nullptr));
  }
  SF_BROADCAST_INFO_VAR(16384) fields{};
  const bool found = sf_command(file, SFC_GET_BROADCAST_INFO, &fields, sizeof fields) == SF_TRUE;
  sf_close(file);
  if (!found) {
    return std::nullopt;
  }
  const auto text = [](const char* field, size_t width) {
    return std::string(field, ::strnlen(field, width));
  };
  return BroadcastInfo{text(fields.description, sizeof fields.description),
                       text(fields.originator, sizeof fields.originator),
                       text(fields.originator_reference, sizeof fields.originator_reference),
                       text(fields.origination_date, sizeof fields.origination_date),
                       text(fields.origination_time, sizeof fields.origination_time),
                       uint64_t{fields.time_reference_high} << 32 | fields.time_reference_low,
                       static_cast<uint16_t>(fields.version),
                       std::string(fields.umid, sizeof fields.umid),
                       {fields.loudness_value, fields.loudness_range, fields.max_true_peak_level,
                        fields.max_momentary_loudness, fields.max_shortterm_loudness},
                       text(fields.coding_history, fields.coding_history_size)};
}

Audio ReadWithSndfile(const std::string& path) {
  return ReadFramesWithSndfile(path, 0, INT64_MAX);
}

Audio ReadFramesWithSndfile(const std::string& path, int64_t firstFrame, int64_t frameCount) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    throw std::runtime_error("libsndfile cannot read " + path + ": " + sf_strerror(nullptr));
  }
  Audio audio;
  audio.sampleRate = static_cast<uint32_t>(info.samplerate);
  audio.channels = info.channels;
  const int subtype = info.format & SF_FORMAT_SUBMASK;
  audio.kind = subtype == SF_FORMAT_FLOAT ? SampleKind::kFloat : SampleKind::kInteger;
  audio.bitsPerSample = subtype == SF_FORMAT_PCM_16                                 ? 16
                        : subtype == SF_FORMAT_PCM_24                               ? 24
                        : subtype == SF_FORMAT_PCM_32 || subtype == SF_FORMAT_FLOAT ? 32
                                                                                    : 0;
  audio.frames = info.frames;
  const sf_count_t count = std::clamp<sf_count_t>(info.frames - firstFrame, 0, frameCount);
  audio.samples.resize(static_cast<size_t>(count * info.channels));
  sf_count_t got = 0;
  if (firstFrame > 0 && sf_seek(file, firstFrame, SEEK_SET) != firstFrame) {
    got = -1;
  } else if (audio.kind == SampleKind::kFloat) {
    std::vector<float> floats(audio.samples.size());
    got = sf_readf_float(file, floats.data(), count);
    std::copy(floats.begin(), floats.end(), audio.samples.begin());
  } else if (audio.bitsPerSample != 0) {
    std::vector<int> wide(audio.samples.size());
    got = sf_readf_int(file, wide.data(), count);
    for (size_t i = 0; i < wide.size(); ++i) {
      audio.samples[i] = wide[i] >> Shift(audio.bitsPerSample);
    }
  }
  sf_close(file);
  if (got != count || audio.bitsPerSample == 0) {
    throw std::runtime_error("libsndfile cannot read the samples of " + path);
  }
  return audio;
}

Audio ReadHeaderWithSox(const std::string& path) {
  Audio audio;
  audio.sampleRate = static_cast<uint32_t>(std::stoul(SoxSays("-r", path)));
  audio.channels = std::stoi(SoxSays("-c", path));
  audio.bitsPerSample = std::stoi(SoxSays("-b", path));
  audio.frames = std::stoll(SoxSays("-s", path));
  const std::string encoding = SoxSays("-e", path);
  audio.kind = encoding == "Signed Integer PCM"   ? SampleKind::kInteger
               : encoding == "Floating Point PCM" ? SampleKind::kFloat
                                                  : SampleKind::kOther;
  return audio;
}

std::vector<double> ToneSamples(int64_t frames, int32_t channels, int32_t bitsPerSample,
                                int32_t seed, SampleKind kind) {
  const double level = kind == SampleKind::kFloat ? 1.5
                       : bitsPerSample == 16      ? 0.5 * 32767.0
                       : bitsPerSample == 24      ? 0.5 * 8388607.0
                                                  : 0.5 * 2147483647.0;
  const double cycle = 37.0 + 11.0 * seed;  // frames per period, different for each seed
  std::vector<double> samples(static_cast<size_t>(frames * channels));
  for (int64_t n = 0; n < frames; ++n) {
    for (int32_t c = 0; c < channels; ++c) {
      const double phase = 2.0 * std::numbers::pi * static_cast<double>(n) / cycle + c;
      const double value = level * std::sin(phase);
      samples[static_cast<size_t>(n * channels + c)] =
          kind == SampleKind::kFloat ? static_cast<float>(value) : std::lround(value);
    }
  }
  return samples;
}

std::vector<CuePoint> ReadCuePointsWithSndfile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    throw std::runtime_error("libsndfile cannot read " + path + ": " + sf_strerror(nullptr));
  }
  SF_CUES cues{};
  std::vector<CuePoint> points;
  if (sf_command(file, SFC_GET_CUE, &cues, sizeof cues) == SF_TRUE) {
    for (uint32_t k = 0; k < cues.cue_count && k < 100; ++k) {
      const SF_CUE_POINT& point = cues.cue_points[k];
      const char* chunk = reinterpret_cast<const char*>(&point.fcc_chunk);
      points.push_back({point.indx, point.position, point.sample_offset, std::string(chunk, 4)});
    }
  }
  sf_close(file);
  return points;
}

std::vector<CueText> ReadCueTextsFromBytes(const std::string& path) {
  const std::string bytes = ReadFile(path);
  const auto at = [&](size_t offset) {
    return Load32LE(reinterpret_cast<const uint8_t*>(bytes.data() + offset));
  };
  std::vector<CueText> texts;
  for (size_t chunk = 12; chunk + 8 <= bytes.size();
       chunk += 8 + at(chunk + 4) + at(chunk + 4) % 2) {
    if (bytes.compare(chunk, 4, "LIST") != 0 || bytes.compare(chunk + 8, 4, "adtl") != 0) {
      continue;
    }
    const size_t end = chunk + 8 + at(chunk + 4);
    for (size_t sub = chunk + 12; sub + 12 <= end; sub += 8 + at(sub + 4) + at(sub + 4) % 2) {
      const uint32_t id = at(sub + 8);
      auto text =
          std::find_if(texts.begin(), texts.end(), [&](const CueText& t) { return t.id == id; });
      if (text == texts.end()) {
        text = texts.insert(texts.end(), CueText{id});
      }
      if (bytes.compare(sub, 4, "labl") == 0) {
        text->label = std::string(bytes.c_str() + sub + 12);
      } else if (bytes.compare(sub, 4, "ltxt") == 0) {
        text->regionFrames = at(sub + 12);
        text->purpose = bytes.substr(sub + 16, 4);
      }
    }
  }
  return texts;
}

std::string DecodeWithFfmpeg(const std::string& path, const std::string& sampleFormat) {
  const std::string command =
      "ffmpeg -v error -i '" + path + "' -f " + sampleFormat + " - 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string bytes;
  char buffer[4096];
  for (size_t got; pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    bytes.append(buffer, got);
  }
  if (pipe == nullptr || ::pclose(pipe) != 0) {
    throw std::runtime_error("ffmpeg cannot read " + path);
  }
  return bytes;
}

}  // namespace wexmont::testing
