#include "tests/support/project_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "foundation/byte_pack.h"
#include "wav/wav_header.h"

namespace wexmont::testing {

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool Exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

void WriteCanonicalTake(const std::string& path, uint32_t sampleRate, int32_t bitsPerSample,
                        int32_t channels, const std::vector<double>& samples, SampleKind kind) {
  const int32_t width = bitsPerSample / 8;
  const WavHeader header = BuildHeader({sampleRate, bitsPerSample, channels, kind},
                                       static_cast<int64_t>(samples.size()) / channels);
  std::string bytes(header.begin(), header.end());
  std::array<uint8_t, 8> sample{};  // room for the widest sample a test writes
  for (double value : samples) {
    if (kind == SampleKind::kFloat) {
      StoreFloatLE(sample.data(), static_cast<float>(value));
    } else {
      StoreSampleLE(sample.data(), static_cast<int32_t>(value), width);
    }
    bytes.append(reinterpret_cast<const char*>(sample.data()), static_cast<size_t>(width));
  }
  WriteFile(path, bytes);
}

InputSnapshot::InputSnapshot(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    contents_[path] = ReadFile(path);
  }
}

std::vector<std::string> InputSnapshot::Changed() const {
  std::vector<std::string> changed;
  for (const auto& [path, bytes] : contents_) {
    if (!Exists(path) || ReadFile(path) != bytes) {
      changed.push_back(path);
    }
  }
  return changed;
}

namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

}  // namespace

BinaryRun RunBinary(const std::string& folder, const std::vector<std::string>& arguments) {
  std::string command = "cd " + Quoted(folder) + " && " + Quoted(WEXMONT_BINARY);
  for (const std::string& argument : arguments) {
    command += ' ';
    command += Quoted(argument);
  }
  command += " 2>&1 </dev/null";
  BinaryRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return run;
  }
  std::array<char, 4096> buffer;
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    run.output.append(buffer.data(), got);
  }
  const int status = ::pclose(pipe);
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

BinaryRun CollectChild(int readEnd, int childPid) {
  BinaryRun run;
  char buffer[4096];
  for (ssize_t got; (got = ::read(readEnd, buffer, sizeof buffer)) > 0;) {
    run.output.append(buffer, static_cast<size_t>(got));
  }
  ::close(readEnd);
  int status = 0;
  ::waitpid(childPid, &status, 0);
  run.exitStatus = WIFEXITED(status)     ? WEXITSTATUS(status)
                   : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                         : -1;
  return run;
}

}  // namespace wexmont::testing
