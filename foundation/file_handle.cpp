#include "foundation/file_handle.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

namespace wexmont {
namespace {

// Every position is a 64-bit byte offset, also for files past 4 GiB.
static_assert(sizeof(off_t) == sizeof(int64_t));

constexpr mode_t kNewFileMode = 0666;  // narrowed by the user's umask

int OpenRetrying(const char* path, int flags) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, kNewFileMode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Repeats a write until every byte is in or the system refuses (a full disk
// shows as a write that puts nothing). `put(done)` writes from byte `done` on.
// Returns kNoFileError or why the write stopped.
template <typename Put>
int PutAll(std::span<const uint8_t> bytes, Put put) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = put(done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written < 0) {
      return errno;
    }
    if (written == 0) {
      return kNothingWritten;
    }
    done += static_cast<size_t>(written);
  }
  return kNoFileError;
}

}  // namespace

std::string FileErrorText(int error) {
  switch (error) {
    case kNoFileError:
      return "no error";
    case kNotRegularFile:
      return "not a regular file";
    case kFileEndedEarly:
      return "the file ends early";
    case kNothingWritten:
      return "nothing could be written";
    default:
      return std::strerror(error);
  }
}

FileHandle FileHandle::Failed(int error) {
  FileHandle failed;
  failed.error_ = error;
  return failed;
}

FileHandle FileHandle::OpenRegularForReading(const std::string& path) {
  // O_NONBLOCK keeps the open of a fifo from waiting for a writer.
  FileHandle file(OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK));
  struct stat info;
  if (!file.IsOpen()) {
    return file;
  }
  if (::fstat(file.fd_, &info) != 0) {
    return Failed(errno);
  }
  if (!S_ISREG(info.st_mode)) {
    return Failed(kNotRegularFile);
  }
  const int flags = ::fcntl(file.fd_, F_GETFL);
  if (flags < 0 || ::fcntl(file.fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return Failed(errno);
  }
  return file;
}

FileHandle FileHandle::OpenForUpdate(const std::string& path) {
  return FileHandle(OpenRetrying(path.c_str(), O_RDWR));
}

FileHandle FileHandle::CreateEmpty(const std::string& path) {
  return FileHandle(OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC));
}

FileHandle FileHandle::OpenForAppend(const std::string& path) {
  return FileHandle(OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_APPEND));
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    error_ = other.error_;
  }
  return *this;
}

FileHandle::~FileHandle() {
  Close();
}

int64_t FileHandle::Size() const {
  struct stat info;
  if (!IsOpen() || ::fstat(fd_, &info) != 0) {
    return -1;
  }
  return static_cast<int64_t>(info.st_size);
}

size_t FileHandle::ReadAt(int64_t position, std::span<uint8_t> bytes) const {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got =
        ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(position + done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return Failing(done, got < 0 ? errno : kFileEndedEarly);
    }
    done += static_cast<size_t>(got);
  }
  return done;
}

bool FileHandle::WriteAt(int64_t position, std::span<const uint8_t> bytes) const {
  const int error = PutAll(bytes, [&](size_t done) {
    return ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                    static_cast<off_t>(position + done));
  });
  return Failing(error == kNoFileError, error);
}

bool FileHandle::CloneFrom(const FileHandle& source, int64_t sourcePosition, int64_t position,
                           int64_t bytes) const {
  file_clone_range range{};
  range.src_fd = source.fd_;
  range.src_offset = static_cast<uint64_t>(sourcePosition);
  range.src_length = static_cast<uint64_t>(bytes);
  range.dest_offset = static_cast<uint64_t>(position);
  return bytes > 0 && ::ioctl(fd_, FICLONERANGE, &range) == 0;
}

int64_t FileHandle::CopyFrom(const FileHandle& source, int64_t sourcePosition, int64_t position,
                             int64_t bytes) const {
  off_t from = static_cast<off_t>(sourcePosition);
  off_t to = static_cast<off_t>(position);
  int64_t done = 0;
  while (done < bytes) {
    const ssize_t copied =
        ::copy_file_range(source.fd_, &from, fd_, &to, static_cast<size_t>(bytes - done), 0);
    if (copied < 0 && errno == EINTR) {
      continue;
    }
    if (copied <= 0) {
      break;
    }
    done += copied;
  }
  return done;
}

FileHandle::DataExtent FileHandle::FindData(int64_t position) const {
  const off_t start = ::lseek(fd_, static_cast<off_t>(position), SEEK_DATA);
  if (start < 0) {
    // Only a hole from here to the end, or a file system that cannot say.
    return errno == ENXIO ? DataExtent{Size(), Size()} : DataExtent{position, INT64_MAX};
  }
  const off_t end = ::lseek(fd_, start, SEEK_HOLE);
  return {static_cast<int64_t>(start), end < 0 ? INT64_MAX : static_cast<int64_t>(end)};
}

bool FileHandle::ExtendTo(int64_t bytes) const {
  const int64_t size = Size();
  if (size < 0) {
    return Failing(false, IsOpen() ? errno : EBADF);
  }
  int result = 0;
  if (size < bytes) {
    do {
      result = ::ftruncate(fd_, static_cast<off_t>(bytes));
    } while (result != 0 && errno == EINTR);
  }
  return Failing(result == 0, result == 0 ? kNoFileError : errno);
}

bool FileHandle::Append(std::span<const uint8_t> bytes) const {
  const int error = PutAll(
      bytes, [&](size_t done) { return ::write(fd_, bytes.data() + done, bytes.size() - done); });
  return Failing(error == kNoFileError, error);
}

bool FileHandle::Close() {
  if (fd_ < 0) {
    return true;
  }
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) {
    return Failing(false, errno);
  }
  return true;
}

}  // namespace wexmont
