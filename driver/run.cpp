#include "driver/run.h"

#include <new>

#include "driver/command_line.h"
#include "driver/edit_plan.h"
#include "driver/project_check_report.h"
#include "driver/project_checks.h"
#include "driver/run_tables.h"
#include "driver/take_check.h"
#include "driver/track_builder.h"
#include "foundation/console.h"
#include "foundation/folder_lock.h"

namespace wexmont {
namespace {

constexpr const char* kBanner = "Wexmont - builds finished tracks from time-aligned takes";

// Everything up to the crossfade matrix reads and checks; nothing is written
// but the parameter template (and not even that for a check). Every refusal
// comes before the first output. Returns true when the parameter file is
// missing.
bool ReadAndCheckProject(RunTables& run, int argc, char** argv, MissingParameterFile whenMissing) {
  run.outputSuffix = ChooseOutputSuffix(argc, argv);
  const bool parameterFileMissing =
      ReadCrossfadeParams(run.crossfadeType, run.crossfadeLength, run.defaultCrossfadeType,
                          run.defaultCrossfadeLength, whenMissing) != 0;
  run.cutMarkers = ReadCutMarkersSetting();
  ReadTrackList(run.trackCount, run.baseNames, kNameSlotBytes);
  ReadEditList(run.editCount, run.takeNames, kNameSlotBytes, run.editTimes);
  Say("Planning to build %i tracks", run.trackCount);
  Say(" using %i edit points.\n\n", run.editCount);
  SpreadDefaultCrossfade(run);
  CheckCrossfadeSettings(run);
  FormOutputNames(run);
  CheckEditOrder(run);
  CheckEditTimes(run);
  if (run.trackCount >= 1) {
    CheckTakes(run);
    RefuseOutputsThatAreInputs(run);
  }
  PlanEdits(run);
  return parameterFileMissing;
}

// Every check of a build, then the plan of every track; writes nothing.
void CheckProject(int argc, char** argv) {
  Say("\n%s\n\n", kBanner);
  RunTables run;
  const bool parameterFileMissing =
      ReadAndCheckProject(run, argc, argv, MissingParameterFile::kLeaveMissing);
  ReportProjectCheck(run, parameterFileMissing);
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
  RunTables run;
  ReadAndCheckProject(run, argc, argv, MissingParameterFile::kWriteTemplate);
  BuildTracks(run);
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
