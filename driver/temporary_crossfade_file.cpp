#include "driver/temporary_crossfade_file.h"

#include <cstdio>

#include "driver/run_tables.h"

namespace wexmont {

TemporaryCrossfadeFile::~TemporaryCrossfadeFile() {
  if (deleted_ && !written_.empty()) {
    std::remove(kTemporaryCrossfadeFile);
  }
}

void TemporaryCrossfadeFile::FreshHeader(const SampleFormat& format, int64_t crossfadeFrames) {
  deleted_ = false;
  WavHeader header = BuildHeader(format, crossfadeFrames);
  if (header != written_) {
    written_.clear();  // a write that fails leaves the file as it leaves it
    WriteWavHeader(kTemporaryCrossfadeFile, format, crossfadeFrames);
    written_ = std::move(header);
  }
}

}  // namespace wexmont
