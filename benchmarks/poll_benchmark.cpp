// Cost of polling simulated controllers: one pollController, and one whole poll cycle over six.

#include <benchmark/benchmark.h>

#include "benchmarks/canned_drives.h"
#include "benchmarks/simulated_root.h"
#include "common/ata_command_builder.h"
#include "simulator/simulated_drive.h"
#include "service/controller/ata_transport.h"
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

// The service's own cost of a cycle over six controllers: the drives answer from memory what
// the simulator answered in the first cycle, so nothing changes and nothing is published.
// `alarm` 1 turns the temperature alarm on, which adds a CSV line per controller and cycle.
void PollCycleOverSixCannedControllers(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(6);
    lmx::bench::CannedDrives drives;
    lmx::testing::IdleServiceWorkers workers;
    dwsvc::ServiceRuntime runtime(workers);
    runtime.sendNotifyControl = [] {};
    runtime.temperatureSetting = state.range(0) ? 0x3C01 : 0x3C00;
    runtime.csvBasePath = (root.path() / "temp_log_bench").string();
    dwsvc::DrivePoller poller;
    dwsvc::pollCycle(runtime, poller);  // finds and publishes the controllers, recording the answers
    dwsvc::pollCycle(runtime, poller);  // a cycle in which nothing changes, recorded too
    drives.replay();
    for (auto _ : state) dwsvc::pollCycle(runtime, poller);
    state.counters["answers"] = static_cast<double>(drives.recordedAnswers());
}
BENCHMARK(PollCycleOverSixCannedControllers)->ArgName("alarm")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// What the simulator spends on one request, file reading, writing and logging included.
void SimulatorCommand(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(1);
    std::uint32_t error = 0;
    auto drive = simulator::openSimulatedDrive(simulator::driveFilePath(root.path(), 0), error);
    // IDENTIFY DEVICE by the SCSI route, as the service sends it.
    lmx::AtaPassThroughDirect identify{};
    identify.AtaFlags = lmx::kAtaFlagsDrdyRequired | lmx::kAtaFlagsDataIn;
    identify.DataTransferLength = 512;
    identify.CurrentTaskFile[lmx::kTaskCommand] = 0xEC;
    lmx::ScsiPassThroughRequest request{};
    const auto sizes = *lmx::buildSatRequest(identify, nullptr, request);
    int commands = 0;
    for (auto _ : state) {
        auto copy = request;
        std::uint32_t returned = 0;
        benchmark::DoNotOptimize(drive->ioControl(lmx::kIoctlScsiPassThrough, &copy, sizes.in, &copy, sizes.out, returned, error));
        if (++commands % 256 == 0) {
            state.PauseTiming();
            root.clearLogs(1);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(SimulatorCommand)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
