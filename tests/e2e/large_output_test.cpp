// Outputs past 4 GiB, built by the binary from sparse takes: a header, then a
// hole, with tones only where the test reads (around the last cut and at the
// end). The build keeps the holes, so the test needs little disk or time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/byte_pack.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::Audio;
using testing::ReadFramesWithSndfile;

std::string Le(uint64_t value, size_t bytes) {
  std::string text;
  for (size_t i = 0; i < bytes; ++i) {
    text += static_cast<char>((value >> (8 * i)) & 0xFF);
  }
  return text;
}

enum class Container { kUnclosedRiff, kRf64, kBw64 };

struct Shape {
  uint32_t rate;
  int32_t bits;
  int32_t channels;
  SampleKind kind;
  uint32_t mask = 0;  // written as an extensible format chunk when set

  int64_t FrameBytes() const { return int64_t{channels} * bits / 8; }
};

// A format chunk as recorders write it: plain PCM or float, or extensible
// with a channel mask.
std::string FormatChunk(const Shape& shape) {
  const uint16_t code = shape.kind == SampleKind::kFloat ? 3 : 1;
  std::string body = Le(shape.mask != 0 ? 0xFFFE : code, 2) + Le(shape.channels, 2) +
                     Le(shape.rate, 4) + Le(shape.rate * shape.FrameBytes(), 4) +
                     Le(shape.FrameBytes(), 2) + Le(shape.bits, 2);
  if (shape.mask != 0) {
    body += Le(22, 2) + Le(shape.bits, 2) + Le(shape.mask, 4) + Le(code, 2) +
            std::string("\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14);
  }
  return "fmt " + Le(body.size(), 4) + body;
}

// The tone a take holds at a region, with the region's own seed.
struct Region {
  int64_t first;
  int64_t frames;
  int32_t seed;
};

std::vector<double> ToneOf(const Shape& shape, const Region& region) {
  return testing::ToneSamples(region.frames, shape.channels, shape.bits, region.seed, shape.kind);
}

// A tone at each of `regions`; the rest of the samples is a hole. An unclosed RIFF take has its
// sizes at 0xFFFFFFFF, so its samples run to the end of the file; RF64 and BW64 takes are sized by
// their ds64 chunk and end with a comment chunk after the samples, which is not audio.
void WriteSparseTake(const std::string& path, const Shape& shape, Container container,
                     int64_t frames, const std::vector<Region>& regions) {
  const int64_t dataBytes = frames * shape.FrameBytes();
  const std::string trailing =
      container == Container::kUnclosedRiff
          ? std::string()
          : "LIST" + Le(24, 4) + "INFOICMT" + Le(12, 4) + std::string(12, '\x7F');
  std::string header;
  if (container == Container::kUnclosedRiff) {
    header = "RIFF" + Le(0xFFFFFFFF, 4) + "WAVE" + FormatChunk(shape);
  } else {
    const std::string rest = FormatChunk(shape) + "data";
    const int64_t riffSize = 4 + 36 + static_cast<int64_t>(rest.size()) + 4 + dataBytes +
                             static_cast<int64_t>(trailing.size());
    header = std::string(container == Container::kRf64 ? "RF64" : "BW64") + Le(0xFFFFFFFF, 4) +
             "WAVE" + "ds64" + Le(28, 4) + Le(riffSize, 8) + Le(dataBytes, 8) + Le(frames, 8) +
             Le(0, 4) + FormatChunk(shape);
  }
  header += "data" + Le(0xFFFFFFFF, 4);
  testing::WriteFile(path, header);
  const int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  const off_t dataOffset = static_cast<off_t>(header.size());
  ASSERT_EQ(::ftruncate(fd, dataOffset + dataBytes), 0);
  ASSERT_EQ(::pwrite(fd, trailing.data(), trailing.size(), dataOffset + dataBytes),
            static_cast<ssize_t>(trailing.size()));
  const int32_t width = shape.bits / 8;
  for (const Region& region : regions) {
    const std::vector<double> tone = ToneOf(shape, region);
    std::string bytes(tone.size() * static_cast<size_t>(width), '\0');
    for (size_t i = 0; i < tone.size(); ++i) {
      auto* at = reinterpret_cast<uint8_t*>(&bytes[i * static_cast<size_t>(width)]);
      if (shape.kind == SampleKind::kFloat) {
        StoreFloatLE(at, static_cast<float>(tone[i]));
      } else {
        StoreSampleLE(at, static_cast<int32_t>(tone[i]), width);
      }
    }
    ASSERT_EQ(
        ::pwrite(fd, bytes.data(), bytes.size(), dataOffset + region.first * shape.FrameBytes()),
        static_cast<ssize_t>(bytes.size()));
  }
  ::close(fd);
}

// The 64-bit sizes of an RF64 output's ds64 chunk, which must be its first.
struct Ds64 {
  uint64_t riffSize = 0, dataBytes = 0, frames = 0;
};

Ds64 ReadDs64(const std::string& path) {
  std::array<uint8_t, 48> head{};
  const int fd = ::open(path.c_str(), O_RDONLY);
  EXPECT_EQ(::pread(fd, head.data(), head.size(), 0), 48);
  ::close(fd);
  EXPECT_EQ(std::string(head.begin(), head.begin() + 4), "RF64");
  EXPECT_EQ(std::string(head.begin() + 12, head.begin() + 16), "ds64");
  return {Load64LE(&head[20]), Load64LE(&head[28]), Load64LE(&head[36])};
}

// The sample offsets of the cue points in the chunks after an RF64 output's
// samples, from the bytes: the data chunk is found in the header, its size
// taken from the ds64 chunk (libsndfile reads no cue chunk of an RF64 file).
std::vector<uint32_t> ReadCueOffsetsAfterSamples(const std::string& path, uint64_t dataBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  std::string head(4096, '\0');
  EXPECT_GT(::pread(fd, head.data(), head.size(), 0), 0);
  const size_t data = head.find("data");
  EXPECT_NE(data, std::string::npos);
  const off_t after = static_cast<off_t>(data + 8 + dataBytes + dataBytes % 2);
  std::string tail(1 << 16, '\0');
  tail.resize(
      static_cast<size_t>(std::max<ssize_t>(::pread(fd, tail.data(), tail.size(), after), 0)));
  ::close(fd);
  const auto at = [&](size_t offset) {
    return Load32LE(reinterpret_cast<const uint8_t*>(tail.data() + offset));
  };
  std::vector<uint32_t> offsets;
  for (size_t chunk = 0; chunk + 8 <= tail.size(); chunk += 8 + at(chunk + 4) + at(chunk + 4) % 2) {
    if (tail.compare(chunk, 4, "cue ") == 0) {
      for (uint32_t k = 0; k < at(chunk + 8) && chunk + 12 + 24 * (k + 1) <= tail.size(); ++k) {
        offsets.push_back(at(chunk + 12 + 24 * k + 20));
      }
    }
  }
  return offsets;
}

// What ffmpeg makes of `seconds` seconds of an output from `start` on, as
// samples on the output's own scale.
std::vector<double> ReadWithFfmpeg(const std::string& path, const Shape& shape, int64_t start,
                                   int64_t seconds) {
  const bool isFloat = shape.kind == SampleKind::kFloat;
  const std::string command = "ffmpeg -v error -ss " + std::to_string(start) + " -i '" + path +
                              "' -t " + std::to_string(seconds) + " -f " +
                              (isFloat ? "f32le" : "s32le") + " -";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::vector<double> samples;
  std::array<uint8_t, 4> sample{};
  while (pipe != nullptr && std::fread(sample.data(), 1, 4, pipe) == 4) {
    samples.push_back(isFloat ? LoadFloatLE(sample.data())
                              : static_cast<int32_t>(Load32LE(sample.data())) >> (32 - shape.bits));
  }
  EXPECT_TRUE(pipe != nullptr && ::pclose(pipe) == 0) << command;
  return samples;
}

std::string ProgramSays(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string text;
  std::array<char, 256> buffer{};
  while (pipe != nullptr && std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
    text += buffer.data();
  }
  if (pipe != nullptr) {
    ::pclose(pipe);
  }
  return text;
}

std::string FfprobeSays(const std::string& path, const std::string& entries) {
  return ProgramSays("ffprobe -v error -show_entries stream=" + entries + " -of default=nw=1 '" +
                     path + "'");
}

struct LargeCase {
  const char* name;
  Shape shape;
  Container container;
  int64_t cutSecond;     // the last edit point with a segment, in the last minute
  int64_t endSecond;     // the output's end, and the takes'
  bool markers = false;  // cut markers after the samples, counted by the ds64 chunk
};

// Output frames [cut - 1 s, cut + 1 s) and the last second, read by libsndfile
// and ffmpeg, against the tones the takes hold there: take A before the linear
// crossfade, take B after it, and between the two inside it.
TEST(LargeOutputs, PastFourGibibytesAreRf64AndEveryReaderReadsThemToTheirLastFrame) {
  const Shape floats{48000, 32, 16, SampleKind::kFloat};
  const Shape stereo24{48000, 24, 2, SampleKind::kInteger};
  const LargeCase cases[] = {
      {"16-channel float from unclosed RIFF takes", floats, Container::kUnclosedRiff, 1380, 1400},
      {"16-channel float from RF64 takes", floats, Container::kRf64, 1380, 1400},
      {"stereo 24-bit from unclosed RIFF takes", stereo24, Container::kUnclosedRiff, 14880, 14915},
      {"stereo 24-bit from BW64 takes, with cut markers", stereo24, Container::kBw64, 14880, 14915,
       true},
  };
  for (const LargeCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScratchDir dir;
    const Shape& shape = c.shape;
    const int64_t rate = shape.rate, frames = c.endSecond * rate, cut = c.cutSecond * rate;
    const int64_t window = 2 * rate;
    const std::vector<Region> regionsA = {{cut - rate, window, 1}, {frames - rate, rate, 2}};
    const std::vector<Region> regionsB = {{cut - rate, window, 3}, {frames - rate, rate, 4}};
    WriteSparseTake("tA.wav", shape, c.container, frames, regionsA);
    WriteSparseTake("tB.wav", shape, c.container, frames, regionsB);
    testing::WriteFile("base.txt", "t\n");
    testing::WriteFile("points.txt", "0\tA\n" + std::to_string(c.cutSecond) + "\tB\n" +
                                         std::to_string(c.endSecond) + "\tA\n");
    testing::WriteFile("wexmontrc.txt",
                       c.markers ? "xf_all\t200\t2\nmarkers\t1\n" : "xf_all\t200\t2\n");
    const testing::BinaryRun check = testing::RunBinary(".", {"--check"});
    EXPECT_NE(check.output.find("Written as RF64: "), std::string::npos) << check.output;
    const testing::BinaryRun run = testing::RunBinary(".");
    ASSERT_EQ(run.exitStatus, 0) << run.output;

    // The file is as long as its ds64 chunk says, and keeps the takes' holes.
    const std::string out = "t_bld.wav";
    struct stat info {};
    ASSERT_EQ(::stat(out.c_str(), &info), 0);
    const Ds64 ds64 = ReadDs64(out);
    EXPECT_EQ(ds64.riffSize + 8, static_cast<uint64_t>(info.st_size));
    EXPECT_EQ(ds64.dataBytes, static_cast<uint64_t>(frames * shape.FrameBytes()));
    EXPECT_GT(ds64.dataBytes, 0xFFFFFFFFu);
    EXPECT_EQ(ds64.frames, static_cast<uint64_t>(frames));
    EXPECT_LT(info.st_blocks * 512, 64 << 20);
    if (c.markers) {
      const std::vector<uint32_t> cues = ReadCueOffsetsAfterSamples(out, ds64.dataBytes);
      EXPECT_NE(std::find(cues.begin(), cues.end(), cut), cues.end()) << cues.size();
    }

    const int64_t halfFade = rate / 10;
    const Audio got = ReadFramesWithSndfile(out, cut - rate, window);
    const std::vector<double> a = ToneOf(shape, regionsA[0]), b = ToneOf(shape, regionsB[0]);
    EXPECT_EQ(std::tuple(got.sampleRate, got.channels, got.bitsPerSample, got.kind, got.frames),
              std::tuple(shape.rate, shape.channels, shape.bits, shape.kind, frames));
    ASSERT_EQ(got.samples.size(), a.size());
    const double step = shape.kind == SampleKind::kFloat ? 1e-6 : 1;
    int64_t wrong = 0;
    for (size_t i = 0; i < got.samples.size(); ++i) {
      const int64_t frame = static_cast<int64_t>(i) / shape.channels - rate;  // from the cut
      const double low = std::min(a[i], b[i]) - step, high = std::max(a[i], b[i]) + step;
      wrong += frame < -halfFade   ? got.samples[i] != a[i]
               : frame >= halfFade ? got.samples[i] != b[i]
                                   : !(got.samples[i] >= low && got.samples[i] <= high);
    }
    EXPECT_EQ(wrong, 0);
    const Audio last = ReadFramesWithSndfile(out, frames - rate, rate);
    EXPECT_EQ(last.samples, ToneOf(shape, regionsB[1]));
    EXPECT_NE(last.samples.back(), 0);

    // ffmpeg reads the same header and the same frames.
    EXPECT_EQ(FfprobeSays(out, "channels,sample_rate,duration_ts"),
              "sample_rate=" + std::to_string(rate) +
                  "\nchannels=" + std::to_string(shape.channels) +
                  "\nduration_ts=" + std::to_string(frames) + "\n");
    EXPECT_EQ(ReadWithFfmpeg(out, shape, c.cutSecond - 1, 2), got.samples);
    EXPECT_EQ(ReadWithFfmpeg(out, shape, c.endSecond - 1, 1), last.samples);
  }
}

// A mono take marked back centre gives an extensible output with that mask,
// which ffmpeg reads as the channel's position; a float output has a fact
// chunk, so sndfile-info has nothing to note about it.
TEST(LargeOutputs, TheChannelMaskReadsBackAndFloatOutputsHaveAFactChunk) {
  testing::ScratchDir dir;
  const Shape backCentre{48000, 16, 1, SampleKind::kInteger, 0x100};
  const Shape floats{48000, 32, 2, SampleKind::kFloat};
  for (const char* take : {"mA.wav", "mB.wav"}) {
    WriteSparseTake(take, backCentre, Container::kRf64, 48000, {{0, 48000, 1}});
  }
  for (const char* take : {"fA.wav", "fB.wav"}) {
    WriteSparseTake(take, floats, Container::kUnclosedRiff, 48000, {{0, 48000, 2}});
  }
  testing::WriteFile("base.txt", "m\nf\n");
  testing::WriteFile("points.txt", "0\tA\n0.5\tB\n1\tA\n");
  testing::WriteFile("wexmontrc.txt", "xf_all\t10\t1\n");
  ASSERT_EQ(testing::RunBinary(".").exitStatus, 0);
  const std::string mono = testing::ReadFile("m_bld.wav");
  EXPECT_EQ(mono.substr(20, 2), "\xFE\xFF");
  EXPECT_EQ(Load32LE(reinterpret_cast<const uint8_t*>(&mono[40])), 0x100u);
  EXPECT_EQ(FfprobeSays("m_bld.wav", "channel_layout"), "channel_layout=1 channels (BC)\n");
  const std::string info = ProgramSays("sndfile-info f_bld.wav");
  EXPECT_NE(info.find("fact : 4"), std::string::npos) << info;
  EXPECT_EQ(info.find("fact' chunk"), std::string::npos) << info;
}

}  // namespace
}  // namespace wexmont
