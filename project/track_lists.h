// The track list "base.txt" and the edit list "points.txt".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "project/edit_time.h"

namespace wexmont {

constexpr size_t kNameSlots = 1024;     // tracks, and edit points
constexpr size_t kNameSlotBytes = 128;  // a name and its terminating NUL
constexpr size_t kListFileLimit = 32768;
constexpr const char* kTrackListFile = "base.txt";
constexpr const char* kEditListFile = "points.txt";

// One edit point of the edit list.
struct EditPoint {
  EditTime time;
  std::string timeText;  // the time as typed, without the spaces around it
  std::string take;
  size_t line = 0;  // of points.txt, counted from 1
};

// The base names of "base.txt", one per non-empty line, byte for byte (a
// line may end in CR LF).
std::vector<std::string> ReadTrackList();

// The edit points of "points.txt": per line a time (see ParseEditTime), a tab,
// and the take name (the rest of the line, blanks at its end left out). A
// line as an editor exports a label (start, tab, end, tab, name) is an edit
// point at its start. Blank lines, comments (# first) and the frequency lines
// of spectral labels (\ first) are skipped; a line without a tab, a take name
// or a time is refused with its line number.
std::vector<EditPoint> ReadEditList();

}  // namespace wexmont
