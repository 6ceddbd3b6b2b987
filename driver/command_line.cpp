#include "driver/command_line.h"

#include <string_view>

#include "driver/version.h"
#include "foundation/console.h"

namespace wexmont {
namespace {

constexpr const char* kUsage =
    "Usage: wexmont [SUFFIX | --check | --sheet | --help | --version]\n"
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
    "  --check        runs every check of a build, prints the plan of every track\n"
    "                 and what is worth knowing before the build; writes nothing\n"
    "  --sheet        runs the same checks and writes the cut sheet of the plan,\n"
    "                 wexmont_sheet.html: every edit point to look at and listen to\n"
    "  -h, --help     prints this text\n"
    "  --version      prints the version\n"
    "\n"
    "An option counts only as the single argument.\n"
    "Exit status: 0 when the build or the check is complete, 1 after an error.\n";

}  // namespace

RunMode RunModeOf(int argc, char** argv) {
  if (argc != 2) {
    return RunMode::kBuild;
  }
  const std::string_view argument = argv[1];
  if (argument == "--check") {
    return RunMode::kCheck;
  }
  if (argument == "--sheet") {
    return RunMode::kSheet;
  }
  if (argument == "--help" || argument == "-h") {
    return RunMode::kHelp;
  }
  if (argument == "--version") {
    return RunMode::kVersion;
  }
  return RunMode::kBuild;
}

void PrintUsage() {
  Say("%s", kUsage);
}

void PrintVersion() {
  Say("wexmont %s\n", kWexmontVersion);
}

}  // namespace wexmont
