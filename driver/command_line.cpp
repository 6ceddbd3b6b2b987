#include "driver/command_line.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "driver/read/project_input.h"
#include "driver/version.h"
#include "foundation/console.h"
#include "foundation/visible_text.h"

namespace wexmont {
namespace {

constexpr const char* kUsageLine =
    "Usage: wexmont [--check | --sheet] [--] [SUFFIX] | --help | --version\n";

constexpr const char* kUsageBody =
    "\n"
    "Builds one WAV file per track from time-aligned takes. The project is the\n"
    "current folder:\n"
    "  base.txt       the tracks: one base name per line\n"
    "  points.txt     the edits: per line a time (seconds, m:ss or h:mm:ss), a tab\n"
    "                 and a take name; the take of a track is\n"
    "                 <base name><take name>.wav\n"
    "  wexmontrc.txt  the crossfades: xf_all LENGTH TYPE, xf_tr TRACK LENGTH TYPE\n"
    "                 (tab-separated, milliseconds, types 0 to 4); a template is\n"
    "                 written when it is missing\n"
    "\n"
    "  SUFFIX         replaces the output suffix _bld.wav (drums_bld.wav)\n"
    "  --check        runs every check of a build to SUFFIX, prints the plan of\n"
    "                 every track and what is worth knowing before the build;\n"
    "                 writes nothing\n"
    "  --sheet        runs the same checks and writes the cut sheet of the plan,\n"
    "                 wexmont_sheet.html: every edit point to look at and listen to\n"
    "  -h, --help     prints this text\n"
    "  -V, --version  prints the version\n"
    "  --             ends the options: what follows is the suffix (-- --odd)\n"
    "\n"
    "Options may stand anywhere. Exactly one other argument is the suffix; with\n"
    "two or more the default suffix is used and they are ignored.\n"
    "Exit status: 0 when the build or the check is complete, 1 after an error,\n"
    "2 for an unknown option.\n";

constexpr std::string_view kEndOfOptions = "--";

// An option's name without its dashes: a typo, never a suffix.
constexpr std::array<std::string_view, 4> kBareOptionNames = {"help", "check", "sheet", "version"};

std::optional<RunMode> OptionMode(std::string_view argument) {
  if (argument == "--check") {
    return RunMode::kCheck;
  }
  if (argument == "--sheet") {
    return RunMode::kSheet;
  }
  if (argument == "--help" || argument == "-h") {
    return RunMode::kHelp;
  }
  if (argument == "--version" || argument == "-V") {
    return RunMode::kVersion;
  }
  return std::nullopt;
}

bool LooksLikeOption(std::string_view argument) {
  constexpr size_t kShortOptionLength = 2;  // "-v"
  return argument.starts_with("--") ||
         (argument.size() == kShortOptionLength && argument[0] == '-') ||
         std::find(kBareOptionNames.begin(), kBareOptionNames.end(), argument) !=
             kBareOptionNames.end();
}

// The mode of several options: the one that writes least.
RunMode Stronger(RunMode a, RunMode b) {
  constexpr std::array<RunMode, 5> kOrder = {RunMode::kHelp, RunMode::kVersion, RunMode::kCheck,
                                             RunMode::kSheet, RunMode::kBuild};
  const auto rank = [&](RunMode mode) { return std::find(kOrder.begin(), kOrder.end(), mode); };
  return rank(a) < rank(b) ? a : b;
}

}  // namespace

CommandLine ReadCommandLine(int argc, char** argv) {
  CommandLine line;
  std::vector<std::string> remaining;
  bool optionsEnded = false;
  for (int k = 1; k < argc; ++k) {
    const std::string_view argument = argv[k];
    if (optionsEnded) {
      remaining.emplace_back(argument);
    } else if (argument == kEndOfOptions) {
      optionsEnded = true;
    } else if (const std::optional<RunMode> mode = OptionMode(argument)) {
      line.mode = Stronger(line.mode, *mode);
    } else if (LooksLikeOption(argument)) {
      line.mode = RunMode::kRefused;
      line.refusedOption = argument;
      return line;
    } else {
      remaining.emplace_back(argument);
    }
  }
  if (remaining.size() == 1) {
    line.suffix = remaining[0];
  } else {
    line.suffix = kDefaultOutputSuffix;
    if (remaining.size() > 1) {
      line.ignored = std::move(remaining);
    }
  }
  return line;
}

void PrintUsage() {
  Say("%s%s", kUsageLine, kUsageBody);
}

void PrintRefusedOption(const std::string& option) {
  Say(">> Unknown option %s (wexmont --help lists the options)\n%s", VisibleText(option).c_str(),
      kUsageLine);
}

void PrintVersion() {
  Say("wexmont %s\n", kWexmontVersion);
}

}  // namespace wexmont
