#include "driver/run.h"

#include <new>

#include "driver/builder/track_builder.h"
#include "driver/command_line.h"
#include "driver/plan/make_plan.h"
#include "driver/read/input_checks.h"
#include "driver/read/read_project.h"
#include "driver/report/check_report.h"
#include "driver/report/cut_sheet.h"
#include "foundation/console.h"
#include "foundation/folder_lock.h"

namespace wexmont {
namespace {

constexpr const char* kBanner = "Wexmont - builds finished tracks from time-aligned takes";

// Reads and checks the project and makes its plan; prints the crossfade
// matrix. Nothing is written but the parameter template (and not even that
// for a check). Every refusal comes before the first output.
Plan PlanProject(int argc, char** argv, MissingParameterFile whenMissing) {
  const ProjectInput input = ReadProject(ChooseOutputSuffix(argc, argv), whenMissing);
  Plan plan = MakePlan(input);
  PrintCrossfadeMatrix(plan);
  return plan;
}

// Every check of a build, then the plan of every track; writes nothing.
void CheckProject(int argc, char** argv) {
  Say("\n%s\n\n", kBanner);
  ReportProjectCheck(PlanProject(argc, argv, MissingParameterFile::kLeaveMissing));
}

// The checks of --check, then the cut sheet of the plan: the only file it
// writes, replaced whole.
void WriteSheetOfProject(int argc, char** argv) {
  Say("\n%s\n\n", kBanner);
  const Plan plan = PlanProject(argc, argv, MissingParameterFile::kLeaveMissing);
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

void Run(int argc, char** argv) {
  Say("\n%s\n\n", kBanner);
  const FolderLock folder = HoldProjectFolder();
  const Plan plan = PlanProject(argc, argv, MissingParameterFile::kWriteTemplate);
  PrintPlanNotes(plan);
  BuildTracks(plan);
  Say("\n\nDone\n\n");
}

void RunAsAsked(int argc, char** argv) {
  switch (RunModeOf(argc, argv)) {
    case RunMode::kHelp:
      PrintUsage();
      return;
    case RunMode::kVersion:
      PrintVersion();
      return;
    case RunMode::kCheck:
      CheckProject(argc, argv);
      return;
    case RunMode::kSheet:
      WriteSheetOfProject(argc, argv);
      return;
    case RunMode::kBuild:
      Run(argc, argv);
      return;
  }
}

}  // namespace

int RunWexmont(int argc, char** argv) {
  try {
    RunAsAsked(argc, argv);
    return 0;
  } catch (const RunStop&) {
    return 1;
  } catch (const std::bad_alloc&) {
    Say(">> Out of memory, exiting\n");
    return 1;
  }
}

}  // namespace wexmont
