// What the command line asks for. Options are taken out of the argument list
// wherever they stand ("--" ends them); what remains follows the one rule:
// exactly one argument is the output suffix, none or several give the
// default suffix (and several are said to be ignored).
#pragma once

#include <string>
#include <vector>

namespace wexmont {

enum class RunMode {
  kBuild,    // build every track to the suffix
  kCheck,    // --check: every check of a build, then the plan; writes nothing
  kSheet,    // --sheet: the checks of --check, then the cut sheet of the plan
  kHelp,     // --help or -h
  kVersion,  // --version or -V
  kRefused,  // an option that is none: the usage line and status 2
};

// The status of a run refused for its command line.
constexpr int kUsageStatus = 2;

struct CommandLine {
  RunMode mode = RunMode::kBuild;
  std::string suffix;                // the single remaining argument, else the default
  std::vector<std::string> ignored;  // the remaining arguments when there are several
  std::string refusedOption;         // what made the mode kRefused
};

// The command line of argv[1] to argv[argc - 1]. Of several options the one
// that writes least wins: --help, then --version, then --check, then --sheet. Refused as
// options that are none: an argument of "--" and more that is no option
// (--chek), a dash and one character (-v, -x), and an option's name without
// its dashes standing alone (help, check, sheet, version); a longer argument with
// one dash (-v2.wav) is a suffix.
CommandLine ReadCommandLine(int argc, char** argv);

// The usage text of --help.
void PrintUsage();

// The message of a refused option, with the usage line.
void PrintRefusedOption(const std::string& option);

// "wexmont" and the version, one line.
void PrintVersion();

}  // namespace wexmont
