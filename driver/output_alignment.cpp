#include "driver/output_alignment.h"

#include "wav/block_alignment.h"
#include "wav/wav_header.h"

namespace wexmont {

int64_t OutputPadBytes(const RunTables& run, int32_t track) {
  const TrackFormat& format = run.trackFormat[track];
  const int64_t metadataBytes = run.trackMetadata[track].ChunkBytes();
  const int64_t pad =
      AlignmentPadBytes(HeaderBytes(format) + metadataBytes, run.segmentTakeDataOffsets[track]);
  const int64_t dataBytes =
      run.outputLength[track] * format.BytesPerSample() * int64_t{format.channels};
  return dataBytes <= MaxDataBytes(format, metadataBytes + pad) ? pad : 0;
}

}  // namespace wexmont
