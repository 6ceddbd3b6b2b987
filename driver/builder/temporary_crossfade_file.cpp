#include "driver/builder/temporary_crossfade_file.h"

#include <cstdio>

#include "wav/wav_header.h"

namespace wexmont {

TemporaryCrossfadeFile::TemporaryCrossfadeFile(const TemporaryFilePlan& plan) : plan_(plan) {
  if (plan_.touched) {
    unfinished_.emplace(kTemporaryCrossfadeFile);
    WriteWavHeader(kTemporaryCrossfadeFile, plan_.format, plan_.frames);
  }
}

void TemporaryCrossfadeFile::Finish() {
  if (!unfinished_) {
    return;  // this run never wrote the file: whatever stands there stays
  }
  if (plan_.deleted) {
    std::remove(kTemporaryCrossfadeFile);
  }
  unfinished_->Keep();
}

}  // namespace wexmont
