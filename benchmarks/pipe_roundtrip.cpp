// Round-trip time of pipe request 0 (the six status records) against the service's pipe server:
// median and 99th percentile over 10,000 requests, each on its own connection as the tray
// application makes them.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "benchmarks/simulated_root.h"
#include "platform/named_pipe.h"
#include "service/monitor/monitoring_threads.h"
#include "tests/support/idle_service_workers.h"

int main(int argc, char** argv) {
    const int requests = argc > 1 ? std::atoi(argv[1]) : 10'000;
    lmx::bench::SimulatedRoot root(0);
    lmx::testing::IdleServiceWorkers workers;
    dwsvc::ServiceRuntime runtime(workers);
    dwsvc::DriveActions actions;
    auto server = platform::pipes::PipeServer::create(lmx::kServicePipeName, dwsvc::servicePipeOptions());
    if (!server) {
        std::fprintf(stderr, "cannot create the pipe\n");
        return 1;
    }
    std::thread serving([&] { dwsvc::servePipe(runtime, *server, actions); });

    const auto request = lmx::makePipeRequest(lmx::kRequestStatusTable);
    std::vector<std::uint8_t> reply(6 * lmx::kPipeMessageSize);
    std::vector<double> microseconds;
    microseconds.reserve(static_cast<std::size_t>(requests));
    int failures = 0;
    for (int i = 0; i < requests; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const auto received = platform::pipes::callNamedPipe(
            lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply,
            lmx::kPipeWaitMilliseconds);
        const bool ok = received == reply.size();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (!ok) ++failures;
        microseconds.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
    }
    server->stop();
    serving.join();

    std::sort(microseconds.begin(), microseconds.end());
    const auto percentile = [&](double p) { return microseconds[static_cast<std::size_t>(p * (microseconds.size() - 1))]; };
    std::printf("pipe request 0 round trip over %d requests: median %.1f us, p99 %.1f us, max %.1f us, failures %d\n",
                requests, percentile(0.5), percentile(0.99), microseconds.back(), failures);
    return failures == 0 ? 0 : 1;
}
