#include "driver/temporary_crossfade_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driver/run_tables.h"
#include "foundation/console.h"

namespace wexmont {

void TemporaryCrossfadeFile::Finish() {
  if (!unfinished_) {
    return;  // this run never wrote the file: whatever stands there stays
  }
  // The outputs are complete by now: a file that stays is said, not fatal.
  if (deleted_ && std::remove(kTemporaryCrossfadeFile) != 0 && errno != ENOENT) {
    Say(">> Cannot remove %s: %s\n", kTemporaryCrossfadeFile, std::strerror(errno));
  }
  unfinished_->Keep();
}

void TemporaryCrossfadeFile::FreshHeader(const SampleFormat& format, int64_t crossfadeFrames) {
  deleted_ = false;
  if (!unfinished_) {
    unfinished_.emplace(kTemporaryCrossfadeFile);
  }
  WavHeader header = BuildHeader(format, crossfadeFrames);
  if (header != written_) {
    written_.clear();  // a write that fails leaves the file as it leaves it
    WriteWavHeader(kTemporaryCrossfadeFile, format, crossfadeFrames);
    written_ = std::move(header);
  }
}

}  // namespace wexmont
