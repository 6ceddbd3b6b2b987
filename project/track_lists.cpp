#include "project/track_lists.h"

#include <optional>

#include "foundation/console.h"
#include "project/text_file.h"

namespace wexmont {
namespace {

constexpr const char* kTrackListFile = "base.txt";
constexpr const char* kEditListFile = "points.txt";

void StoreName(NameTable& names, std::string_view name, size_t slotSize, const char* file,
               const char* what) {
  if (names.size() >= kNameSlots) {
    EndRun(">> %s holds more than %zu %s, exiting\n", file, kNameSlots, what);
  }
  if (name.size() >= slotSize) {
    EndRun(">> %s: name %zu is %zu bytes long, it must be shorter than %zu bytes, exiting\n", file,
           names.size() + 1, name.size(), slotSize);
  }
  names.emplace_back(name);
}

}  // namespace

void ReadTrackList(int32_t& count, NameTable& names, size_t slotSize) {
  const std::optional<std::string> text = ReadWholeFile(kTrackListFile, kListFileLimit);
  if (!text) {
    EndRun(">> Cannot find file %s that holds your base file names, exiting\n\n", kTrackListFile);
  }
  names.clear();
  Tokenizer lines(*text);
  while (const std::optional<std::string_view> name = lines.Next("\n")) {
    StoreName(names, *name, slotSize, kTrackListFile, "tracks");
  }
  count = static_cast<int32_t>(names.size());
}

void ReadEditList(int32_t& count, NameTable& takeNames, size_t slotSize, EditTimes& times) {
  const std::optional<std::string> text = ReadWholeFile(kEditListFile, kListFileLimit);
  if (!text) {
    EndRun(">> Cannot find file %s that holds your edits, exiting\n\n", kEditListFile);
  }
  takeNames.clear();
  // The time ends at a tab or a line feed, the take name at a line feed only:
  // the pairing follows the tab of each line.
  Tokenizer tokens(*text);
  while (const std::optional<std::string_view> time = tokens.Next("\t\n")) {
    const std::optional<std::string_view> take = tokens.Next("\n");
    if (!take) {
      EndRun(">> %s: edit %zu has a time but no take name, exiting\n", kEditListFile,
             takeNames.size() + 1);
    }
    StoreName(takeNames, *take, slotSize, kEditListFile, "edit points");
    times[takeNames.size() - 1] = ToFloat(*time);
  }
  count = static_cast<int32_t>(takeNames.size());
}

}  // namespace wexmont
