#include "driver/run.h"
#include "foundation/unfinished_files.h"

int main(int argc, char** argv) {
  wexmont::RemoveUnfinishedFilesOnStopSignals();
  wexmont::IgnoreSignalsOfFailedWrites();
  return wexmont::RunWexmont(argc, argv);
}
