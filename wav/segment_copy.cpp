#include "wav/segment_copy.h"

#include <algorithm>

#include "foundation/console.h"
#include "foundation/file_messages.h"
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
// leaves, it reads and writes them itself. The kernel is handed one move at a
// time: handed a whole segment at once it measured about a quarter slower
// than these moves, and larger writes let it fill larger page-cache folios,
// which were at times four times slower to fill on the virtual machines this
// runs on (docs/benchmarks.md). Where the file system shares blocks between
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

FrameWriter::FrameWriter(std::string path, int32_t bytesPerSample, int32_t channels,
                         int64_t dataOffset)
    : path_(std::move(path)),
      bytesPerFrame_(int64_t{bytesPerSample} * channels),
      dataOffset_(dataOffset) {}

void FrameWriter::Open() {
  if (!file_.IsOpen()) {
    file_ = FileHandle::OpenForUpdate(path_);
    if (!file_.IsOpen()) {
      EndRun(">> Cannot open %s for writing: %s, exiting\n", VisibleText(path_).c_str(),
             FileErrorText(file_.Error()).c_str());
    }
    writtenEnd_ = std::max<int64_t>(file_.Size(), 0);
  }
}

// No frame may land before the sample area: that would overwrite the header.
void FrameWriter::RefuseBeforeSampleArea(int64_t frame) const {
  if (frame < 0) {
    EndRun(">> Cannot write frame %lld of %s, frames start at 0, exiting\n",
           static_cast<long long>(frame), VisibleText(path_).c_str());
  }
}

void FrameWriter::PutAt(int64_t position, std::span<const uint8_t> bytes) {
  if (!file_.WriteAt(position, bytes)) {
    EndRun(">> Cannot write %s: %s, exiting\n", VisibleText(path_).c_str(),
           FileErrorText(file_.Error()).c_str());
  }
  writtenEnd_ = std::max(writtenEnd_, position + static_cast<int64_t>(bytes.size()));
  Reached(position + static_cast<int64_t>(bytes.size()));
}

void FrameWriter::Reached(int64_t position) const {
  if (progress_) {
    progress_(position - dataOffset_);
  }
}

// Zeros left to the file's growth count as written for the progress shown.
void FrameWriter::LeaveUnwritten(int64_t end) {
  unwrittenEnd_ = std::max(unwrittenEnd_, end);
  Reached(end);
}

void FrameWriter::ZeroRun(int64_t frame, int64_t frameCount) {
  if (frameCount <= 0) {
    return;
  }
  RefuseBeforeSampleArea(frame);
  const int64_t start = dataOffset_ + frame * bytesPerFrame_;
  // Zeros past the end of what was written are left to the file's growth.
  const int64_t bytes = std::clamp<int64_t>(writtenEnd_ - start, 0, frameCount * bytesPerFrame_);
  zeros_.resize(static_cast<size_t>(
      std::max<int64_t>(std::min(kMoveBytes, bytes), static_cast<int64_t>(zeros_.size()))));
  for (int64_t done = 0; done < bytes;) {
    const int64_t move = MoveBytesAt(start + done, bytes - done);
    PutAt(start + done, std::span(zeros_.data(), static_cast<size_t>(move)));
    done += move;
  }
  LeaveUnwritten(start + frameCount * bytesPerFrame_);
}

void FrameWriter::CopyRun(const SampleSource& source, int64_t sourcePosition, int64_t position,
                          int64_t frameCount) {
  const int64_t bytes = frameCount * bytesPerFrame_;
  if (bytes <= 0) {
    return;
  }
  // Where the run's bytes lie at the same offset within a block in both
  // files, its whole blocks are cloned in one request, on file systems that
  // share blocks (and once one says it cannot, no more are asked for). A
  // clone is exact, holes of a sparse take included. The bytes before the
  // first block boundary and after the last, or the whole run where the
  // offsets differ, are moved.
  const int64_t intoBlock = position % kSharedBlockBytes;
  const int64_t head = intoBlock == sourcePosition % kSharedBlockBytes
                           ? std::min(bytes, (kSharedBlockBytes - intoBlock) % kSharedBlockBytes)
                           : bytes;
  const int64_t blocks = (bytes - head) / kSharedBlockBytes * kSharedBlockBytes;
  bool kernelCopies = true;
  FileHandle::DataExtent data{0, 0};  // of the source, as last looked up
  for (int64_t done = 0; done < bytes;) {
    if (done == head && blocks > 0 && clones_) {
      clones_ = file_.CloneFrom(source.file, sourcePosition + done, position + done, blocks);
      if (clones_) {
        done += blocks;
        writtenEnd_ = std::max(writtenEnd_, position + done);
        Reached(position + done);
        continue;
      }
    }
    const int64_t move = MoveBytesAt(position + done, (done < head ? head : bytes) - done);
    const int64_t from = sourcePosition + done;
    // A hole of a sparse take stays a hole where nothing was written yet:
    // both read as zeros. Real takes have no holes: one look per run.
    if (position + done >= writtenEnd_) {
      if (from >= data.end) {
        data = source.file.FindData(from);
      }
      if (data.start >= from + move) {
        LeaveUnwritten(position + done + move);
        done += move;
        continue;
      }
    }
    const int64_t copied =
        kernelCopies ? file_.CopyFrom(source.file, sourcePosition + done, position + done, move)
                     : 0;
    if (copied < move) {
      // The rest of the move, and of the run, through the process: a read or
      // write that fails here is reported as such.
      kernelCopies = false;
      buffer_.resize(static_cast<size_t>(kMoveBytes));
      const auto part = std::span(buffer_.data(), static_cast<size_t>(move - copied));
      if (source.file.ReadAt(sourcePosition + done + copied, part) < part.size()) {
        EndRun(">> Cannot read %s: %s, exiting\n", VisibleText(source.path).c_str(),
               FileErrorText(source.file.Error()).c_str());
      }
      PutAt(position + done + copied, part);
    }
    writtenEnd_ = std::max(writtenEnd_, position + done + move);
    done += move;
    Reached(position + done);
  }
}

void FrameWriter::Copy(const SampleSource& source, int64_t destinationFrame, int64_t frameCount,
                       int64_t sourceFrame) {
  Open();
  if (!source.IsOpen()) {
    RefuseUnopenedFile(source.path, source.file.Error());
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
          dataOffset_ + (destinationFrame + first) * bytesPerFrame_, last - first);
  ZeroRun(destinationFrame + last, frameCount - last);
}

void FrameWriter::Silence(int64_t frame, int64_t frameCount) {
  Open();
  ZeroRun(frame, frameCount);
}

void FrameWriter::Put(int64_t frame, std::span<const uint8_t> frames) {
  Open();
  if (!frames.empty()) {
    RefuseBeforeSampleArea(frame);
    PutAt(dataOffset_ + frame * bytesPerFrame_, frames);
  }
}

void FrameWriter::Close() {
  const bool extended = unwrittenEnd_ <= writtenEnd_ || file_.ExtendTo(unwrittenEnd_);
  if (!extended || !file_.Close()) {
    EndRun(">> Cannot write %s: %s, exiting\n", VisibleText(path_).c_str(),
           FileErrorText(file_.Error()).c_str());
  }
}

}  // namespace wexmont
