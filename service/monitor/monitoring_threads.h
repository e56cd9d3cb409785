#pragma once
// The service's worker threads (pipe server, patrol, polling) and the notifier launch.

#include <memory>
#include <string_view>
#include <thread>

#include "platform/named_pipe.h"
#include "service/monitor/poll_cycle.h"
#include "service/monitor/pipe_requests.h"
#include "service/monitor/service_runtime.h"

namespace dwsvc {

class MonitoringThreads final : public ServiceWorkers {
public:
    MonitoringThreads();
    ~MonitoringThreads() override;

    void startPipeServer(ServiceRuntime& runtime) override;
    void startPatrolThread(ServiceRuntime& runtime) override;
    void startPollingThread(ServiceRuntime& runtime) override;
    void stopAll(ServiceRuntime& runtime) override;
    bool launchNotifier(std::string_view word) override;

private:
    DrivePoller poller_;
    DriveActions actions_;
    std::unique_ptr<platform::pipes::PipeServer> pipeServer_;
    std::thread pipeThread_;
    std::thread patrolThread_;
    std::thread pollingThread_;
};

// How the service's pipe reads its clients: 640-byte requests within the pipe's time-out.
platform::pipes::PipeServer::Options servicePipeOptions();
// The pipe server's loop: one whole request per connection, handled one at a time, until the
// server is stopped.
void servePipe(ServiceRuntime& runtime, platform::pipes::PipeServer& server, ControllerActions& actions);

// Sends the start-patrol request for drive n to the service's own pipe, once.
bool requestPatrolStart(int physicalNumber);

// findActiveSession: the first active session (printing each one), or session 0.
std::uint32_t findActiveSession();

}  // namespace dwsvc
