// The process snapshot the tray's worker takes once a second to find the service.

#include <benchmark/benchmark.h>

#include "platform/process_list.h"

namespace {

void BM_SnapshotProcesses(benchmark::State& state) {
    std::size_t listed = 0;
    for (auto _ : state) {
        const auto processes = platform::processes::snapshotProcesses();
        listed = processes ? processes->size() : 0;
        benchmark::DoNotOptimize(listed);
    }
    state.counters["processes"] = static_cast<double>(listed);
}
BENCHMARK(BM_SnapshotProcesses)->Unit(benchmark::kMicrosecond);

}  // namespace
