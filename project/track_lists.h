// The track list "base.txt" and the edit list "points.txt".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wexmont {

constexpr size_t kNameSlots = 1024;     // tracks, and edit points
constexpr size_t kNameSlotBytes = 128;  // a name and its terminating NUL
constexpr size_t kListFileLimit = 32768;

// Slot k holds the k-th name.
using NameTable = std::vector<std::string>;
using EditTimes = std::array<float, kNameSlots>;

// Reads the base names of "base.txt", one per non-empty line, byte for byte
// (a line may end in CR LF).
void ReadTrackList(int32_t& count, NameTable& names, size_t slotSize);

// Reads "points.txt": per line a time (see ParseEditTime), a tab, and the take
// name (the rest of the line, byte for byte). Blank lines are skipped; a line
// without a tab, a take name or a time is refused with its line number.
void ReadEditList(int32_t& count, NameTable& takeNames, size_t slotSize, EditTimes& times);

}  // namespace wexmont
