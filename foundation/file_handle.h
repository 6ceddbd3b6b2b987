// A file opened by name for one operation and closed when the operation ends,
// on every path. Reads and writes name their byte position, so consecutive
// blocks need no seeks; every write reports whether all of it reached the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace wexmont {

class FileHandle {
 public:
  // A take or temporary file to read. Anything that is not a regular file
  // (a directory, a fifo, a device) counts as a file that cannot be opened;
  // a fifo is never waited on.
  static FileHandle OpenRegularForReading(const std::string& path);
  // An existing file, read and written in place, never truncated.
  static FileHandle OpenForUpdate(const std::string& path);
  // Created, or cut to zero length if it exists.
  static FileHandle CreateEmpty(const std::string& path);
  // Written only at its end; created if missing.
  static FileHandle OpenForAppend(const std::string& path);

  FileHandle() = default;
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle();

  bool IsOpen() const { return fd_ >= 0; }

  // Length in bytes, or -1 when it cannot be told.
  int64_t Size() const;
  // Reads up to bytes.size() bytes at `position`; returns how many were read
  // (fewer at the end of the file, 0 on an error).
  size_t ReadAt(int64_t position, std::span<uint8_t> bytes) const;
  // Writes all bytes at `position`, growing the file as needed.
  bool WriteAt(int64_t position, std::span<const uint8_t> bytes) const;
  // Copies up to `bytes` bytes from `source` at `sourcePosition` to
  // `position` inside the kernel, without passing them through the process.
  // Returns how many it copied: fewer (down to 0) where the source ends, a
  // write fails, or the kernel cannot copy between these files; the caller
  // moves the rest itself and learns why.
  // Makes `bytes` bytes at `position` share the blocks of `source` at
  // `sourcePosition` (a clone, on file systems that share blocks between
  // files). Both positions and `bytes` must be multiples of the block size.
  // False, with nothing changed, where the file system cannot.
  bool CloneFrom(const FileHandle& source, int64_t sourcePosition, int64_t position,
                 int64_t bytes) const;
  int64_t CopyFrom(const FileHandle& source, int64_t sourcePosition, int64_t position,
                   int64_t bytes) const;
  // Writes all bytes at the end of a file opened for appending.
  bool Append(std::span<const uint8_t> bytes) const;
  // Closes now and reports whether the close succeeded (a delayed write
  // error surfaces here).
  bool Close();

 private:
  explicit FileHandle(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace wexmont
