// The benchmark program of the kernel foundation: the usual report followed
// by the ratios of BenchRatios.h.

#include "bench/support/BenchRatios.h"

int main(int argc, char** argv) {
  RunBenchmarksWithRatios(argc, argv);
  return 0;
}
