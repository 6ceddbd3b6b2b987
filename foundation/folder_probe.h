// Trying out, without leaving anything behind, whether files can be created
// and replaced where a run would write them.
#pragma once

#include <string>

namespace wexmont {

// kNoFileError (0) when a new file can be created in `folder` and removed
// again (which is also what renaming a file over another there needs), else
// the system's reason (an errno value). A uniquely named empty file is
// created and removed at once; a run stopped in between removes it too.
int ProbeFileCreation(const std::string& folder);

// kNoFileError when the existing file at `path` may be written by this
// process, else the system's reason.
int ProbeWriteAccess(const std::string& path);

// The folder a file is created in: "." for a bare name.
std::string FolderOf(const std::string& path);

}  // namespace wexmont
