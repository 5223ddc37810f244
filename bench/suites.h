// The suites of the virtual-clock benchmark program: each registers its
// benchmarks, then prints its figures beside the targets once all have run
// and returns how many targets were missed.
#pragma once

#include "bench/support/results.h"

namespace vemo::bench {

void registerExchangeBenchmarks();
int summariseExchanges(const RecordingReporter& results);

void registerDiscoveryBenchmarks();
int summariseDiscovery(const RecordingReporter& results);

void registerMemoryBenchmarks();
int summariseMemory(const RecordingReporter& results);

}  // namespace vemo::bench
