#include "foundation/file_handle.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace wexmont {
namespace {

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
template <typename Put>
bool PutAll(std::span<const uint8_t> bytes, Put put) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = put(done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    done += static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

FileHandle FileHandle::OpenRegularForReading(const std::string& path) {
  // O_NONBLOCK keeps the open of a fifo from waiting for a writer.
  FileHandle file(OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK));
  struct stat info;
  if (!file.IsOpen() || ::fstat(file.fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    return FileHandle();
  }
  const int flags = ::fcntl(file.fd_, F_GETFL);
  if (flags < 0 || ::fcntl(file.fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return FileHandle();
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

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
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
      break;
    }
    done += static_cast<size_t>(got);
  }
  return done;
}

bool FileHandle::WriteAt(int64_t position, std::span<const uint8_t> bytes) const {
  return PutAll(bytes, [&](size_t done) {
    return ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                    static_cast<off_t>(position + done));
  });
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

bool FileHandle::Append(std::span<const uint8_t> bytes) const {
  return PutAll(
      bytes, [&](size_t done) { return ::write(fd_, bytes.data() + done, bytes.size() - done); });
}

bool FileHandle::Close() {
  if (fd_ < 0) {
    return true;
  }
  const int fd = std::exchange(fd_, -1);
  return ::close(fd) == 0;
}

}  // namespace wexmont
