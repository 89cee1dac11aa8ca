// The benchmark program of the kernel foundation: the usual report followed
// by the ratios its files register (bench/support/RatioReporter.h).

#include "bench/support/RatioReporter.h"

int main(int argc, char** argv) {
  RunBenchmarksWithRatios(argc, argv);
  return 0;
}
