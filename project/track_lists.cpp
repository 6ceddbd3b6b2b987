#include "project/track_lists.h"

#include <algorithm>
#include <optional>

#include "foundation/console.h"
#include "foundation/visible_text.h"
#include "project/edit_time.h"
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

[[noreturn]] void RefuseEditLine(size_t lineNumber, std::string_view text, const char* why) {
  EndRun(">> %s line %zu: \"%s\" %s, exiting\n", kEditListFile, lineNumber,
         VisibleText(text).c_str(), why);
}

// One line that is not blank: the time before its first tab, the take name
// (byte for byte) after it.
void ReadEditLine(std::string_view line, size_t lineNumber, NameTable& takeNames, size_t slotSize,
                  EditTimes& times) {
  const size_t tab = line.find('\t');
  if (tab == std::string_view::npos) {
    RefuseEditLine(lineNumber, line, "has no tab between the time and the take name");
  }
  const std::string_view takeName = line.substr(tab + 1);
  if (takeName.empty()) {
    RefuseEditLine(lineNumber, line, "has no take name after its tab");
  }
  const std::string_view field = TrimSpaces(line.substr(0, tab));
  const std::optional<float> time = ParseEditTime(field);
  if (!time) {
    RefuseEditLine(lineNumber, field, "is not a time");
  }
  StoreName(takeNames, takeName, slotSize, kEditListFile, "edit points");
  times[takeNames.size() - 1] = *time;
}

}  // namespace

void ReadTrackList(int32_t& count, NameTable& names, size_t slotSize) {
  const std::optional<std::string> file = ReadWholeFile(kTrackListFile, kListFileLimit);
  if (!file) {
    EndRun(">> Cannot find file %s that holds your base file names, exiting\n\n", kTrackListFile);
  }
  const std::string text = WithPlainLineEnds(*file);
  names.clear();
  Tokenizer lines(text);
  while (const std::optional<std::string_view> name = lines.Next("\n")) {
    StoreName(names, *name, slotSize, kTrackListFile, "tracks");
  }
  count = static_cast<int32_t>(names.size());
}

void ReadEditList(int32_t& count, NameTable& takeNames, size_t slotSize, EditTimes& times) {
  const std::optional<std::string> file = ReadWholeFile(kEditListFile, kListFileLimit);
  if (!file) {
    EndRun(">> Cannot find file %s that holds your edits, exiting\n\n", kEditListFile);
  }
  const std::string text = WithPlainLineEnds(*file);
  takeNames.clear();
  size_t lineNumber = 0;
  for (size_t start = 0; start < text.size(); ++lineNumber) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = std::string_view(text).substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t") != std::string_view::npos) {
      ReadEditLine(line, lineNumber + 1, takeNames, slotSize, times);
    }
  }
  count = static_cast<int32_t>(takeNames.size());
}

}  // namespace wexmont
