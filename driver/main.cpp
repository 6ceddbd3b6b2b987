#include "driver/run.h"

int main(int argc, char** argv) {
  return wexmont::RunWexmont(argc, argv);
}
