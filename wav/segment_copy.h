// Filling the sample area of an existing WAV file in place, at a frame
// position: frames copied from another WAV file, silence, or frames given as
// bytes. None of them touches the header or any byte outside the frames it
// is told to write.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "foundation/file_handle.h"
#include "wav/sample_source.h"

namespace wexmont {

constexpr int64_t kBlockFrames = 1024;

// A WAV file written in place by a run of operations (a track's output while
// it is built): opened by the first of them and kept open, its sample area
// found once. Each operation reports a file it cannot open, or whose sample
// area it cannot find, in its own words, as if it were the first.
class FrameWriter {
 public:
  FrameWriter(std::string path, int32_t bytesPerSample, int32_t channels);

  // Copies `frameCount` frames from `sourceFrame` on in `source` to
  // `destinationFrame` on. Frames the source cannot supply (beyond the end of
  // its audio) are written as silence, so the file always receives
  // `frameCount` frames.
  void Copy(const SampleSource& source, int64_t destinationFrame, int64_t frameCount,
            int64_t sourceFrame);
  // Writes `frameCount` frames of silence from `frame` on.
  void Silence(int64_t frame, int64_t frameCount);
  // Writes whole frames of sample bytes from `frame` on, found as a copy
  // finds them.
  void Put(int64_t frame, std::span<const uint8_t> frames);
  // Closes the file; a close that fails (a delayed write error) ends the run.
  void Close();

 private:
  void Open();
  bool FoundSampleArea(int64_t lastPosition);
  void RefuseBeforeSampleArea(int64_t frame) const;
  void PutAt(int64_t position, std::span<const uint8_t> bytes) const;
  void ZeroRun(int64_t frame, int64_t frameCount);
  void CopyRun(const SampleSource& source, int64_t sourcePosition, int64_t position,
               int64_t frameCount);
  int64_t KernelCopy(const SampleSource& source, int64_t sourcePosition, int64_t position,
                     int64_t bytes) const;

  std::string path_;
  int64_t bytesPerFrame_;
  FileHandle file_;
  std::optional<int64_t> dataOffset_;
  std::vector<uint8_t> buffer_;  // one move's bytes
  std::vector<uint8_t> zeros_;   // one move's silence
  bool clones_ = true;           // until the file system says it cannot clone
};

// Copies `frameCount` frames from `sourceFrame` on in `sourcePath` to
// `destinationFrame` on in `destinationPath`, as FrameWriter::Copy does.
void CopyFrames(const std::string& destinationPath, const std::string& sourcePath,
                int64_t destinationFrame, int32_t bytesPerSample, int32_t channels,
                int64_t frameCount, int64_t sourceFrame);

// Writes `frameCount` frames of silence from `frame` on.
void WriteSilence(const std::string& path, int64_t frame, int32_t bytesPerSample, int32_t channels,
                  int64_t frameCount);

}  // namespace wexmont
