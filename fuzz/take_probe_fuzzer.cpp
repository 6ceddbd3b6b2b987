// The take probe. The whole input is one take file.
#include <cstdlib>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "fuzz/fuzz_support.h"
#include "wav/data_chunk.h"
#include "wav/take_probe.h"

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
  // The frame copy and the crossfade renderer find the same samples.
  const FileHandle file = FileHandle::OpenRegularForReading("take.wav");
  for (const int64_t lastPosition : {kCopyScanLast, kCrossfadeScanLast}) {
    const std::optional<SampleArea> area = FindSampleArea(file, lastPosition);
    if (!area || area->DataOffset() != take.dataOffset ||
        AudioFrames(file, *area, frameBytes) != take.frameCount) {
      std::abort();
    }
  }
  return 0;
}
