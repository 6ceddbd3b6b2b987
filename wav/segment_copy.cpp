#include "wav/segment_copy.h"

#include <algorithm>
#include <vector>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"
#include "wav/data_chunk.h"

namespace wexmont {
namespace {

// Copies and silence move up to 128 KiB per read and write, in ascending
// order, so a call costs little beyond its bytes and the buffer stays the same
// size however long the segment is. Each move ends on a multiple of 128 KiB
// of the destination, so after the first one every write covers whole pages.
// The bytes pass through the process on purpose: the kernel's own copy
// (copy_file_range) moves them through a pipe, 64 KiB at a time, and measured
// about a quarter slower on segment copies. Larger moves let the kernel fill
// larger page-cache folios, which were at times four times slower to fill on
// the virtual machines this runs on (docs/benchmarks.md).
constexpr int64_t kMoveBytes = int64_t{128} * 1024;

// Length of the move that starts at destination byte `position`, with `left`
// bytes still to go; never more than kMoveBytes, whatever the position.
int64_t MoveBytesAt(int64_t position, int64_t left) {
  const int64_t intoMove = (position % kMoveBytes + kMoveBytes) % kMoveBytes;
  return std::min(kMoveBytes - intoMove, left);
}

struct Destination {
  const FileHandle& file;
  const std::string& path;
  int64_t dataOffset;
  int64_t bytesPerFrame;
};

// No frame may land before the sample area: that would overwrite the header.
void RefuseBeforeSampleArea(const Destination& to, int64_t frame) {
  if (frame < 0) {
    EndRun(">> Cannot write frame %lld of %s, frames start at 0, exiting\n",
           static_cast<long long>(frame), VisibleText(to.path).c_str());
  }
}

void ZeroRun(const Destination& to, int64_t frame, int64_t frameCount) {
  if (frameCount <= 0) {
    return;
  }
  RefuseBeforeSampleArea(to, frame);
  const int64_t start = to.dataOffset + frame * to.bytesPerFrame;
  const int64_t bytes = frameCount * to.bytesPerFrame;
  const std::vector<uint8_t> zeros(static_cast<size_t>(std::min(kMoveBytes, bytes)), 0);
  for (int64_t done = 0; done < bytes;) {
    const int64_t move = MoveBytesAt(start + done, bytes - done);
    if (!to.file.WriteAt(start + done, std::span(zeros.data(), static_cast<size_t>(move)))) {
      EndRun(">> Cannot write %s, exiting\n", VisibleText(to.path).c_str());
    }
    done += move;
  }
}

void CopyRun(const FileHandle& source, const std::string& sourcePath, int64_t sourcePosition,
             const Destination& to, int64_t destinationPosition, int64_t frameCount) {
  const int64_t bytes = frameCount * to.bytesPerFrame;
  if (bytes <= 0) {
    return;
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(kMoveBytes, bytes)));
  for (int64_t done = 0; done < bytes;) {
    const int64_t move = MoveBytesAt(destinationPosition + done, bytes - done);
    const auto part = std::span(buffer.data(), static_cast<size_t>(move));
    if (source.ReadAt(sourcePosition + done, part) < part.size()) {
      EndRun(">> Cannot read %s, exiting\n", VisibleText(sourcePath).c_str());
    }
    if (!to.file.WriteAt(destinationPosition + done, part)) {
      EndRun(">> Cannot write %s, exiting\n", VisibleText(to.path).c_str());
    }
    done += move;
  }
}

void CloseWritten(FileHandle& file, const std::string& path) {
  if (!file.Close()) {
    EndRun(">> Cannot write %s, exiting\n", VisibleText(path).c_str());
  }
}

}  // namespace

void CopyFrames(const std::string& destinationPath, const std::string& sourcePath,
                int64_t destinationFrame, int32_t bytesPerSample, int32_t channels,
                int64_t frameCount, int64_t sourceFrame) {
  const int64_t bytesPerFrame = int64_t{bytesPerSample} * channels;
  FileHandle destination = FileHandle::OpenForUpdate(destinationPath);
  if (!destination.IsOpen()) {
    EndRun(">> Cannot open %s for writing, exiting\n", VisibleText(destinationPath).c_str());
  }
  const FileHandle source = FileHandle::OpenRegularForReading(sourcePath);
  if (!source.IsOpen()) {
    EndRun(">> Cannot find file called %s, exiting\n", VisibleText(sourcePath).c_str());
  }
  const std::optional<SampleArea> destinationArea = FindSampleArea(destination, kCopyScanLast);
  const std::optional<SampleArea> sourceArea = FindSampleArea(source, kCopyScanLast);
  if (!destinationArea || !sourceArea) {
    EndRun(">> Can't find data block in wave file, exiting\n");
  }
  if (frameCount > 0) {
    const Destination to{destination, destinationPath, destinationArea->DataOffset(),
                         bytesPerFrame};
    // Frames [first, last) of the run lie inside the source's audio.
    RefuseBeforeSampleArea(to, destinationFrame);
    const int64_t sourceFrames = AudioFrames(source, *sourceArea, bytesPerFrame);
    const int64_t first = std::clamp<int64_t>(-sourceFrame, 0, frameCount);
    const int64_t last = std::clamp<int64_t>(sourceFrames - sourceFrame, first, frameCount);
    ZeroRun(to, destinationFrame, first);
    CopyRun(source, sourcePath, sourceArea->DataOffset() + (sourceFrame + first) * bytesPerFrame,
            to, to.dataOffset + (destinationFrame + first) * bytesPerFrame, last - first);
    ZeroRun(to, destinationFrame + last, frameCount - last);
  }
  CloseWritten(destination, destinationPath);
}

void WriteSilence(const std::string& path, int64_t frame, int32_t bytesPerSample, int32_t channels,
                  int64_t frameCount) {
  FileHandle file = FileHandle::OpenForUpdate(path);
  if (!file.IsOpen()) {
    EndRun(">> Cannot open %s for writing, exiting\n", VisibleText(path).c_str());
  }
  const std::optional<SampleArea> area = FindSampleArea(file, kProbeScanLast);
  if (!area) {
    EndRun("Can't find data block in wave file!\n");
  }
  const Destination to{file, path, area->DataOffset(), int64_t{bytesPerSample} * channels};
  ZeroRun(to, frame, frameCount);
  CloseWritten(file, path);
}

}  // namespace wexmont
