#include "service/monitor/monitoring_threads.h"

#include <cstdio>

#include "common/pipe_request.h"
#include "platform/sessions.h"
#include "platform/sync_event.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "service/monitor/patrol.h"

namespace dwsvc {

namespace {

constexpr std::uint32_t kNotifierSettleMilliseconds = 1000;

class ServerReply final : public PipeReply {
public:
    explicit ServerReply(platform::pipes::PipeServer& server) : server_(server) {}
    bool writeAndFlush(const void* data, std::uint32_t size) override {
        std::size_t written = 0;
        const bool ok = server_.write({static_cast<const std::uint8_t*>(data), size}, written) && written == size;
        return server_.flush() && ok;
    }

private:
    platform::pipes::PipeServer& server_;
};

}  // namespace

void servePipe(ServiceRuntime& runtime, platform::pipes::PipeServer& server, ControllerActions& actions) {
    while (server.connect()) {
        lmx::PipeRequest request{};
        std::size_t received = 0;
        auto* bytes = reinterpret_cast<std::uint8_t*>(&request);
        // A request that does not arrive whole within the pipe's time-out is dropped unread, so
        // a client that connects and stays silent cannot hold the service.
        if (server.read({bytes, sizeof request}, received, lmx::kPipeTimeOutMilliseconds)) {
            ServerReply reply(server);
            handlePipeRequest(runtime, request, reply, actions);
        } else {
            char line[80];
            std::snprintf(line, sizeof line, "Pipe request dropped: %zu of %zu bytes arrived.\n", received, sizeof request);
            platform::debugOutput(line);
        }
        server.disconnect();
    }
}

bool requestPatrolStart(int physicalNumber) {
    const auto request = lmx::makePipeRequest(lmx::kRequestStartVerify, static_cast<std::uint8_t>(physicalNumber));
    return platform::pipes::callNamedPipe(lmx::kServicePipeName,
                                          {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, {},
                                          lmx::kPipeWaitMilliseconds)
        .has_value();
}

std::uint32_t findActiveSession() {
    const auto sessions = platform::sessions::enumerateSessions();
    if (!sessions) return platform::sessions::kServicesSessionId;
    std::optional<std::uint32_t> active;
    for (const auto& session : *sessions) {
        std::printf("Session Id: %u\n", session.sessionId);
        std::printf("WinStation: %s\n", session.winStationName.c_str());
        std::printf("State: %u\n", session.state);
        if (!active && session.state == platform::sessions::kWtsActive) active = session.sessionId;
    }
    std::fflush(stdout);
    return active.value_or(platform::sessions::kServicesSessionId);
}

MonitoringThreads::MonitoringThreads() = default;

MonitoringThreads::~MonitoringThreads() {
    if (pipeServer_) pipeServer_->stop();
    for (auto* thread : {&pipeThread_, &patrolThread_, &pollingThread_}) {
        if (thread->joinable()) thread->join();
    }
}

void MonitoringThreads::startPipeServer(ServiceRuntime& runtime) {
    pipeServer_ = platform::pipes::PipeServer::create(lmx::kServicePipeName);
    if (!pipeServer_) {
        char line[64];
        std::snprintf(line, sizeof line, "Create pipe failed. error=0x%04X.\n", platform::lastError());
        platform::debugOutput(line);
        return;
    }
    pipeThread_ = std::thread([this, &runtime] { servePipe(runtime, *pipeServer_, actions_); });
}

void MonitoringThreads::startPatrolThread(ServiceRuntime& runtime) {
    patrolThread_ = std::thread([&runtime] { runPatrolThread(runtime, requestPatrolStart); });
}

void MonitoringThreads::startPollingThread(ServiceRuntime& runtime) {
    pollingThread_ = std::thread([this, &runtime] { runPollingThread(runtime, poller_); });
}

void MonitoringThreads::stopAll(ServiceRuntime& runtime) {
    runtime.stopEvent.set();
    if (pipeServer_) pipeServer_->stop();
    for (auto* thread : {&pipeThread_, &patrolThread_, &pollingThread_}) {
        if (thread->joinable()) thread->join();
    }
}

bool MonitoringThreads::launchNotifier(std::string_view word) {
    const std::string program = platform::programFolder() + "traysignal";
    if (!platform::sessions::launchInSession(findActiveSession(), program, word)) {
        std::printf("CreateProcessAsUser Error (%u)...\n", platform::lastError());
        std::fflush(stdout);
        platform::debugOutput("CreateProcessAsUser Error");
        return false;
    }
    // Gives the notifier its moment before the handler reports again.
    platform::sleepMilliseconds(kNotifierSettleMilliseconds);
    return true;
}

}  // namespace dwsvc
