#include "driver/run.h"

#include <new>

#include "driver/builder/track_builder.h"
#include "driver/command_line.h"
#include "driver/plan/make_plan.h"
#include "driver/read/input_checks.h"
#include "driver/read/read_project.h"
#include "driver/report/check_report.h"
#include "driver/report/cut_sheet.h"
#include "driver/report/folder_check.h"
#include "foundation/console.h"
#include "foundation/folder_lock.h"

namespace wexmont {
namespace {

constexpr const char* kBanner = "Wexmont - builds finished tracks from time-aligned takes";

// Reads and checks the project and makes its plan; prints the crossfade
// matrix. Nothing is written but the parameter template (and not even that
// for a check). Every refusal comes before the first output.
Plan PlanProject(const CommandLine& commandLine, MissingParameterFile whenMissing) {
  const ProjectInput input = ReadProject(ChooseOutputSuffix(commandLine), whenMissing);
  Plan plan = MakePlan(input);
  PrintCrossfadeMatrix(plan);
  return plan;
}

// Every check of a build, the folder's included, then the plan of every
// track; writes nothing.
void CheckProject(const CommandLine& commandLine) {
  Say("\n%s\n\n", kBanner);
  const Plan plan = PlanProject(commandLine, MissingParameterFile::kLeaveMissing);
  CheckFolderIsWritable(plan);
  ReportProjectCheck(plan);
}

// The checks of --check, then the cut sheet of the plan: the only file it
// writes, replaced whole.
void WriteSheetOfProject(const CommandLine& commandLine) {
  Say("\n%s\n\n", kBanner);
  const Plan plan = PlanProject(commandLine, MissingParameterFile::kLeaveMissing);
  CheckFolderIsWritable(plan);
  PrintPlanNotes(plan);
  WriteCutSheet(plan);
  Say("\nCut sheet written to %s: %zu track%s, %zu edit point%s.\n\n", kCutSheetFile,
      plan.tracks.size(), plan.tracks.size() == 1 ? "" : "s", plan.editCount,
      plan.editCount == 1 ? "" : "s");
}

// Every build uses the one temporary crossfade file of the folder, so two
// builds at once would blend into each other's crossfades. A run that writes
// holds the folder to itself from before its first write (the parameter
// template) to its end. Where the file system offers no lock, the run builds
// as it always has.
FolderLock HoldProjectFolder() {
  FolderLock lock = FolderLock::TryExclusive(".");
  if (lock.Result() == FolderLock::Outcome::kHeldElsewhere) {
    EndRun(">> Another build is running in this folder, exiting\n");
  }
  return lock;
}

void Run(const CommandLine& commandLine) {
  Say("\n%s\n\n", kBanner);
  const FolderLock folder = HoldProjectFolder();
  const Plan plan = PlanProject(commandLine, MissingParameterFile::kWriteTemplate);
  PrintPlanNotes(plan);
  BuildTracks(plan);
  Say("\n\nDone\n\n");
}

// The exit status of a run that was not stopped.
int RunAsAsked(int argc, char** argv) {
  const CommandLine commandLine = ReadCommandLine(argc, argv);
  switch (commandLine.mode) {
    case RunMode::kHelp:
      PrintUsage();
      return 0;
    case RunMode::kVersion:
      PrintVersion();
      return 0;
    case RunMode::kRefused:
      PrintRefusedOption(commandLine.refusedOption);
      return kUsageStatus;
    case RunMode::kCheck:
      CheckProject(commandLine);
      return 0;
    case RunMode::kSheet:
      WriteSheetOfProject(commandLine);
      return 0;
    case RunMode::kBuild:
      Run(commandLine);
      return 0;
  }
  return 0;
}

}  // namespace

int RunWexmont(int argc, char** argv) {
  try {
    return RunAsAsked(argc, argv);
  } catch (const RunStop&) {
    return 1;
  } catch (const std::bad_alloc&) {
    Say(">> Out of memory, exiting\n");
    return 1;
  }
}

}  // namespace wexmont
