// The track list and edit list readers. Piece 0 of the input is base.txt,
// piece 1 points.txt (missing when the input has no marker).
#include <cstdio>
#include <cstdlib>

#include "foundation/console.h"
#include "fuzz/fuzz_support.h"
#include "project/track_lists.h"

using namespace wexmont;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterWorkFolder();
  return 0;
}

// Every name the readers keep fits its slot and is not empty.
static void CheckNames(const std::vector<std::string>& names) {
  if (names.size() > kNameSlots) {
    std::abort();
  }
  for (const std::string& name : names) {
    if (name.empty() || name.size() >= kNameSlotBytes || name.find('\n') != std::string::npos) {
      std::abort();
    }
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string_view> pieces = fuzz::SplitPieces(data, size);
  fuzz::WriteBytes("base.txt", pieces[0]);
  std::remove("points.txt");
  if (pieces.size() > 1) {
    fuzz::WriteBytes("points.txt", pieces[1]);
  }
  try {
    CheckNames(ReadTrackList());
  } catch (const RunStop&) {
  }
  try {
    std::vector<std::string> takes;
    for (const EditPoint& edit : ReadEditList()) {
      // A take name never ends in a blank: blanks after it are not part of it.
      if (edit.take.ends_with(' ') || edit.take.ends_with('\t') || edit.line == 0) {
        std::abort();
      }
      takes.push_back(edit.take);
    }
    CheckNames(takes);
  } catch (const RunStop&) {
  }
  return 0;
}
