// The benchmarks that run on the virtual clock: exchange cost, discovery and
// memory. The figures close with a table beside their targets.
#include <cstdio>

#include "bench/suites.h"
#include "tests/support/virtual_clock.h"

int main(int argc, char** argv) {
  // Millions of exchanges: each wait is counted, not kept.
  vemo::test::VirtualClock::onlyCount(true);
  vemo::bench::registerExchangeBenchmarks();
  vemo::bench::registerDiscoveryBenchmarks();
  vemo::bench::registerMemoryBenchmarks();
  vemo::bench::RecordingReporter reporter;
  vemo::bench::runBenchmarks(&argc, argv, reporter);

  int missed = vemo::bench::summariseExchanges(reporter);
  missed += vemo::bench::summariseDiscovery(reporter);
  missed += vemo::bench::summariseMemory(reporter);
  std::printf("\n%d target(s) missed%s\n", missed,
              reporter.anyErrors() ? "; some benchmarks FAILED (see ERROR lines above)" : "");
  return reporter.anyErrors() ? 1 : 0;
}
