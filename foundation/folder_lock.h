// An exclusive lock on a folder, held from its taking until the object goes
// (or the process ends, however it ends). It is flock on the folder itself,
// so no lock file is left behind and none can go stale.
#pragma once

#include <string>

namespace wexmont {

class FolderLock {
 public:
  enum class Outcome {
    kHeld,           // this process holds the folder
    kHeldElsewhere,  // another process holds it
    kUnavailable,    // the folder cannot be opened or its file system offers no lock
  };

  // Tries once, without waiting.
  static FolderLock TryExclusive(const std::string& folder);

  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&&) = delete;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

  Outcome Result() const { return outcome_; }

 private:
  FolderLock(int fd, Outcome outcome) : fd_(fd), outcome_(outcome) {}
  int fd_ = -1;
  Outcome outcome_;
};

}  // namespace wexmont
