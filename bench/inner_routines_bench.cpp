// Timings of the routines a build spends its time in: the sample codec and
// the crossfade mix (per block), the crossfade renderer (per crossfade, files
// included), segment copy and silence (per segment), and starting and
// finishing an output (per track). Files live in a scratch folder under
// $TMPDIR (or /tmp) that is removed at exit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
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
#include "xfade/crossfade_mix.h"
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

// The gains of one frame, as a curve works them out once per track.
// Arguments: crossfade type.
void BM_GainsAt(benchmark::State& state) {
  const auto type = static_cast<int32_t>(state.range(0));
  const int64_t crossfadeFrames = kRate / 5;  // 200 ms
  int64_t frame = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(wexmont::GainsAt(type, frame, crossfadeFrames));
    frame = (frame + 1) % crossfadeFrames;
  }
  state.SetItemsProcessed(state.iterations());  // frames
}
BENCHMARK(BM_GainsAt)->DenseRange(wexmont::kEqualPowerCurve, wexmont::kSineCurve);

// Bytes of one block of stereo frames of a tone at half of full scale, as
// takes hold them (a mix of two never needs holding at the range).
std::vector<uint8_t> ToneBytes(wexmont::SampleCoding coding, double hz) {
  const auto width = static_cast<size_t>(coding.bytesPerSample);
  std::vector<uint8_t> bytes(static_cast<size_t>(kBlockFrames * kChannels) * width);
  const double fullScale = std::ldexp(1.0, 8 * coding.bytesPerSample - 1) - 1;
  for (size_t k = 0; k < bytes.size() / width; ++k) {
    const double value = 0.5 * std::sin(hz * static_cast<double>(k / kChannels) / kRate);
    if (coding.kind == wexmont::SampleKind::kFloat) {
      wexmont::StoreFloatLE(&bytes[k * width], static_cast<float>(value));
    } else {
      wexmont::StoreSampleLE(&bytes[k * width], static_cast<int32_t>(value * fullScale),
                             coding.bytesPerSample);
    }
  }
  return bytes;
}

// The mix of one block of stereo frames. Arguments: bytes per sample, and 1
// for float samples.
void BM_MixBlock(benchmark::State& state) {
  const wexmont::SampleCoding coding{
      static_cast<int32_t>(state.range(0)),
      state.range(1) ? wexmont::SampleKind::kFloat : wexmont::SampleKind::kInteger};
  const std::vector<uint8_t> outgoing = ToneBytes(coding, 1000);
  const std::vector<uint8_t> incoming = ToneBytes(coding, 1500);
  std::vector<uint8_t> mixed(outgoing.size());
  wexmont::CrossfadeCurve curve(wexmont::kEqualPowerCurve, kRate / 5);
  const auto gains = curve.Gains(kRate / 10, kBlockFrames);  // mid-crossfade
  for (auto _ : state) {
    wexmont::MixBlock(outgoing, incoming, gains, kChannels, coding, mixed);
    benchmark::DoNotOptimize(mixed.data());
  }
  state.SetItemsProcessed(state.iterations() * kBlockFrames);  // frames
}
BENCHMARK(BM_MixBlock)
    ->Args({wexmont::kBytes16, 0})
    ->Args({wexmont::kBytes24, 0})
    ->Args({wexmont::kBytes32, 0})
    ->Args({wexmont::kBytes32, 1});

// A take opened as the builder opens it, its sample area found by the probe.
wexmont::SampleSource OpenTake(const std::string& path) {
  const wexmont::FileHandle file = wexmont::FileHandle::OpenRegularForReading(path);
  return wexmont::SampleSource::Open(
      path, wexmont::FindSampleArea(file, wexmont::kProbeScanLast).value_or(wexmont::SampleArea{}));
}

// A copy or a run of silence as the builder writes them into an output.
void CopyFrames(const std::string& output, const std::string& take, int64_t frame, int64_t frames,
                int64_t takeFrame) {
  wexmont::FrameWriter writer(output, wexmont::kBytes24, kChannels, wexmont::kHeaderBytes);
  writer.Copy(OpenTake(take), frame, frames, takeFrame);
  writer.Close();
}

void WriteSilence(const std::string& output, int64_t frames) {
  wexmont::FrameWriter writer(output, wexmont::kBytes24, kChannels, wexmont::kHeaderBytes);
  writer.Silence(0, frames);
  writer.Close();
}

// One crossfade as the track builder makes it: placed in two open takes,
// rendered and written over the cut of an open output, with the gains and
// buffers of the track. Arguments: crossfade milliseconds.
void BM_Crossfade(benchmark::State& state) {
  const ScratchFiles& files = Files();
  const int64_t crossfadeFrames = state.range(0) * kRate / 1000;
  const int64_t centre = kTakeFrames / 2;
  wexmont::WriteWavHeader(files.Output(), kFormat, kTakeFrames);
  WriteSilence(files.Output(), kTakeFrames);
  wexmont::FrameWriter output(files.Output(), wexmont::kBytes24, kChannels, wexmont::kHeaderBytes);
  const auto takeA = OpenTake(files.TakeA());
  const auto takeB = OpenTake(files.TakeB());
  wexmont::CrossfadeRenderer renderer(wexmont::kEqualPowerCurve, crossfadeFrames, kChannels,
                                      k24Bit);
  const int64_t start = centre - crossfadeFrames / 2;
  for (auto _ : state) {
    const wexmont::CrossfadeSpan span{&takeA, &takeB, start, kTakeFrames, kTakeFrames};
    renderer.Render(span, crossfadeFrames, [&](int64_t first, std::span<const uint8_t> frames) {
      output.Put(start + first, frames);
    });
  }
  output.Close();
  state.SetItemsProcessed(state.iterations() * crossfadeFrames);  // frames
  std::remove(files.Output().c_str());
}
BENCHMARK(BM_Crossfade)->Arg(10)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

// A segment copied from a take into an output at the same frame position.
// Arguments: frames.
void BM_InsertSegment(benchmark::State& state) {
  const ScratchFiles& files = Files();
  const int64_t frames = state.range(0);
  wexmont::WriteWavHeader(files.Output(), kFormat, frames);
  for (auto _ : state) {
    CopyFrames(files.Output(), files.TakeA(), 1000, frames, 1000);
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
    CopyFrames(files.Output(), files.ForeignTake(), 1000, frames, 1000);
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
    CopyFrames(files.Output(), files.TakeA(), 0, frames, kTakeFrames - frames / 2);
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
    WriteSilence(files.Output(), frames);
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
  wexmont::WriteWavHeader(files.Output(), kFormat, 0);
  for (auto _ : state) {
    if (replaced) {
      wexmont::ReplacementFile output(files.Output());
      wexmont::WriteWavHeader(output.Path(), kFormat, 0);
      output.Commit();
    } else {
      wexmont::WriteWavHeader(files.Output(), kFormat, 0);
    }
  }
  std::remove(files.Output().c_str());
}
BENCHMARK(BM_StartAndFinishOutput)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
