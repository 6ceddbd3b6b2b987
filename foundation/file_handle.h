// A file opened by name for one operation and closed when the operation ends,
// on every path. Reads and writes name their byte position, so consecutive
// blocks need no seeks; every write reports whether all of it reached the file.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace wexmont {

// Error codes of a file operation besides the system's errno values.
constexpr int kNoFileError = 0;
constexpr int kNotRegularFile = -1;  // a folder, a fifo or a device where a file was asked for
constexpr int kFileEndedEarly = -2;  // a read that met the end of the file
constexpr int kNothingWritten = -3;  // a write the system took without a byte and without a reason

// The words of an error code: the system's own (strerror) for errno values,
// "Permission denied", "No space left on device", "File too large".
std::string FileErrorText(int error);

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
  // Why the open or the last operation that failed failed (kNoFileError
  // when nothing did); ENOENT for a file that does not exist.
  int Error() const { return error_; }

  // Length in bytes, or -1 when it cannot be told.
  int64_t Size() const;
  // Reads up to bytes.size() bytes at `position`; returns how many were read
  // (fewer at the end of the file, 0 on an error).
  size_t ReadAt(int64_t position, std::span<uint8_t> bytes) const;
  // Writes all bytes at `position`, growing the file as needed.
  bool WriteAt(int64_t position, std::span<const uint8_t> bytes) const;
  // Makes `bytes` bytes at `position` share the blocks of `source` at
  // `sourcePosition` (a clone, on file systems that share blocks between
  // files). Both positions and `bytes` must be multiples of the block size.
  // False where the file system cannot; the caller then writes the bytes.
  bool CloneFrom(const FileHandle& source, int64_t sourcePosition, int64_t position,
                 int64_t bytes) const;
  // Copies up to `bytes` bytes from `source` at `sourcePosition` to
  // `position` inside the kernel, without passing them through the process.
  // Returns how many it copied: fewer (down to 0) where the source ends, a
  // write fails, or the kernel cannot copy between these files; the caller
  // moves the rest itself and learns why.
  int64_t CopyFrom(const FileHandle& source, int64_t sourcePosition, int64_t position,
                   int64_t bytes) const;
  // The first byte at or after `position` that holds data rather than a
  // hole of a sparse file (the file size when only a hole follows), and the
  // end of that data. Where the file system cannot tell, all of it is data.
  struct DataExtent {
    int64_t start;
    int64_t end;
  };
  DataExtent FindData(int64_t position) const;
  // Makes the file `bytes` long where it is shorter; the new bytes read as 0.
  bool ExtendTo(int64_t bytes) const;
  // Writes all bytes at the end of a file opened for appending.
  bool Append(std::span<const uint8_t> bytes) const;
  // Closes now and reports whether the close succeeded (a delayed write
  // error surfaces here).
  bool Close();

 private:
  explicit FileHandle(int fd) : fd_(fd), error_(fd < 0 ? errno : kNoFileError) {}
  static FileHandle Failed(int error);
  // Records why an operation failed and passes its result on.
  template <typename Result>
  Result Failing(Result result, int error) const {
    error_ = error;
    return result;
  }
  int fd_ = -1;
  mutable int error_ = kNoFileError;
};

}  // namespace wexmont
