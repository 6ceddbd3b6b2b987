// A whole run on a fuzzed project, in a fresh folder per input. Piece 0 is
// base.txt, piece 1 points.txt, piece 2 wexmontrc.txt (a missing piece is a
// missing file); every later piece is one take: its file name up to the first
// line feed, its bytes after it. Inputs whose track list names a path
// outside the folder (a "/") are skipped, so that outputs stay inside it.
// Each project is checked with --check first, which must leave the folder as
// it was.
#include <cstdlib>
#include <filesystem>
#include <map>

#include "driver/run.h"
#include "foundation/byte_pack.h"
#include "fuzz/fuzz_support.h"

using namespace wexmont;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterWorkFolder();
  return 0;
}

static bool IsOutput(const std::string& name) {
  return name.ends_with("_bld.wav") || name == "xfade_temp.wav";
}

// The header's chunks lead to its data chunk, the last one: the file ends
// where the data size says and the RIFF size counts every byte after it. A
// carried bext chunk holds all of its fixed fields.
bool HoldsWhatItAnnounces(const std::string& bytes) {
  const auto field = [&](size_t at) {
    return Load32LE(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
  };
  if (bytes.size() < 44) {
    return false;
  }
  size_t at = 12;
  for (; at + 8 <= bytes.size() && bytes.compare(at, 4, "data") != 0;
       at += 8 + size_t{field(at + 4)} + field(at + 4) % 2) {
    if (bytes.compare(at, 4, "bext") == 0 && field(at + 4) < 602) {
      return false;
    }
  }
  return at + 8 <= bytes.size() && bytes.size() == at + 8 + field(at + 4) &&
         field(4) == bytes.size() - 8;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string_view> pieces = fuzz::SplitPieces(data, size);
  if (pieces[0].find('/') != std::string_view::npos) {
    return 0;
  }
  std::map<std::string, std::string> files;
  const char* projectFiles[] = {"base.txt", "points.txt", "wexmontrc.txt"};
  for (size_t k = 0; k < pieces.size(); ++k) {
    std::string name(k < 3 ? std::string_view(projectFiles[k])
                           : pieces[k].substr(0, pieces[k].find('\n')));
    const std::string_view bytes =
        k < 3 ? pieces[k] : pieces[k].substr(std::min(pieces[k].size(), name.size() + 1));
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos) {
      continue;
    }
    files[name] = bytes;
  }
  fs::create_directory("run");
  fs::current_path("run");
  for (auto it = files.begin(); it != files.end();) {
    it = fuzz::WriteBytes(it->first, it->second) ? std::next(it) : files.erase(it);
  }
  // A check writes nothing at all, and ends as the build does whenever the
  // project is refused.
  char program[] = "wexmont";
  char check[] = "--check";
  char* checkArgv[] = {program, check, nullptr};
  const int checkStatus = RunWexmont(2, checkArgv);
  for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    const auto input = files.find(name);
    if (input == files.end() || input->second != fuzz::ReadBytes(name)) {
      std::abort();
    }
  }
  char* argv[] = {program, nullptr};
  const int status = RunWexmont(1, argv);
  if (checkStatus == 1 && status == 0) {
    std::abort();
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    const std::string bytes = fuzz::ReadBytes(name);
    const auto input = files.find(name);
    const bool changed = input == files.end() || input->second != bytes;
    // No input is ever written to; every output a run leaves, also one that
    // stops early, is exactly as long as its header announces, and no
    // partial output outlives the run.
    if (changed && !IsOutput(name) && input != files.end()) {
      std::abort();
    }
    if (changed && name.ends_with(".partial")) {
      std::abort();
    }
    if (changed && name.ends_with("_bld.wav") && !HoldsWhatItAnnounces(bytes)) {
      std::abort();
    }
  }
  if (status != 0 && status != 1) {
    std::abort();
  }
  fs::current_path("..");
  fs::remove_all("run");
  return 0;
}
