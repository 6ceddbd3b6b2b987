// Filling the sample area of an existing WAV file in place, at a frame
// position: frames copied from another WAV file, silence, or frames given as
// bytes. None of them touches the header or any byte outside the frames it
// is told to write.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "foundation/file_handle.h"
#include "wav/sample_source.h"

namespace wexmont {

constexpr int64_t kBlockFrames = 1024;

// A WAV file written in place by a run of operations (a track's output while
// it is built): opened by the first of them and kept open. Its samples start
// at `dataOffset`, where its header ends: the file is never read back.
class FrameWriter {
 public:
  FrameWriter(std::string path, int32_t bytesPerSample, int32_t channels, int64_t dataOffset);

  // Copies `frameCount` frames from `sourceFrame` on in `source` to
  // `destinationFrame` on. Frames the source cannot supply (beyond the end of
  // its audio) are written as silence, so the file always receives
  // `frameCount` frames.
  void Copy(const SampleSource& source, int64_t destinationFrame, int64_t frameCount,
            int64_t sourceFrame);
  // Writes `frameCount` frames of silence from `frame` on.
  void Silence(int64_t frame, int64_t frameCount);
  // Writes whole frames of sample bytes from `frame` on.
  void Put(int64_t frame, std::span<const uint8_t> frames);
  // Closes the file; a close that fails (a delayed write error) ends the run.
  void Close();

  // Told, after every block written, where in the sample area (in bytes
  // from its start) the block ended. A crossfade written over frames
  // already written reports a place before the furthest one.
  using ProgressReport = std::function<void(int64_t sampleBytesEnd)>;
  void ReportProgressTo(ProgressReport report) { progress_ = std::move(report); }

 private:
  void Open();
  void RefuseBeforeSampleArea(int64_t frame) const;
  void PutAt(int64_t position, std::span<const uint8_t> bytes);
  void LeaveUnwritten(int64_t end);
  void Reached(int64_t position) const;
  void ZeroRun(int64_t frame, int64_t frameCount);
  void CopyRun(const SampleSource& source, int64_t sourcePosition, int64_t position,
               int64_t frameCount);

  std::string path_;
  int64_t bytesPerFrame_;
  FileHandle file_;
  int64_t dataOffset_;
  // Bytes before this were in the file or were written to it; after it, only
  // zeros were due so far, left to the file's growth (a hole where the file
  // system keeps them) up to unwrittenEnd_, to which Close extends the file.
  int64_t writtenEnd_ = 0;
  int64_t unwrittenEnd_ = 0;
  std::vector<uint8_t> buffer_;  // one move's bytes
  std::vector<uint8_t> zeros_;   // one move's silence
  bool clones_ = true;           // until the file system says it cannot clone
  ProgressReport progress_;
};

}  // namespace wexmont
