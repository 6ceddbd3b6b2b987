#include "project/track_lists.h"

#include <algorithm>
#include <optional>

#include "foundation/console.h"
#include "foundation/visible_text.h"
#include "project/text_file.h"

namespace wexmont {
namespace {

constexpr char kCommentMark = '#';
constexpr char kSpectralLabelMark = '\\';  // a label's frequency range
constexpr const char* kBlanks = " \t";

void RefuseOverfullList(size_t count, const char* file, const char* what) {
  if (count >= kNameSlots) {
    EndRun(">> %s holds more than %zu %s, exiting\n", file, kNameSlots, what);
  }
}

void RefuseLongName(std::string_view name, size_t lineNumber, const char* file) {
  if (name.size() >= kNameSlotBytes) {
    EndRun(
        ">> %s line %zu: the name is %zu bytes long, it must be shorter than %zu bytes, "
        "exiting\n",
        file, lineNumber, name.size(), kNameSlotBytes);
  }
}

[[noreturn]] void RefuseEditLine(size_t lineNumber, std::string_view text, const char* why) {
  EndRun(">> %s line %zu: \"%s\" %s, exiting\n", kEditListFile, lineNumber,
         VisibleText(text).c_str(), why);
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
  const size_t last = text.find_last_not_of(kBlanks);
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

EditTime TimeOfField(std::string_view field, size_t lineNumber) {
  const std::optional<EditTime> time = ParseEditTime(field);
  if (!time) {
    RefuseEditLine(lineNumber, TrimSpaces(field), "is not a time");
  }
  return *time;
}

// A label line: start, end and name. The end only has to be no earlier than
// the start.
bool ReadAsLabel(std::string_view line, size_t lineNumber, EditPoint& edit) {
  const size_t firstTab = line.find('\t');
  const size_t secondTab = line.find('\t', firstTab + 1);
  if (secondTab == std::string_view::npos) {
    return false;
  }
  const std::optional<EditTime> end =
      ParseEditTime(line.substr(firstTab + 1, secondTab - firstTab - 1));
  if (!end) {
    return false;
  }
  edit.time = TimeOfField(line.substr(0, firstTab), lineNumber);
  if (CompareTypedTimes(*end, edit.time).value_or(0) < 0) {
    RefuseEditLine(lineNumber, line, "ends before it starts");
  }
  edit.take = WithoutTrailingBlanks(line.substr(secondTab + 1));
  return true;
}

// One line that holds an edit point: the time before its first tab, the take
// name (byte for byte, blanks at its end left out) after it.
EditPoint ReadEditLine(std::string_view line, size_t lineNumber) {
  const size_t tab = line.find('\t');
  if (tab == std::string_view::npos) {
    RefuseEditLine(lineNumber, line, "has no tab between the time and the take name");
  }
  EditPoint edit;
  edit.line = lineNumber;
  edit.timeText = TrimSpaces(line.substr(0, tab));
  if (!ReadAsLabel(line, lineNumber, edit)) {
    edit.take = WithoutTrailingBlanks(line.substr(tab + 1));
    if (!edit.take.empty()) {
      edit.time = TimeOfField(line.substr(0, tab), lineNumber);
    }
  }
  if (edit.take.empty()) {
    RefuseEditLine(lineNumber, line, "has no take name after its tab");
  }
  RefuseLongName(edit.take, lineNumber, kEditListFile);
  return edit;
}

bool HoldsEditPoint(std::string_view line) {
  const size_t first = line.find_first_not_of(kBlanks);
  return first != std::string_view::npos && line[first] != kCommentMark &&
         line[0] != kSpectralLabelMark;
}

}  // namespace

std::vector<std::string> ReadTrackList() {
  const std::optional<std::string> file = ReadWholeFile(kTrackListFile, kListFileLimit);
  if (!file) {
    EndRun(">> Cannot find file %s that holds your base file names, exiting\n\n", kTrackListFile);
  }
  const std::string text = WithPlainLineEnds(*file);
  std::vector<std::string> names;
  Tokenizer lines(text);
  while (const std::optional<std::string_view> name = lines.Next("\n")) {
    RefuseOverfullList(names.size(), kTrackListFile, "tracks");
    RefuseLongName(*name, LineAt(text, lines.LastStart()), kTrackListFile);
    names.emplace_back(*name);
  }
  return names;
}

std::vector<EditPoint> ReadEditList() {
  const std::optional<std::string> file = ReadWholeFile(kEditListFile, kListFileLimit);
  if (!file) {
    EndRun(">> Cannot find file %s that holds your edits, exiting\n\n", kEditListFile);
  }
  const std::string text = WithPlainLineEnds(*file);
  std::vector<EditPoint> edits;
  size_t lineNumber = 0;
  for (size_t start = 0; start < text.size(); ++lineNumber) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = std::string_view(text).substr(start, end - start);
    start = end + 1;
    if (HoldsEditPoint(line)) {
      RefuseOverfullList(edits.size(), kEditListFile, "edit points");
      edits.push_back(ReadEditLine(line, lineNumber + 1));
    }
  }
  return edits;
}

}  // namespace wexmont
