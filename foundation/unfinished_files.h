// Files the run is in the middle of writing. When the run stops early (a
// refusal, a failed write, or SIGINT, SIGTERM, SIGHUP or SIGQUIT) they are removed, so
// that nothing half-written is left behind. Their names wait in fixed
// buffers, filled while the stop signals are held back, so that a signal
// handler can remove them with nothing but unlink.
#pragma once

#include <string>

namespace wexmont {

class UnfinishedFile {
 public:
  // Notes the file at `path` as unfinished. Ends the run when the name is
  // too long for any file.
  explicit UnfinishedFile(const std::string& path);
  // Removes the file, unless it was kept: this is how a refusal that
  // unwinds through the owner leaves no unfinished file behind.
  ~UnfinishedFile();
  UnfinishedFile(const UnfinishedFile&) = delete;
  UnfinishedFile& operator=(const UnfinishedFile&) = delete;

  // The file stays; from now on nothing removes it.
  void Keep();

 private:
  int slot_;
};

// From now on SIGINT, SIGTERM, SIGHUP and SIGQUIT remove every unfinished file, print
// one line and end the process as the signal does by default. A signal that
// was ignored when the process started (nohup, a background job) stays
// ignored. Only the program calls this: tests and fuzz targets that run a
// build in their own process keep their own signal handling.
void RemoveUnfinishedFilesOnStopSignals();

// From now on a write to a closed pipe (SIGPIPE) or past the file size limit
// (SIGXFSZ) fails with its reason (EPIPE, EFBIG) instead of ending the
// process: a build whose standard output was closed goes on to its end, and
// a file grown past the limit ends the run with a message like any failed
// write, removing its unfinished files. Only the program calls this.
void IgnoreSignalsOfFailedWrites();

}  // namespace wexmont
