// Filling the sample area of an existing WAV file in place, at a frame
// position: frames copied from another WAV file, or silence. Neither touches
// the header or any byte outside the frames it is told to write.
#pragma once

#include <cstdint>
#include <string>

namespace wexmont {

constexpr int64_t kBlockFrames = 1024;

// Copies `frameCount` frames from `sourceFrame` on in `sourcePath` to
// `destinationFrame` on in `destinationPath`. Frames the source cannot supply
// (beyond the end of its audio) are written as silence, so the destination
// always receives `frameCount` frames.
void CopyFrames(const std::string& destinationPath, const std::string& sourcePath,
                int64_t destinationFrame, int32_t bytesPerSample, int32_t channels,
                int64_t frameCount, int64_t sourceFrame);

// Writes `frameCount` frames of silence from `frame` on.
void WriteSilence(const std::string& path, int64_t frame, int32_t bytesPerSample, int32_t channels,
                  int64_t frameCount);

}  // namespace wexmont
