// Timings of the routines a build spends its time in: the sample codec and
// the crossfade mix (per block), the crossfade renderer (per crossfade, files
// included), segment copy and silence (per segment), and starting and
// finishing an output (per track). Files live in a scratch folder under
// $TMPDIR (or /tmp) that is removed at exit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/byte_pack.h"
#include "foundation/file_handle.h"
#include "foundation/replacement_file.h"
#include "wav/segment_copy.h"
#include "wav/wav_header.h"
#include "xfade/crossfade.h"
#include "xfade/pcm_codec.h"

namespace {

using wexmont::kBlockFrames;

constexpr uint32_t kRate = 48000;
constexpr int32_t kChannels = 2;
constexpr int64_t kTakeFrames = 30 * kRate;  // 30 s takes: longer than any copy below
constexpr wexmont::SampleFormat kFormat{kRate, 24, kChannels};
constexpr wexmont::SampleCoding k24Bit{wexmont::kBytes24, wexmont::SampleKind::kInteger};

// Bytes of one block of noise-like samples (a cheap generator, every byte
// pattern of the width occurs).
std::vector<uint8_t> SampleBytes(int64_t frames, int32_t bytesPerSample, uint32_t seed) {
  std::vector<uint8_t> bytes(static_cast<size_t>(frames * kChannels * bytesPerSample));
  uint32_t state = seed;
  for (uint8_t& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

// Two 24-bit stereo takes and an output file in a scratch folder.
class ScratchFiles {
 public:
  ScratchFiles() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/wexmont_bench_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    folder_ = pattern;
    WriteTake(TakeA(), 1);
    WriteTake(TakeB(), 2);
    // A take on another kind of file system (tmpfs), as when a take is
    // linked from elsewhere.
    std::string shmPattern = "/dev/shm/wexmont_bench_XXXXXX";
    if (::mkdtemp(shmPattern.data()) != nullptr) {
      shmFolder_ = shmPattern;
      WriteTake(ForeignTake(), 3);
    }
  }
  ~ScratchFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    if (!shmFolder_.empty()) {
      std::filesystem::remove_all(shmFolder_, ignored);
    }
  }

  std::string TakeA() const { return folder_ + "/takeA.wav"; }
  std::string TakeB() const { return folder_ + "/takeB.wav"; }
  std::string Output() const { return folder_ + "/out.wav"; }
  std::string Temporary() const { return folder_ + "/xfade_temp.wav"; }
  // Empty when there is no /dev/shm.
  std::string ForeignTake() const { return shmFolder_.empty() ? "" : shmFolder_ + "/takeC.wav"; }

 private:
  void WriteTake(const std::string& path, uint32_t seed) {
    const std::vector<uint8_t> samples = SampleBytes(kTakeFrames, wexmont::kBytes24, seed);
    wexmont::FileHandle file = wexmont::FileHandle::CreateEmpty(path);
    const wexmont::WavHeader header = wexmont::BuildHeader(kFormat, kTakeFrames);
    if (!file.IsOpen() || !file.WriteAt(0, header) ||
        !file.WriteAt(wexmont::kHeaderBytes, samples) || !file.Close()) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
  }

  std::string folder_;
  std::string shmFolder_;
};

const ScratchFiles& Files() {
  static const ScratchFiles files;
  return files;
}

// Arguments: bytes per sample.
void BM_DecodeStereoBlock(benchmark::State& state) {
  const wexmont::SampleCoding coding{static_cast<int32_t>(state.range(0)),
                                     wexmont::SampleKind::kInteger};
  const std::vector<uint8_t> bytes = SampleBytes(kBlockFrames, coding.bytesPerSample, 7);
  std::vector<double> samples(kBlockFrames * kChannels);
  for (auto _ : state) {
    wexmont::DecodeSamples(bytes, samples, coding, kBlockFrames * kChannels);
    benchmark::DoNotOptimize(samples.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DecodeStereoBlock)->Arg(wexmont::kBytes16)->Arg(wexmont::kBytes24);

void BM_EncodeStereoBlock(benchmark::State& state) {
  const wexmont::SampleCoding coding{static_cast<int32_t>(state.range(0)),
                                     wexmont::SampleKind::kInteger};
  std::vector<uint8_t> bytes(static_cast<size_t>(kBlockFrames * kChannels * coding.bytesPerSample));
  std::vector<double> samples(kBlockFrames * kChannels);
  wexmont::DecodeSamples(SampleBytes(kBlockFrames, coding.bytesPerSample, 9), samples, coding,
                         kBlockFrames * kChannels);
  if (coding.bytesPerSample == wexmont::kBytes16) {
    for (double& sample : samples) {
      sample /= 256;  // the encoder takes the width's own scale
    }
  }
  for (auto _ : state) {
    wexmont::EncodeSamples(samples, bytes, coding, kBlockFrames * kChannels);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_EncodeStereoBlock)->Arg(wexmont::kBytes16)->Arg(wexmont::kBytes24);

// The per-frame work of a crossfade: both gains and the mix of two channels.
// Arguments: crossfade type.
void BM_GainsAndMixBlock(benchmark::State& state) {
  const auto type = static_cast<int32_t>(state.range(0));
  const int64_t crossfadeFrames = kRate / 5;  // 200 ms
  std::vector<double> outgoing(2 * kBlockFrames), incoming(2 * kBlockFrames),
      mixed(2 * kBlockFrames);
  wexmont::DecodeSamples(SampleBytes(kBlockFrames, wexmont::kBytes24, 3), outgoing, k24Bit,
                         2 * kBlockFrames);
  wexmont::DecodeSamples(SampleBytes(kBlockFrames, wexmont::kBytes24, 4), incoming, k24Bit,
                         2 * kBlockFrames);
  for (auto _ : state) {
    for (int64_t i = 0; i < kBlockFrames; ++i) {
      const wexmont::CrossfadeGains gains = wexmont::GainsAt(type, i, crossfadeFrames);
      for (int64_t at = 2 * i; at < 2 * i + 2; ++at) {
        mixed[at] = wexmont::MixSample(outgoing[at], incoming[at], gains, k24Bit);
      }
    }
    benchmark::DoNotOptimize(mixed.data());
  }
  state.SetItemsProcessed(state.iterations() * kBlockFrames);  // frames
}
BENCHMARK(BM_GainsAndMixBlock)->DenseRange(wexmont::kEqualPowerCurve, wexmont::kSineCurve);

// One crossfade as the track builder makes it: fresh temporary header,
// render, removal. Arguments: crossfade milliseconds.
void BM_Crossfade(benchmark::State& state) {
  const ScratchFiles& files = Files();
  const int64_t crossfadeFrames = state.range(0) * kRate / 1000;
  const int64_t centre = kTakeFrames / 2;
  for (auto _ : state) {
    wexmont::WriteWavHeader(files.Temporary(), kFormat, crossfadeFrames);
    const int32_t result = wexmont::RenderCrossfade(
        centre, centre, crossfadeFrames, wexmont::kEqualPowerCurve, files.TakeA(), files.TakeB(),
        files.Temporary(), kChannels, k24Bit);
    if (result != wexmont::kCrossfadeRendered) {
      state.SkipWithError("crossfade failed");
      break;
    }
    std::remove(files.Temporary().c_str());
  }
  state.SetItemsProcessed(state.iterations() * crossfadeFrames);  // frames
}
BENCHMARK(BM_Crossfade)->Arg(10)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

// A segment copied from a take into an output at the same frame position.
// Arguments: frames.
void BM_InsertSegment(benchmark::State& state) {
  const ScratchFiles& files = Files();
  const int64_t frames = state.range(0);
  wexmont::WriteWavHeader(files.Output(), kFormat, frames);
  for (auto _ : state) {
    wexmont::CopyFrames(files.Output(), files.TakeA(), 1000, wexmont::kBytes24, kChannels, frames,
                        1000);
  }
  state.SetBytesProcessed(state.iterations() * frames * kChannels * wexmont::kBytes24);
  std::remove(files.Output().c_str());
}
BENCHMARK(BM_InsertSegment)
    ->Arg(1)
    ->Arg(kBlockFrames)
    ->Arg(kRate)
    ->Arg(10 * kRate)
    ->Unit(benchmark::kMicrosecond);

// The same copy from a take on a file system of another kind.
void BM_InsertSegmentFromAnotherFileSystem(benchmark::State& state) {
  const ScratchFiles& files = Files();
  if (files.ForeignTake().empty()) {
    state.SkipWithError("no /dev/shm");
    return;
  }
  const int64_t frames = state.range(0);
  wexmont::WriteWavHeader(files.Output(), kFormat, frames);
  for (auto _ : state) {
    wexmont::CopyFrames(files.Output(), files.ForeignTake(), 1000, wexmont::kBytes24, kChannels,
                        frames, 1000);
  }
  state.SetBytesProcessed(state.iterations() * frames * kChannels * wexmont::kBytes24);
  std::remove(files.Output().c_str());
}
BENCHMARK(BM_InsertSegmentFromAnotherFileSystem)
    ->Arg(kBlockFrames)
    ->Arg(kRate)
    ->Arg(10 * kRate)
    ->Unit(benchmark::kMicrosecond);

// A copy whose source ends early: the frames past its end are silence.
void BM_InsertPastSourceEnd(benchmark::State& state) {
  const ScratchFiles& files = Files();
  const int64_t frames = state.range(0);
  wexmont::WriteWavHeader(files.Output(), kFormat, frames);
  for (auto _ : state) {
    wexmont::CopyFrames(files.Output(), files.TakeA(), 0, wexmont::kBytes24, kChannels, frames,
                        kTakeFrames - frames / 2);
  }
  state.SetBytesProcessed(state.iterations() * frames * kChannels * wexmont::kBytes24);
  std::remove(files.Output().c_str());
}
BENCHMARK(BM_InsertPastSourceEnd)->Arg(kRate)->Unit(benchmark::kMicrosecond);

// Silence (lead-in or tail pad). Arguments: frames.
void BM_PadSilence(benchmark::State& state) {
  const ScratchFiles& files = Files();
  const int64_t frames = state.range(0);
  wexmont::WriteWavHeader(files.Output(), kFormat, frames);
  for (auto _ : state) {
    wexmont::WriteSilence(files.Output(), 0, wexmont::kBytes24, kChannels, frames);
  }
  state.SetBytesProcessed(state.iterations() * frames * kChannels * wexmont::kBytes24);
  std::remove(files.Output().c_str());
}
BENCHMARK(BM_PadSilence)
    ->Arg(kBlockFrames)
    ->Arg(kRate)
    ->Arg(10 * kRate)
    ->Unit(benchmark::kMicrosecond);

// What a track's output costs beyond its frames: the header of a fresh file
// over the previous output. Arguments: 0 written in place (truncating the
// previous output), 1 built under its partial name and renamed over it.
void BM_StartAndFinishOutput(benchmark::State& state) {
  const ScratchFiles& files = Files();
  const bool replaced = state.range(0) == 1;
  wexmont::WriteWavHeader(files.Output(), kRate, 24, 0, kChannels);
  for (auto _ : state) {
    if (replaced) {
      wexmont::ReplacementFile output(files.Output());
      wexmont::WriteWavHeader(output.Path(), kRate, 24, 0, kChannels);
      output.Commit();
    } else {
      wexmont::WriteWavHeader(files.Output(), kRate, 24, 0, kChannels);
    }
  }
  std::remove(files.Output().c_str());
}
BENCHMARK(BM_StartAndFinishOutput)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
