#include "wav/segment_copy.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "driver/run_end.h"
#include "wav/data_chunk.h"
#include "wav/file_handle.h"

namespace wexmont {
namespace {

struct Destination {
  const FileHandle& file;
  const std::string& path;
  int64_t dataOffset;
  int64_t bytesPerFrame;
};

void WriteSilence(const Destination& to, int64_t frame, int64_t frameCount) {
  if (frameCount <= 0) {
    return;
  }
  const std::vector<uint8_t> zeros(static_cast<size_t>(kBlockFrames * to.bytesPerFrame), 0);
  for (int64_t done = 0; done < frameCount; done += kBlockFrames) {
    const int64_t frames = std::min(kBlockFrames, frameCount - done);
    const int64_t position = to.dataOffset + (frame + done) * to.bytesPerFrame;
    if (!to.file.WriteAt(position, std::span(zeros.data(), frames * to.bytesPerFrame))) {
      EndRun(">> Cannot write %s, exiting\n", to.path.c_str());
    }
  }
}

// Moves bytes with the kernel's own copy where the file systems allow it.
// Returns how many bytes it moved; the rest is left to the block copy.
int64_t KernelCopy(const FileHandle& source, int64_t from, const FileHandle& destination,
                   int64_t to, int64_t bytes) {
  int64_t done = 0;
  while (done < bytes) {
    off64_t in = from + done;
    off64_t out = to + done;
    const ssize_t moved = ::copy_file_range(source.Descriptor(), &in, destination.Descriptor(),
                                            &out, static_cast<size_t>(bytes - done), 0);
    if (moved < 0 && errno == EINTR) {
      continue;
    }
    if (moved <= 0) {
      break;  // not supported here, or nothing moved: the block copy takes over
    }
    done += moved;
  }
  return done;
}

void CopyFrames(const FileHandle& source, const std::string& sourcePath, int64_t sourcePosition,
                const Destination& to, int64_t destinationPosition, int64_t frameCount) {
  const int64_t bytes = frameCount * to.bytesPerFrame;
  int64_t done = KernelCopy(source, sourcePosition, to.file, destinationPosition, bytes);
  if (done == bytes) {
    return;
  }
  std::vector<uint8_t> block(static_cast<size_t>(kBlockFrames * to.bytesPerFrame));
  while (done < bytes) {
    const auto part = std::span(block.data(), std::min<int64_t>(block.size(), bytes - done));
    if (source.ReadAt(sourcePosition + done, part) < part.size()) {
      EndRun(">> Cannot read %s, exiting\n", sourcePath.c_str());
    }
    if (!to.file.WriteAt(destinationPosition + done, part)) {
      EndRun(">> Cannot write %s, exiting\n", to.path.c_str());
    }
    done += static_cast<int64_t>(part.size());
  }
}

void CloseWritten(FileHandle& file, const std::string& path) {
  if (!file.Close()) {
    EndRun(">> Cannot write %s, exiting\n", path.c_str());
  }
}

}  // namespace

void INSERT_FILE(const std::string& destinationPath, const std::string& sourcePath,
                 int64_t destinationFrame, int32_t bytesPerSample, int32_t channels,
                 int64_t frameCount, int64_t sourceFrame) {
  const int64_t bytesPerFrame = int64_t{bytesPerSample} * channels;
  FileHandle destination = FileHandle::OpenForUpdate(destinationPath);
  if (!destination.IsOpen()) {
    EndRun(">> Cannot open %s for writing, exiting\n", destinationPath.c_str());
  }
  const FileHandle source = FileHandle::OpenRegularForReading(sourcePath);
  if (!source.IsOpen()) {
    EndRun(">> Cannot find file called %s, exiting\n", sourcePath.c_str());
  }
  const std::optional<int64_t> destinationTag = FindDataTag(destination, kCopyScanLast);
  const std::optional<int64_t> sourceTag = FindDataTag(source, kCopyScanLast);
  if (!destinationTag || !sourceTag) {
    EndRun(">> Can't find data block in wave file, exiting\n");
  }
  if (frameCount > 0) {
    const Destination to{destination, destinationPath, *destinationTag + kSampleAreaOffset,
                         bytesPerFrame};
    // Frames [first, last) of the run lie inside the source's audio.
    const int64_t sourceFrames = AudioFrames(source, *sourceTag, bytesPerFrame);
    const int64_t first = std::clamp<int64_t>(-sourceFrame, 0, frameCount);
    const int64_t last = std::clamp<int64_t>(sourceFrames - sourceFrame, first, frameCount);
    WriteSilence(to, destinationFrame, first);
    CopyFrames(source, sourcePath, *sourceTag + kSampleAreaOffset + (sourceFrame + first) * bytesPerFrame,
               to, to.dataOffset + (destinationFrame + first) * bytesPerFrame, last - first);
    WriteSilence(to, destinationFrame + last, frameCount - last);
  }
  CloseWritten(destination, destinationPath);
}

void PAD_FILE(const std::string& path, int64_t frame, int32_t bytesPerSample, int32_t channels,
              int64_t frameCount) {
  FileHandle file = FileHandle::OpenForUpdate(path);
  if (!file.IsOpen()) {
    EndRun(">> Cannot open %s for writing, exiting\n", path.c_str());
  }
  const std::optional<int64_t> dataTag = FindDataTag(file, kProbeScanLast);
  if (!dataTag) {
    EndRun("Can't find data block in wave file!\n");
  }
  const Destination to{file, path, *dataTag + kSampleAreaOffset, int64_t{bytesPerSample} * channels};
  WriteSilence(to, frame, frameCount);
  CloseWritten(file, path);
}

}  // namespace wexmont
