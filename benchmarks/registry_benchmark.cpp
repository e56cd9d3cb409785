// A setting written to the registry (one transaction, and the copy other users read published
// after it), a controller's record published (its 14 values), and a setting read back.

#include <benchmark/benchmark.h>

#include "benchmarks/simulated_root.h"
#include "common/controller_status_record.h"
#include "service/monitor/settings_store.h"

namespace {

void BM_WriteSetting(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(0);
    dwsvc::writeDefaults(stdout);
    std::uint32_t value = 0;
    for (auto _ : state) dwsvc::writeSetting(dwsvc::kPopMsgSetting, ++value);
}
BENCHMARK(BM_WriteSetting)->Unit(benchmark::kMicrosecond);

void BM_PublishRecord(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(0);
    dwsvc::writeDefaults(stdout);
    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    record.present = 1;
    for (auto _ : state) {
        record.raidStatus = static_cast<std::uint8_t>((record.raidStatus + 1) & 3);
        dwsvc::publishRecord(record);
    }
}
BENCHMARK(BM_PublishRecord)->Unit(benchmark::kMicrosecond);

void BM_ReadSetting(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(0);
    dwsvc::writeDefaults(stdout);
    for (auto _ : state) benchmark::DoNotOptimize(dwsvc::readSetting(dwsvc::kIntervalSetting, 0));
}
BENCHMARK(BM_ReadSetting)->Unit(benchmark::kMicrosecond);

}  // namespace
