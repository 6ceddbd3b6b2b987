#include "foundation/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "foundation/console.h"

namespace wexmont {
namespace {

constexpr int kMaxLinkHops = 40;  // as many as the system follows in a path
constexpr mode_t kPermissionBits = 0777;

// The file `path` leads to. A chain of links longer than the system follows
// is left at the last link, which then counts as no regular file.
std::string LinkTargetOf(const std::string& path) {
  std::filesystem::path place = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(place, error))) {
      break;
    }
    const std::filesystem::path next = std::filesystem::read_symlink(place, error);
    if (error) {
      break;
    }
    place = next.is_absolute() ? next : place.parent_path() / next;
  }
  return place.string();
}

}  // namespace

std::string PartialNameOf(const std::string& path) {
  return LinkTargetOf(path) + kPartialSuffix;
}

ReplacementFile::ReplacementFile(const std::string& path)
    : name_(path), target_(LinkTargetOf(path)) {
  struct stat info;
  const bool exists = ::lstat(target_.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    writtenPath_ = name_;
    return;
  }
  // A file the user may not write stays as it is, as it would if it were
  // written in place.
  if (exists && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
    EndRun(">> Cannot create %s: %s, exiting\n", name_.c_str(), std::strerror(errno));
  }
  writtenPath_ = target_ + kPartialSuffix;
  unfinished_.emplace(writtenPath_);
  // Whatever a stale partial name holds (a file, a link) is never written
  // through: the name is freed and the file created anew.
  ::unlink(writtenPath_.c_str());
}

void ReplacementFile::Commit() {
  if (!unfinished_) {
    return;
  }
  struct stat info;
  if (::stat(target_.c_str(), &info) == 0 &&
      ::chmod(writtenPath_.c_str(), info.st_mode & kPermissionBits) != 0) {
    EndRun(">> Cannot replace %s: %s, exiting\n", name_.c_str(), std::strerror(errno));
  }
  if (std::rename(writtenPath_.c_str(), target_.c_str()) != 0) {
    EndRun(">> Cannot replace %s: %s, exiting\n", name_.c_str(), std::strerror(errno));
  }
  unfinished_->Keep();
}

}  // namespace wexmont
