// What the command line asks for. An option counts only as the single
// argument; any other single argument is the output suffix, and two or more
// arguments are ignored.
#pragma once

namespace wexmont {

enum class RunMode {
  kBuild,    // build every track (the single argument, if any, is the suffix)
  kCheck,    // --check: every check of a build, then the plan; writes nothing
  kSheet,    // --sheet: the checks of --check, then the cut sheet of the plan
  kHelp,     // --help or -h
  kVersion,  // --version
};

RunMode RunModeOf(int argc, char** argv);

// The usage text of --help.
void PrintUsage();

// "wexmont" and the version, one line.
void PrintVersion();

}  // namespace wexmont
