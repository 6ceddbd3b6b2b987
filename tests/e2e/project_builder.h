// Builds a whole project in the current folder (takes written by libsndfile)
// and works out, independently of the product, what every output must hold:
// segments copied from the takes at the same frame positions, silence where
// no take supplies audio, and the crossfades recomputed from the takes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/byte_pack.h"
#include "tests/support/project_files.h"
#include "tests/support/sndfile_oracle.h"
#include "wav/wav_header.h"

namespace wexmont::testing {

struct Edit {
  std::string time;  // as written in the edit list
  std::string take;
};

struct TrackSetup {
  std::string base;
  uint32_t rate = 8000;
  int32_t bits = 16;
  int32_t channels = 2;
  float crossfadeMs = 0;
  int32_t crossfadeType = 0;
  int64_t takeFrames = 24000;                      // every take, unless listed below
  std::map<std::string, int64_t> shortTakes = {};  // take name -> frames
  TakeLayout layout = TakeLayout::kPlain;
  SampleKind kind = SampleKind::kInteger;

  SampleFormat Format() const { return {rate, bits, channels, kind}; }
};

struct Project {
  std::vector<Edit> edits;
  std::vector<TrackSetup> tracks;
  std::string rc = {};  // empty: one xf_tr line per track
};

// Takes of one track by take name.
using Takes = std::map<std::string, Audio>;

inline std::vector<Takes> WriteProject(const Project& project, std::vector<std::string>& inputs) {
  std::string base, points, rc = project.rc;
  for (const Edit& edit : project.edits) {
    points += edit.time + "\t" + edit.take + "\n";
  }
  std::vector<Takes> takes;
  for (size_t t = 0; t < project.tracks.size(); ++t) {
    const TrackSetup& track = project.tracks[t];
    base += track.base + "\n";
    if (project.rc.empty()) {
      rc += "xf_tr\t" + std::to_string(t + 1) + "\t" + std::to_string(track.crossfadeMs) + "\t" +
            std::to_string(track.crossfadeType) + "\n";
    }
    Takes& trackTakes = takes.emplace_back();
    for (const Edit& edit : project.edits) {
      if (trackTakes.contains(edit.take)) {
        continue;
      }
      const auto shortTake = track.shortTakes.find(edit.take);
      const int64_t frames =
          shortTake == track.shortTakes.end() ? track.takeFrames : shortTake->second;
      // A tone of its own per take and track, so every segment shows where it came from.
      const int32_t seed = static_cast<int32_t>(t * 7 + trackTakes.size() + 1);
      Audio audio{track.rate,
                  track.channels,
                  track.bits,
                  frames,
                  ToneSamples(frames, track.channels, track.bits, seed, track.kind),
                  track.kind};
      inputs.push_back(track.base + edit.take + ".wav");
      WriteWithSndfile(inputs.back(), audio, track.layout);
      trackTakes.emplace(edit.take, std::move(audio));
    }
  }
  for (const auto& [path, text] :
       {std::pair{"base.txt", base}, {"points.txt", points}, {"wexmontrc.txt", rc}}) {
    WriteFile(path, text);
    inputs.push_back(path);
  }
  return takes;
}

struct ExpectedTrack {
  std::vector<double> samples;
  std::vector<bool> blended;  // per frame: a crossfade, compared within one step
  bool crossfadeFailed = false;
};

// floor(|decimal| x rate x 10^shift) of a plain decimal number ("12.25",
// "20.000000"), worked out on its digits; a negative number gives 0.
inline int64_t ExactFrames(const std::string& text, uint32_t rate, int shift = 0) {
  if (text.starts_with("-")) {
    return 0;
  }
  std::string digits;
  int exponent = shift;
  bool point = false;
  for (const char c : text) {
    if (c == '.') {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits += c;
      exponent -= point ? 1 : 0;
    }
  }
  __int128 value = 0;
  for (const char c : digits) {
    value = value * 10 + (c - '0');
  }
  value *= rate;
  for (; exponent < 0; ++exponent) {
    value /= 10;
  }
  for (; exponent > 0; --exponent) {
    value *= 10;
  }
  return static_cast<int64_t>(value);
}

// Crossfade length of cut u after fitting: it keeps to the segments around
// it, sharing a segment with a neighbour's crossfade half and half.
inline int64_t FittedLength(const std::vector<int64_t>& position, const std::vector<bool>& made,
                            const std::vector<bool>& segment, size_t u, int64_t n) {
  int64_t fitted = n;
  for (size_t k = u; k-- > 0;) {
    if (segment[k]) {
      const int64_t room = position[u] - position[k];
      fitted = std::min(fitted, made[k] ? room : 2 * room + 1);
      break;
    }
  }
  for (size_t k = u + 1; k + 1 < position.size(); ++k) {
    if (segment[k]) {
      const int64_t room = position[k] - position[u];
      fitted = std::min(fitted, made[k] ? room : 2 * room);
      break;
    }
  }
  return fitted;
}

// The edit point heard just before edit point u: the last one with a segment.
inline size_t HeardBefore(const std::vector<bool>& segment, size_t u) {
  size_t k = u - 1;
  while (k > 0 && !segment[k]) {
    --k;
  }
  return k;
}

inline ExpectedTrack ExpectTrack(const Project& project, const TrackSetup& track,
                                 const Takes& takes) {
  std::vector<int64_t> position;
  int64_t longest = 0;
  for (const Edit& edit : project.edits) {
    position.push_back(ExactFrames(edit.time, track.rate));
    longest = std::max(longest, takes.at(edit.take).frames);
  }
  const int64_t length = position.size() < 2 ? 0 : std::min(longest, position.back());
  const int32_t ch = track.channels;
  ExpectedTrack expected{std::vector<double>(length * ch, 0), std::vector<bool>(length, false)};
  auto sample = [&](const Audio& take, int64_t frame, int32_t c) {
    return frame < take.frames ? take.samples[frame * ch + c] : 0;
  };
  // Integers are held at the width's range and truncated; floats are not held.
  const double limit = std::ldexp(1.0, track.bits - 1) - 1;
  auto store = [&](double mix) {
    return track.kind == SampleKind::kFloat ? static_cast<float>(mix)
                                            : std::clamp(std::trunc(mix), -limit - 1, limit);
  };
  const int64_t n = ExactFrames(std::to_string(track.crossfadeMs), track.rate, -3);
  std::vector<bool> segment(position.size(), false), made(position.size(), false);
  for (size_t u = 0; u + 1 < position.size(); ++u) {
    const int64_t from = position[u], to = std::min(position[u + 1], length);
    segment[u] = to - from >= 1;
    const Audio& incoming = takes.at(project.edits[u].take);
    for (int64_t f = from; f < to; ++f) {
      for (int32_t c = 0; c < ch; ++c) {
        expected.samples[f * ch + c] = sample(incoming, f, c);
      }
    }
    if (!segment[u] || u == 0 || track.crossfadeType == 0 || from <= n * 0.5) {
      continue;
    }
    if (from - n / 2 > takes.at(project.edits[HeardBefore(segment, u)].take).frames) {
      expected.crossfadeFailed = true;  // the cut stays hard
      continue;
    }
    made[u] = true;
  }
  for (size_t u = 0; u + 1 < position.size(); ++u) {
    if (!made[u]) {
      continue;
    }
    const Audio& outgoing = takes.at(project.edits[HeardBefore(segment, u)].take);
    const Audio& incoming = takes.at(project.edits[u].take);
    const int64_t fitted = FittedLength(position, made, segment, u, n);
    const int64_t start = position[u] - fitted / 2;
    for (int64_t f = 0; f < fitted && start + f < length; ++f) {
      const double p = static_cast<double>(f) / static_cast<double>(fitted);
      const double s = std::sin(p * 1.570796327), co = std::cos(p * 1.570796327);
      const double gains[5][2] = {{}, {co, s}, {1 - p, p}, {co, 1 - co}, {1 - s, s}};
      const double* g = gains[track.crossfadeType];
      for (int32_t c = 0; c < ch; ++c) {
        const double mix =
            sample(outgoing, start + f, c) * g[0] + sample(incoming, start + f, c) * g[1];
        expected.samples[(start + f) * ch + c] = store(mix);
      }
      expected.blended[start + f] = true;
    }
  }
  return expected;
}

// The channel mask of a take's format chunk, found by walking its chunks: 0
// unless the chunk is extensible. Reserved speaker bits are no mask.
inline uint32_t TakeChannelMask(const std::string& path) {
  const std::string take = ReadFile(path);
  const auto* bytes = reinterpret_cast<const uint8_t*>(take.data());
  for (size_t at = 12; at + 8 <= take.size();) {
    const uint32_t size = Load32LE(bytes + at + 4);
    if (take.compare(at, 4, "fmt ") == 0) {
      const bool extensible = size >= 40 && take.compare(at + 8, 2, "\xFE\xFF") == 0;
      return extensible ? Load32LE(bytes + at + 28) & 0x8003FFFF : 0;
    }
    at += 8 + size + size % 2;
  }
  return 0;
}

// The format of a track's output: that of its takes, with the channel mask of
// the take of edit point 1.
inline SampleFormat OutputFormat(const Project& project, const TrackSetup& track) {
  SampleFormat format = track.Format();
  format.channelMask = TakeChannelMask(track.base + project.edits.front().take + ".wav");
  return format;
}

// The bytes of the chunks an output carries between its format chunk and its
// data chunk: only takes with a bext or iXML chunk give it any, besides a
// JUNK chunk right before the data chunk that lines the samples up with the
// takes' within a 4096-byte block (takes written by libsndfile have more
// chunks than the plain header).
inline int64_t CarriedChunkBytes(const std::string& path, const TrackSetup& track,
                                 const SampleFormat& format) {
  const std::string output = ReadFile(path);
  const auto* bytes = reinterpret_cast<const uint8_t*>(output.data());
  const size_t ownHeader = static_cast<size_t>(HeaderBytes(format)) - 8;
  size_t at = ownHeader;
  size_t junk = 0;
  for (; at + 8 <= output.size() && output.compare(at, 4, "data") != 0;) {
    junk = output.compare(at, 4, "JUNK") == 0 ? at : 0;
    at += 8 + Load32LE(bytes + at + 4) + Load32LE(bytes + at + 4) % 2;
  }
  const bool carries = track.layout == TakeLayout::kBroadcast ||
                       track.layout == TakeLayout::kLateSamples ||
                       track.layout == TakeLayout::kChunkBeforeFormat;
  EXPECT_TRUE(carries || junk == ownHeader || at == ownHeader) << path;
  return static_cast<int64_t>(at - ownHeader);
}

// Reads the output of `track` back with libsndfile and compares it frame by
// frame; sox must read its header the same way.
inline void ExpectOutput(const ExpectedTrack& expected, const TrackSetup& track,
                         const SampleFormat& outputFormat) {
  SCOPED_TRACE(track.base);
  const std::string path = track.base + "_bld.wav";
  const Audio got = ReadWithSndfile(path);
  const int64_t frames = static_cast<int64_t>(expected.blended.size());
  const auto format = std::tuple(track.rate, track.bits, track.channels, track.kind, frames);
  EXPECT_EQ(std::tuple(got.sampleRate, got.bitsPerSample, got.channels, got.kind, got.frames),
            format);
  const Audio sox = ReadHeaderWithSox(path);
  EXPECT_EQ(std::tuple(sox.sampleRate, sox.bitsPerSample, sox.channels, sox.kind, sox.frames),
            format);
  EXPECT_EQ(ReadFile(path).size(), HeaderBytes(outputFormat) +
                                       CarriedChunkBytes(path, track, outputFormat) +
                                       frames * track.channels * track.bits / 8);
  ASSERT_EQ(got.frames, frames);
  // A crossfaded frame may be one step off, or a float a millionth.
  const double step = track.kind == SampleKind::kFloat ? 1e-6 : 1;
  int64_t wrong = 0, first = 0;
  for (int64_t i = 0; i < frames * track.channels; ++i) {
    const double allowed = expected.blended[i / track.channels] ? step : 0;
    if (!(std::abs(got.samples[i] - expected.samples[i]) <= allowed) && wrong++ == 0) {
      first = i;
    }
  }
  EXPECT_EQ(wrong, 0) << "first at frame " << first / track.channels << ": got "
                      << got.samples[first] << ", expected " << expected.samples[first];
}

// An extensible output carries the channel mask of the track's first take;
// a take with a mask never gives a plain output.
inline void ExpectChannelMask(const Project& project, const TrackSetup& track) {
  const std::string output = ReadFile(track.base + "_bld.wav");
  const uint32_t mask = TakeChannelMask(track.base + project.edits.front().take + ".wav");
  if (output.size() < kExtensibleHeaderBytes || output.substr(20, 2) != "\xFE\xFF") {
    EXPECT_EQ(mask, 0u) << track.base;
    return;
  }
  EXPECT_EQ(Load32LE(reinterpret_cast<const uint8_t*>(&output[40])), mask) << track.base;
}

// Writes the project, runs the real binary on it and checks every output,
// the inputs and the temporary crossfade file. Returns the console output.
inline std::string BuildAndCheck(const Project& project, bool temporaryRemains) {
  std::vector<std::string> inputs;
  const std::vector<Takes> takes = WriteProject(project, inputs);
  const InputSnapshot snapshot(inputs);
  const BinaryRun run = RunBinary(".");
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  const std::vector<std::string> changed = snapshot.Changed();
  EXPECT_TRUE(changed.empty()) << changed.front() << " changed";
  bool failed = false;
  for (size_t t = 0; t < project.tracks.size(); ++t) {
    const ExpectedTrack expected = ExpectTrack(project, project.tracks[t], takes[t]);
    failed = failed || expected.crossfadeFailed;
    ExpectOutput(expected, project.tracks[t], OutputFormat(project, project.tracks[t]));
    ExpectChannelMask(project, project.tracks[t]);
  }
  EXPECT_EQ(failed, run.output.find("so the cut stays hard") != std::string::npos) << run.output;
  EXPECT_EQ(Exists("xfade_temp.wav"), temporaryRemains);
  if (temporaryRemains) {  // the last track's header, announcing one crossfade, no frames
    const TrackSetup& last = project.tracks.back();
    const std::string header = ReadFile("xfade_temp.wav");
    const int64_t frames = ExactFrames(std::to_string(last.crossfadeMs), last.rate, -3);
    EXPECT_EQ(header.size(), HeaderBytes(OutputFormat(project, last)));
    EXPECT_EQ(
        header.size() < 4 ? ~0u : Load32LE(reinterpret_cast<const uint8_t*>(&header.back() - 3)),
        frames * last.channels * last.bits / 8);
  }
  return run.output;
}

}  // namespace wexmont::testing
