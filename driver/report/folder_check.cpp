#include "driver/report/folder_check.h"

#include <sys/stat.h>

#include <map>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/folder_probe.h"
#include "foundation/replacement_file.h"
#include "foundation/visible_text.h"
#include "project/crossfade_params.h"

namespace wexmont {
namespace {

// Each folder is tried once.
class FolderProbes {
 public:
  int CreationError(const std::string& path) {
    const std::string folder = FolderOf(path);
    const auto known = errors_.find(folder);
    if (known != errors_.end()) {
      return known->second;
    }
    return errors_.emplace(folder, ProbeFileCreation(folder)).first->second;
  }

 private:
  std::map<std::string, int> errors_;
};

[[noreturn]] void RefuseCreation(const std::string& path, int error) {
  EndRun(">> Cannot create %s: %s, exiting\n", VisibleText(path).c_str(),
         FileErrorText(error).c_str());
}

// As the build replaces an output: a file there that is no regular file is
// written in place, a regular one must be writable, and the partial file
// must be creatable next to the file the name leads to.
void CheckOutput(const std::string& output, FolderProbes& probes) {
  const std::string partial = PartialNameOf(output);
  const std::string target = partial.substr(0, partial.size() - std::string(kPartialSuffix).size());
  struct stat info;
  if (::lstat(target.c_str(), &info) == 0) {
    if (const int error = ProbeWriteAccess(target)) {
      RefuseCreation(output, error);
    }
    if (!S_ISREG(info.st_mode)) {
      return;
    }
  }
  if (const int error = probes.CreationError(partial)) {
    RefuseCreation(partial, error);
  }
}

// The temporary file is written in place, created when it is missing.
void CheckTemporaryFile(FolderProbes& probes) {
  struct stat info;
  const bool present = ::stat(kTemporaryCrossfadeFile, &info) == 0;
  const int error = present ? ProbeWriteAccess(kTemporaryCrossfadeFile)
                            : probes.CreationError(kTemporaryCrossfadeFile);
  if (error) {
    RefuseCreation(kTemporaryCrossfadeFile, error);
  }
}

}  // namespace

void CheckFolderIsWritable(const Plan& plan) {
  FolderProbes probes;
  if (plan.parameterFileMissing) {
    if (const int error = probes.CreationError(kParameterFile)) {
      EndRun(">> Cannot write the template %s: %s, exiting\n", kParameterFile,
             FileErrorText(error).c_str());
    }
  }
  if (plan.temporary.touched) {
    CheckTemporaryFile(probes);
  }
  for (const TrackPlan& track : plan.tracks) {
    CheckOutput(track.outputName, probes);
  }
}

}  // namespace wexmont
