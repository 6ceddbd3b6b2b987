#include "wav/segment_copy.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <numeric>
#include <string>

#include "foundation/console.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "wav/data_chunk.h"
#include "wav/wav_header.h"

namespace wexmont {
namespace {

using testing::ReadFile;
using testing::WriteFile;

constexpr size_t kFrameBytes = 4;  // 16-bit stereo
constexpr int64_t kTakeFrames = 3000;

// One copy or run of silence into the output at `path`, whose samples start
// right after its 44-byte header, as a track's build writes them.
void CopyFrames(const std::string& path, const std::string& takePath, int64_t frame,
                int32_t bytesPerSample, int32_t channels, int64_t count, int64_t takeFrame) {
  FrameWriter output(path, bytesPerSample, channels, kHeaderBytes);
  const FileHandle take = FileHandle::OpenRegularForReading(takePath);
  const SampleSource source =
      SampleSource::Open(takePath, FindSampleArea(take, kProbeScanLast).value_or(SampleArea{}));
  output.Copy(source, frame, count, takeFrame);
  output.Close();
}

void WriteSilence(const std::string& path, int64_t frame, int32_t bytesPerSample, int32_t channels,
                  int64_t count) {
  FrameWriter output(path, bytesPerSample, channels, kHeaderBytes);
  output.Silence(frame, count);
  output.Close();
}

// A take of distinct frames, followed by a chunk that must never pass for samples.
void WriteTake() {
  std::vector<double> samples(kTakeFrames * 2);
  std::iota(samples.begin(), samples.end(), -32768);
  testing::WriteCanonicalTake("take.wav", 44100, 16, 2, samples);
  WriteFile("take.wav", ReadFile("take.wav") + "LIST" + std::string(60, 'z'));
}

// An output announcing 5000 frames of which the first 1500 are written.
std::string WriteOutput(const std::string& path) {
  WriteWavHeader(path, {44100, 16, 2}, 5000);
  WriteFile(path, ReadFile(path) + std::string(1500 * kFrameBytes, 'U'));
  return ReadFile(path);
}

// `before` with `frames` laid over it at `frame`; a gap up to it reads as zeros.
std::string Overlaid(std::string before, int64_t frame, const std::string& frames) {
  const size_t at = kHeaderBytes + frame * kFrameBytes;
  if (!frames.empty()) {
    before.resize(std::max(before.size(), at + frames.size()), '\0');
    before.replace(at, frames.size(), frames);
  }
  return before;
}

TEST(SegmentCopy, WritesExactlyTheFramesAskedFor) {
  struct Case {
    int64_t count, destinationFrame, sourceFrame;
  };
  const Case cases[] = {{1024, 0, 0},      {1025, 3, 100},  {2048, 2000, 7},  {0, 4000, 0},
                        {100, 1450, 2950}, {1, 1499, 2999}, {70000, 10, 2000}};
  testing::ScratchDir dir;
  WriteTake();
  const std::string take = ReadFile("take.wav");
  for (const Case& c : cases) {
    std::string copied(c.count * kFrameBytes, '\0');  // frames the take lacks are silence
    const int64_t held = std::clamp<int64_t>(kTakeFrames - c.sourceFrame, 0, c.count);
    copied.replace(0, held * kFrameBytes, take, kHeaderBytes + c.sourceFrame * kFrameBytes,
                   held * kFrameBytes);
    const std::string before = WriteOutput("copy.wav");
    CopyFrames("copy.wav", "take.wav", c.destinationFrame, 2, 2, c.count, c.sourceFrame);
    EXPECT_EQ(ReadFile("copy.wav"), Overlaid(before, c.destinationFrame, copied)) << c.count;
    WriteOutput("pad.wav");
    WriteSilence("pad.wav", c.destinationFrame, 2, 2, c.count);
    EXPECT_EQ(ReadFile("pad.wav"),
              Overlaid(before, c.destinationFrame, std::string(c.count * kFrameBytes, '\0')))
        << c.count;
  }
}

// A long run from a take beside the output (the kernel copies it, or on XFS
// and btrfs clones its whole blocks) and from a take on another file system
// (tmpfs: read and written through the process, a move at a time).
TEST(SegmentCopy, LongRunsCopyFromThisOrAnotherFileSystem) {
  testing::ScratchDir dir;
  constexpr int64_t kLongTakeFrames = 100000;  // several moves of 128 KiB
  std::vector<double> samples(kLongTakeFrames * 2);
  for (size_t k = 0; k < samples.size(); ++k) {
    samples[k] = static_cast<double>(static_cast<int16_t>(k * 7919));
  }
  const std::string elsewhere = "/dev/shm/wexmont_segment_copy_" + std::to_string(::getpid());
  for (const std::string& path : {std::string("long.wav"), elsewhere + ".wav"}) {
    testing::WriteCanonicalTake(path, 44100, 16, 2, samples);
    const std::string take = ReadFile(path);
    WriteWavHeader("out.wav", {44100, 16, 2}, kLongTakeFrames);
    CopyFrames("out.wav", path, 5, 2, 2, kLongTakeFrames - 10, 3);
    const std::string output = ReadFile("out.wav");
    EXPECT_EQ(output.size(), kHeaderBytes + (kLongTakeFrames - 5) * kFrameBytes) << path;
    EXPECT_TRUE(output.substr(kHeaderBytes + 5 * kFrameBytes) ==
                take.substr(kHeaderBytes + 3 * kFrameBytes, (kLongTakeFrames - 10) * kFrameBytes))
        << path;
    std::remove(path.c_str());
  }
}

TEST(SegmentCopy, NothingLandsBeforeTheSampleAreaOrInAMissingFile) {
  testing::ScratchDir dir;
  WriteTake();
  const std::string before = WriteOutput("out.wav");
  EXPECT_THROW(CopyFrames("out.wav", "take.wav", -1, 2, 2, 10, 0), RunStop);
  EXPECT_THROW(WriteSilence("out.wav", -1, 2, 2, 10), RunStop);
  EXPECT_EQ(ReadFile("out.wav"), before);
  EXPECT_THROW(CopyFrames("gone.wav", "take.wav", 0, 2, 2, 10, 0), RunStop);
  EXPECT_THROW(WriteSilence("gone.wav", 0, 2, 2, 10), RunStop);
}

TEST(SegmentCopy, AFailedWriteEndsTheRun) {
  testing::ScratchDir dir;
  WriteTake();
  ASSERT_EQ(::symlink("/dev/full", "full.wav"), 0);
  EXPECT_THROW(CopyFrames("full.wav", "take.wav", 0, 2, 2, 10, 0), RunStop);
  EXPECT_THROW(WriteSilence("full.wav", 0, 2, 2, 10), RunStop);
  // A file size limit fails the writes of a file on disk too.
  WriteOutput("out.wav");
  rlimit limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit saved = limit;
  limit.rlim_cur = 8000;
  std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  EXPECT_THROW(CopyFrames("out.wav", "take.wav", 1500, 2, 2, 1024, 0), RunStop);
  EXPECT_THROW(WriteSilence("out.wav", 1500, 2, 2, 1024), RunStop);
  ::setrlimit(RLIMIT_FSIZE, &saved);
}

}  // namespace
}  // namespace wexmont
