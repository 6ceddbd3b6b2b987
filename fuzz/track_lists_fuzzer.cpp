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
static void CheckNames(int32_t count, const NameTable& names) {
  if (count != static_cast<int32_t>(names.size()) || names.size() > kNameSlots) {
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
    int32_t count = -1;
    NameTable names;
    ReadTrackList(count, names, kNameSlotBytes);
    CheckNames(count, names);
  } catch (const RunStop&) {
  }
  try {
    int32_t count = -1;
    NameTable takes;
    EditTimes times{};
    ReadEditList(count, takes, kNameSlotBytes, times);
    CheckNames(count, takes);
  } catch (const RunStop&) {
  }
  return 0;
}
