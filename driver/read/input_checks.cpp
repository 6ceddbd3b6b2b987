#include "driver/read/input_checks.h"

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "driver/command_line.h"
#include "driver/plan/build_plan.h"
#include "foundation/console.h"
#include "foundation/replacement_file.h"
#include "foundation/visible_text.h"
#include "xfade/crossfade.h"

namespace wexmont {
namespace {

// The files a run reads besides the takes.
constexpr std::array<const char*, 3> kProjectFiles = {"base.txt", "points.txt", "wexmontrc.txt"};

// True when `fileName` is the take file of some track and some edit point.
bool IsTakeFileName(const ProjectInput& input, const std::set<std::string>& takeNames,
                    const std::string& fileName) {
  static constexpr std::string_view kExtension = ".wav";
  if (!fileName.ends_with(kExtension)) {
    return false;
  }
  for (const std::string& baseName : input.baseNames) {
    if (fileName.size() >= baseName.size() + kExtension.size() && fileName.starts_with(baseName)) {
      const size_t takeLength = fileName.size() - baseName.size() - kExtension.size();
      if (takeNames.contains(fileName.substr(baseName.size(), takeLength))) {
        return true;
      }
    }
  }
  return false;
}

void CheckTakeFileNames(const ProjectInput& input, const std::set<std::string>& takeNames) {
  for (const std::string& baseName : input.baseNames) {
    for (const std::string& takeName : takeNames) {
      const std::string fileName = TakeFileName(baseName, takeName);
      if (fileName.size() >= kFileNameBytes) {
        EndRun(
            ">> Take file name %s is %zu bytes long, it must be shorter than %zu bytes, "
            "exiting\n",
            VisibleText(fileName).c_str(), fileName.size(), kFileNameBytes);
      }
    }
  }
  if (IsTakeFileName(input, takeNames, kTemporaryCrossfadeFile)) {
    EndRun(">> A take has the name of the temporary crossfade file %s, exiting\n",
           kTemporaryCrossfadeFile);
  }
}

// Where a name leads, however it is spelled ("./xfade_temp.wav", a folder
// that links back here); the file need not exist.
std::string PlaceOf(const std::string& name) {
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  const std::filesystem::path place = std::filesystem::weakly_canonical(here / name, error);
  return error ? name : place.string();
}

using FileIdentity = std::pair<dev_t, ino_t>;

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    return std::nullopt;
  }
  return std::make_pair(info.st_dev, info.st_ino);
}

}  // namespace

std::string ChooseOutputSuffix(const CommandLine& commandLine) {
  if (!commandLine.ignored.empty()) {
    std::string ignored;
    for (const std::string& argument : commandLine.ignored) {
      ignored += ' ';
      ignored += VisibleText(argument);
    }
    Say(">> %zu arguments ignored (only a single one sets the suffix):%s\n",
        commandLine.ignored.size(), ignored.c_str());
  }
  const std::string& suffix = commandLine.suffix;
  if (suffix.size() > kSuffixMaxChars) {
    EndRun(">> The output suffix %s is %zu characters long, at most %zu are allowed, exiting\n",
           VisibleText(suffix).c_str(), suffix.size(), kSuffixMaxChars);
  }
  return suffix;
}

void CheckCrossfadeSettings(const ProjectInput& input) {
  for (size_t t = 0; t < input.baseNames.size(); ++t) {
    const CrossfadeChoice choice = input.crossfades.OfTrack(t);
    if (choice.type < kNoCrossfade || choice.type > kLastCurve) {
      EndRun(
          ">> wexmontrc.txt gives track %zu the crossfade type %d, the types are 0 to %d, "
          "exiting\n",
          t + 1, choice.type, kLastCurve);
    }
    if (!std::isfinite(choice.length.milliseconds)) {
      EndRun(">> wexmontrc.txt gives track %zu a crossfade length that is not a number, exiting\n",
             t + 1);
    }
  }
}

void FormOutputNames(ProjectInput& input) {
  std::set<std::string> takeNames;
  for (const EditPoint& edit : input.edits) {
    takeNames.insert(edit.take);
  }
  CheckTakeFileNames(input, takeNames);
  input.outputNames.clear();
  const std::string temporaryPlace = PlaceOf(kTemporaryCrossfadeFile);
  std::map<std::string, size_t> outputPlaces;  // place -> track number
  for (const std::string& baseName : input.baseNames) {
    const std::string output = baseName + input.outputSuffix;
    if (output.size() >= kNameSlotBytes) {
      EndRun(">> Output name %s is %zu bytes long, it must be shorter than %zu bytes, exiting\n",
             VisibleText(output).c_str(), output.size(), kNameSlotBytes);
    }
    for (const char* projectFile : kProjectFiles) {
      if (output == projectFile) {
        EndRun(">> Output %s would overwrite the project file of that name, exiting\n",
               VisibleText(output).c_str());
      }
    }
    const std::string place = PlaceOf(output);
    if (place == temporaryPlace) {
      EndRun(">> Output %s would be overwritten by the temporary crossfade file, exiting\n",
             VisibleText(output).c_str());
    }
    if (IsTakeFileName(input, takeNames, output)) {
      EndRun(">> Output %s would overwrite the take of that name, exiting\n",
             VisibleText(output).c_str());
    }
    // A second track writing the same file would leave only the last track built.
    const auto [earlier, isNew] = outputPlaces.emplace(place, input.outputNames.size() + 1);
    if (!isNew) {
      EndRun(">> Tracks %zu and %zu would both be built to %s, exiting\n", earlier->second,
             input.outputNames.size() + 1, VisibleText(output).c_str());
    }
    input.outputNames.push_back(output);
  }
  // Each output is built under its partial name, which must not be another output.
  for (const std::string& output : input.outputNames) {
    const auto other = outputPlaces.find(PlaceOf(PartialNameOf(output)));
    if (other != outputPlaces.end()) {
      EndRun(">> Output %s would be overwritten while %s is built, exiting\n",
             input.outputNames[other->second - 1].c_str(), output.c_str());
    }
  }
}

// The line before the fixed refusal names both lines and their times.
void CheckEditTimes(const ProjectInput& input) {
  if (!input.baseNames.empty() && input.edits.empty()) {
    EndRun(">> points.txt holds no edit points, exiting\n");
  }
  for (size_t k = 0; k + 1 < input.edits.size(); ++k) {
    const EditPoint& edit = input.edits[k];
    const EditPoint& next = input.edits[k + 1];
    if (CompareTypedTimes(edit.time, next.time).value_or(0) > 0) {
      Say(">> points.txt line %zu says %s, earlier than line %zu's %s\n", next.line,
          VisibleText(next.timeText).c_str(), edit.line, VisibleText(edit.timeText).c_str());
      EndRun(">> Edit %zu is out of sequence, exiting\n", k + 2);
    }
  }
  for (size_t k = 1; k < input.edits.size(); ++k) {
    if (IsNegative(input.edits[k].time)) {
      EndRun(">> points.txt line %zu: edit %zu has a negative time, exiting\n", input.edits[k].line,
             k + 1);
    }
  }
}

void RefuseOutputsThatAreInputs(const ProjectInput& input) {
  std::vector<std::pair<std::string, FileIdentity>> existing;
  for (const std::string& output : input.outputNames) {
    if (const auto identity = IdentityOf(output)) {
      existing.emplace_back(output, *identity);
    }
  }
  if (const auto identity = IdentityOf(kTemporaryCrossfadeFile)) {
    existing.emplace_back(kTemporaryCrossfadeFile, *identity);
  }
  if (existing.empty()) {
    return;  // nothing there yet: nothing to overwrite
  }
  std::map<FileIdentity, std::string> inputs;
  for (const char* projectFile : kProjectFiles) {
    if (const auto identity = IdentityOf(projectFile)) {
      inputs.emplace(*identity, projectFile);
    }
  }
  for (const std::string& baseName : input.baseNames) {
    for (const EditPoint& edit : input.edits) {
      const std::string take = TakeFileName(baseName, edit.take);
      if (const auto identity = IdentityOf(take)) {
        inputs.emplace(*identity, take);
      }
    }
  }
  for (const auto& [output, identity] : existing) {
    const auto input = inputs.find(identity);
    if (input != inputs.end()) {
      EndRun(">> Output %s is the input %s under another name, exiting\n",
             VisibleText(output).c_str(), VisibleText(input->second).c_str());
    }
  }
}

}  // namespace wexmont
