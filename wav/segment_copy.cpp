#include "wav/segment_copy.h"

#include <algorithm>

#include "foundation/console.h"
#include "foundation/visible_text.h"
#include "wav/block_alignment.h"
#include "wav/data_chunk.h"

namespace wexmont {
namespace {

// Copies and silence move up to 128 KiB at a time, in ascending order, so a
// call costs little beyond its bytes and the buffer stays the same size
// however long the segment is. Each move ends on a multiple of 128 KiB of the
// destination, so after the first one every move covers whole pages. A copy
// moves its bytes with the kernel's own copy (copy_file_range) where the file
// system offers it, so that they are copied once, from page to page, instead
// of into the process and out again; elsewhere, and for whatever the kernel
// leaves, it reads and writes them itself. Handed a whole segment at once,
// the kernel's copy measured about a third more time than these moves on
// ext4 (docs/benchmarks.md). Where the file system shares blocks between
// files (XFS, btrfs), a segment's whole blocks are instead cloned in one
// request (see CopyRun): nothing is copied, and the output shares the take's
// blocks.
constexpr int64_t kMoveBytes = int64_t{128} * 1024;

// Length of the move that starts at destination byte `position`, with `left`
// bytes still to go; never more than kMoveBytes, whatever the position.
int64_t MoveBytesAt(int64_t position, int64_t left) {
  const int64_t intoMove = (position % kMoveBytes + kMoveBytes) % kMoveBytes;
  return std::min(kMoveBytes - intoMove, left);
}

}  // namespace

FrameWriter::FrameWriter(std::string path, int32_t bytesPerSample, int32_t channels)
    : path_(std::move(path)), bytesPerFrame_(int64_t{bytesPerSample} * channels) {}

void FrameWriter::Open() {
  if (!file_.IsOpen()) {
    file_ = FileHandle::OpenForUpdate(path_);
    if (!file_.IsOpen()) {
      EndRun(">> Cannot open %s for writing, exiting\n", VisibleText(path_).c_str());
    }
  }
}

bool FrameWriter::FoundSampleArea(int64_t lastPosition) {
  if (!dataOffset_) {
    if (const std::optional<SampleArea> area = FindSampleArea(file_, lastPosition)) {
      dataOffset_ = area->DataOffset();
    }
  }
  return dataOffset_.has_value();
}

// No frame may land before the sample area: that would overwrite the header.
void FrameWriter::RefuseBeforeSampleArea(int64_t frame) const {
  if (frame < 0) {
    EndRun(">> Cannot write frame %lld of %s, frames start at 0, exiting\n",
           static_cast<long long>(frame), VisibleText(path_).c_str());
  }
}

void FrameWriter::PutAt(int64_t position, std::span<const uint8_t> bytes) const {
  if (!file_.WriteAt(position, bytes)) {
    EndRun(">> Cannot write %s, exiting\n", VisibleText(path_).c_str());
  }
}

void FrameWriter::ZeroRun(int64_t frame, int64_t frameCount) {
  if (frameCount <= 0) {
    return;
  }
  RefuseBeforeSampleArea(frame);
  const int64_t start = *dataOffset_ + frame * bytesPerFrame_;
  const int64_t bytes = frameCount * bytesPerFrame_;
  zeros_.resize(static_cast<size_t>(
      std::max<int64_t>(std::min(kMoveBytes, bytes), static_cast<int64_t>(zeros_.size()))));
  for (int64_t done = 0; done < bytes;) {
    const int64_t move = MoveBytesAt(start + done, bytes - done);
    PutAt(start + done, std::span(zeros_.data(), static_cast<size_t>(move)));
    done += move;
  }
}

// Copies up to `bytes` bytes with the kernel's copy, a move at a time;
// returns how many it copied.
int64_t FrameWriter::KernelCopy(const SampleSource& source, int64_t sourcePosition,
                                int64_t position, int64_t bytes) const {
  int64_t copied = 0;
  while (copied < bytes) {
    const int64_t move = MoveBytesAt(position + copied, bytes - copied);
    const int64_t got =
        file_.CopyFrom(source.file, sourcePosition + copied, position + copied, move);
    copied += got;
    if (got < move) {
      break;
    }
  }
  return copied;
}

void FrameWriter::CopyRun(const SampleSource& source, int64_t sourcePosition, int64_t position,
                          int64_t frameCount) {
  const int64_t bytes = frameCount * bytesPerFrame_;
  if (bytes <= 0) {
    return;
  }
  // Where the run's bytes lie at the same offset within a block in both
  // files, its whole blocks are cloned in one request, on file systems that
  // share blocks (and once one says it cannot, no more are asked for).
  // Everything else (the bytes before the first block boundary and after the
  // last, or the whole run) the kernel copies a move at a time.
  const int64_t intoBlock = position % kSharedBlockBytes;
  const int64_t head = intoBlock == sourcePosition % kSharedBlockBytes
                           ? std::min(bytes, (kSharedBlockBytes - intoBlock) % kSharedBlockBytes)
                           : bytes;
  const int64_t blocks = (bytes - head) / kSharedBlockBytes * kSharedBlockBytes;
  int64_t copied = KernelCopy(source, sourcePosition, position, head);
  if (copied == head && blocks > 0 && clones_) {
    clones_ = file_.CloneFrom(source.file, sourcePosition + head, position + head, blocks);
    copied += clones_ ? blocks : 0;
  }
  if (copied == head + (clones_ ? blocks : 0)) {
    copied += KernelCopy(source, sourcePosition + copied, position + copied, bytes - copied);
  }
  for (int64_t done = copied; done < bytes;) {
    const int64_t move = MoveBytesAt(position + done, bytes - done);
    buffer_.resize(static_cast<size_t>(kMoveBytes));
    const auto part = std::span(buffer_.data(), static_cast<size_t>(move));
    if (source.file.ReadAt(sourcePosition + done, part) < part.size()) {
      EndRun(">> Cannot read %s, exiting\n", VisibleText(source.path).c_str());
    }
    PutAt(position + done, part);
    done += move;
  }
}

void FrameWriter::Copy(const SampleSource& source, int64_t destinationFrame, int64_t frameCount,
                       int64_t sourceFrame) {
  Open();
  if (!source.IsOpen()) {
    EndRun(">> Cannot find file called %s, exiting\n", VisibleText(source.path).c_str());
  }
  if (!FoundSampleArea(kCopyScanLast) || !source.area) {
    EndRun(">> Can't find data block in wave file, exiting\n");
  }
  if (frameCount <= 0) {
    return;
  }
  // Frames [first, last) of the run lie inside the source's audio.
  RefuseBeforeSampleArea(destinationFrame);
  const int64_t sourceFrames = source.AudioFrames(bytesPerFrame_);
  const int64_t first = std::clamp<int64_t>(-sourceFrame, 0, frameCount);
  const int64_t last = std::clamp<int64_t>(sourceFrames - sourceFrame, first, frameCount);
  ZeroRun(destinationFrame, first);
  CopyRun(source, source.DataOffset() + (sourceFrame + first) * bytesPerFrame_,
          *dataOffset_ + (destinationFrame + first) * bytesPerFrame_, last - first);
  ZeroRun(destinationFrame + last, frameCount - last);
}

void FrameWriter::Silence(int64_t frame, int64_t frameCount) {
  Open();
  if (!FoundSampleArea(kProbeScanLast)) {
    EndRun("Can't find data block in wave file!\n");
  }
  ZeroRun(frame, frameCount);
}

void FrameWriter::Put(int64_t frame, std::span<const uint8_t> frames) {
  Open();
  if (!FoundSampleArea(kCopyScanLast)) {
    EndRun(">> Can't find data block in wave file, exiting\n");
  }
  if (!frames.empty()) {
    RefuseBeforeSampleArea(frame);
    PutAt(*dataOffset_ + frame * bytesPerFrame_, frames);
  }
}

void FrameWriter::Close() {
  if (!file_.Close()) {
    EndRun(">> Cannot write %s, exiting\n", VisibleText(path_).c_str());
  }
}

void CopyFrames(const std::string& destinationPath, const std::string& sourcePath,
                int64_t destinationFrame, int32_t bytesPerSample, int32_t channels,
                int64_t frameCount, int64_t sourceFrame) {
  FrameWriter destination(destinationPath, bytesPerSample, channels);
  const SampleSource source = SampleSource::Open(sourcePath, kCopyScanLast);
  destination.Copy(source, destinationFrame, frameCount, sourceFrame);
  destination.Close();
}

void WriteSilence(const std::string& path, int64_t frame, int32_t bytesPerSample, int32_t channels,
                  int64_t frameCount) {
  FrameWriter file(path, bytesPerSample, channels);
  file.Silence(frame, frameCount);
  file.Close();
}

}  // namespace wexmont
