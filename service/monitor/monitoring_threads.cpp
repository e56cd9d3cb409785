#include "service/monitor/monitoring_threads.h"

#include <cstdio>

#include "common/pipe_request.h"
#include "platform/client_identity.h"
#include "platform/sessions.h"
#include "platform/sync_event.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "service/monitor/patrol.h"
#include "service/monitor/pipe_access.h"

namespace dwsvc {

namespace {

constexpr std::uint32_t kNotifierSettleMilliseconds = 1000;

class ClientReply final : public PipeReply {
public:
    explicit ClientReply(platform::pipes::PipeServer::Client& client) : client_(client) {}
    bool write(const void* data, std::uint32_t size) override {
        std::size_t written = 0;
        return client_.write({static_cast<const std::uint8_t*>(data), size}, written) && written == size;
    }

private:
    platform::pipes::PipeServer::Client& client_;
};

void noteDroppedRequest(std::size_t bytesArrived) {
    char line[80];
    std::snprintf(line, sizeof line, "Pipe request dropped: %zu of %zu bytes arrived.\n", bytesArrived,
                  sizeof(lmx::PipeRequest));
    platform::debugOutput(line);
}

}  // namespace

platform::pipes::PipeServer::Options servicePipeOptions() {
    platform::pipes::PipeServer::Options options;
    options.requestSize = sizeof(lmx::PipeRequest);
    // A request that does not arrive whole within the pipe's time-out is dropped unread; clients
    // are read side by side, so one that stays silent holds up nobody else.
    options.requestTimeoutMilliseconds = lmx::kPipeTimeOutMilliseconds;
    options.onDropped = noteDroppedRequest;
    return options;
}

void servePipe(ServiceRuntime& runtime, platform::pipes::PipeServer& server, ControllerActions& actions) {
    lmx::PipeRequest request{};
    auto* bytes = reinterpret_cast<std::uint8_t*>(&request);
    RefusalLog refusals(platform::logAccessNotice);
    while (auto client = server.nextRequest({bytes, sizeof request})) {
        if (changesControllers(request.code)) {
            const auto caller = client->identity();
            if (!platform::mayAdministrate(caller, kAdministratorsGroup)) {
                // None of these requests has a reply: the connection closes without one.
                refusals.note(caller.userId, caller.processId, request.code);
                continue;
            }
        }
        ClientReply reply(*client);
        handlePipeRequest(runtime, request, reply, actions);
        // Closing the connection leaves the reply in the pipe for the client to read.
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
    pipeServer_ = platform::pipes::PipeServer::create(lmx::kServicePipeName, servicePipeOptions());
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
