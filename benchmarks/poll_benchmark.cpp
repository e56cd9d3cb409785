// Cost of polling simulated controllers: one pollController, and one whole poll cycle over six.

#include <benchmark/benchmark.h>

#include "benchmarks/simulated_root.h"
#include "service/controller/status_queries.h"
#include "service/monitor/poll_cycle.h"
#include "tests/support/idle_service_workers.h"

namespace {

void PollOneSimulatedController(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(1);
    int ordinal = 0;
    bool clockSet = true;
    auto family = lmx::ControllerFamily::Zarkel;
    int polls = 0;
    for (auto _ : state) {
        lmx::ControllerStatusRecord record;
        lmx::clearRecord(record);
        controller::PollContext context{ordinal, true, clockSet, family};
        benchmark::DoNotOptimize(controller::pollController(0, record, context));
        if (++polls % 256 == 0) {
            state.PauseTiming();
            root.clearLogs(1);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(PollOneSimulatedController)->Unit(benchmark::kMicrosecond);

void PollCycleOverSixSimulatedControllers(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(6);
    lmx::testing::IdleServiceWorkers workers;
    dwsvc::ServiceRuntime runtime(workers);
    runtime.sendNotifyControl = [] {};
    runtime.temperatureSetting = 0x3C01;
    runtime.csvBasePath = (root.path() / "temp_log_bench").string();
    dwsvc::DrivePoller poller;
    dwsvc::pollCycle(runtime, poller);  // the first cycle finds and publishes the controllers
    int cycles = 0;
    for (auto _ : state) {
        dwsvc::pollCycle(runtime, poller);
        if (++cycles % 32 == 0) {
            state.PauseTiming();
            root.clearLogs(6);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(PollCycleOverSixSimulatedControllers)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
