#include "driver/builder/temporary_crossfade_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "foundation/console.h"
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
  // The outputs are complete by now: a file that stays is said, not fatal.
  if (plan_.deleted && std::remove(kTemporaryCrossfadeFile) != 0 && errno != ENOENT) {
    Say(">> Cannot remove %s: %s\n", kTemporaryCrossfadeFile, std::strerror(errno));
  }
  unfinished_->Keep();
}

}  // namespace wexmont
