// Writing project files and takes for a test, and proving afterwards that
// the run left every input byte for byte as it was.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "wav/sample_format.h"

namespace wexmont::testing {

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

// A take written by the project's own header writer (the plain 44-byte
// header where the format has one) followed by `samples` (interleaved,
// integers on the width's own scale).
void WriteCanonicalTake(const std::string& path, uint32_t sampleRate, int32_t bitsPerSample,
                        int32_t channels, const std::vector<double>& samples,
                        SampleKind kind = SampleKind::kInteger);

// The contents of a set of files, to compare before and after a run.
class InputSnapshot {
 public:
  explicit InputSnapshot(const std::vector<std::string>& paths);
  // The paths whose contents changed (or vanished) since the snapshot.
  std::vector<std::string> Changed() const;

 private:
  std::map<std::string, std::string> contents_;
};

// Result of a run of the real binary in a folder.
struct BinaryRun {
  int exitStatus = -1;
  std::string output;  // standard output and standard error, in order
};

BinaryRun RunBinary(const std::string& folder, const std::vector<std::string>& arguments = {});

// The output a child process writes into the pipe `readEnd` until it closes
// it, and its exit status once it ends (128 + the signal that ended it).
BinaryRun CollectChild(int readEnd, int childPid);

}  // namespace wexmont::testing
