#include "driver/output_alignment.h"

#include <vector>

#include "wav/block_alignment.h"
#include "wav/wav_header.h"

namespace wexmont {

int64_t OutputPadBytes(const RunTables& run, int32_t track) {
  const TrackFormat& format = run.trackFormat[track];
  const int64_t metadataBytes = run.trackMetadata[track].ChunkBytes();
  std::vector<int64_t> offsets;
  for (int32_t e = 0; e + 1 < run.editCount; ++e) {
    offsets.push_back(run.TakeDataOffset(track, e));
  }
  const int64_t pad = AlignmentPadBytes(HeaderBytes(format) + metadataBytes, offsets);
  const int64_t dataBytes =
      run.outputLength[track] * format.BytesPerSample() * int64_t{format.channels};
  return dataBytes <= MaxDataBytes(format, metadataBytes + pad) ? pad : 0;
}

}  // namespace wexmont
