#include "foundation/folder_probe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/file_handle.h"
#include "foundation/unfinished_files.h"

namespace wexmont {
namespace {

constexpr mode_t kProbeMode = 0600;
constexpr int kProbeAttempts = 16;  // names taken by others are passed over

std::string ProbeName(const std::string& folder, int attempt) {
  std::string name = folder;
  name += "/.wexmont-probe-";
  name += std::to_string(::getpid());
  name += '-';
  name += std::to_string(attempt);
  return name;
}

}  // namespace

int ProbeFileCreation(const std::string& folder) {
  int error = EEXIST;
  for (int attempt = 0; attempt < kProbeAttempts && error == EEXIST; ++attempt) {
    const std::string name = ProbeName(folder, attempt);
    UnfinishedFile probe(name);  // removes it, also when a signal comes in between
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kProbeMode);
    if (fd < 0) {
      error = errno;
      probe.Keep();  // not ours: whatever stands there stays
      continue;
    }
    ::close(fd);
    error = kNoFileError;
  }
  return error;
}

int ProbeWriteAccess(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? kNoFileError : errno;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace wexmont
