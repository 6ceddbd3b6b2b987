// The take probe, and the header of an output that carries the take's
// metadata. The whole input is one take file.
#include <cstdlib>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "fuzz/fuzz_support.h"
#include "wav/data_chunk.h"
#include "wav/take_probe.h"
#include "wav/wav_header.h"

using namespace wexmont;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterWorkFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteBytes("take.wav", std::string_view(reinterpret_cast<const char*>(data), size));
  TakeAttributes take;
  try {
    take = ProbeTake("take.wav");
  } catch (const RunStop&) {
    return 0;
  }
  const int64_t frameBytes = int64_t{take.channels} * take.bytesPerSample;
  // The samples it announces lie inside the file, behind the data tag (a file
  // that ends inside its data chunk header has no frames).
  const int64_t fileBytes = static_cast<int64_t>(size);
  const bool inside =
      take.dataOffset >= 10 && take.dataOffset <= fileBytes + 8 &&
      (take.frameCount <= 0 || take.frameCount * frameBytes <= fileBytes - take.dataOffset);
  // The sample kind is the one its format code (or sub-format) names.
  const bool kindOfCode = (take.sampleKind == SampleKind::kInteger) == (take.formatCode == 1) &&
                          (take.sampleKind == SampleKind::kFloat) == (take.formatCode == 3);
  if (!inside || !kindOfCode || frameBytes == 0 || take.bytesPerSample != take.bitsPerSample >> 3) {
    std::abort();
  }
  // Every later read uses the sample area the probe found.
  const FileHandle file = FileHandle::OpenRegularForReading("take.wav");
  if (take.area.DataOffset() != take.dataOffset ||
      AudioFrames(file, take.area, frameBytes) != take.frameCount) {
    std::abort();
  }
  // Metadata is noted only whole and inside the file. Carried into a header,
  // it leaves the data chunk last, where every writer of frames finds it.
  const TakeMetadata& metadata = take.metadata;
  for (const std::optional<TakeChunk>& chunk : {metadata.bext, metadata.ixml}) {
    if (chunk && chunk->payloadOffset + chunk->payloadSize > fileBytes) {
      std::abort();
    }
  }
  if ((metadata.bext && metadata.bext->payloadSize < kBextFixedBytes) ||
      metadata.bext.has_value() != metadata.timeReference.has_value()) {
    std::abort();
  }
  const SampleFormat format{take.sampleRate, take.bitsPerSample, take.channels, take.sampleKind};
  const CarriedMetadata carried = MetadataToCarry("take.wav", metadata, format);
  WriteWavHeader("output.wav", format, 3, carried);
  const FileHandle output = FileHandle::OpenRegularForReading("output.wav");
  const std::optional<SampleArea> area = FindSampleArea(output, kProbeScanLast);
  if (!area || area->DataOffset() != HeaderBytes(format) + carried.ChunkBytes() ||
      output.Size() != area->DataOffset()) {
    std::abort();
  }
  return 0;
}
