#include "foundation/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace wexmont {

FolderLock FolderLock::TryExclusive(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return FolderLock(-1, Outcome::kUnavailable);
  }
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked == 0) {
    return FolderLock(fd, Outcome::kHeld);
  }
  const Outcome outcome = errno == EWOULDBLOCK ? Outcome::kHeldElsewhere : Outcome::kUnavailable;
  ::close(fd);
  return FolderLock(-1, outcome);
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), outcome_(other.outcome_) {}

FolderLock::~FolderLock() {
  if (fd_ >= 0) {
    ::close(fd_);  // the last descriptor of the folder: the lock goes with it
  }
}

}  // namespace wexmont
