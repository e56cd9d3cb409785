// monswitch start|stop <service>: starts or stops an installed service through the service
// manager and waits until it runs or has stopped. Exit code 0 when done (also for the start of
// a running service), 2 for the stop of a service that does not run, 1 for any failure.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

#include "common/monswitch_exit_codes.h"
#include "common/product_version.h"
#include "platform/command_line.h"
#include "platform/service_manager.h"
#include "platform/service_start.h"
#include "platform/system_root.h"
#include "platform/version_record.h"
#include "platform/win_error.h"

LMX_DEFINE_VERSION_RECORD("LMX Duowatch Service Switch", LMX_PRODUCT_VERSION, LMX_LEGAL_COPYRIGHT);

namespace {

using lmx::monswitch::kAlreadyStopped;
using lmx::monswitch::kDone;
using lmx::monswitch::kFailed;
constexpr auto kStateTimeout = std::chrono::seconds(30);
constexpr auto kPollPause = std::chrono::milliseconds(100);

// Waits until the service reports `state`; false when it has not within the time-out.
bool waitForState(const std::string& name, std::uint32_t state) {
    const auto deadline = std::chrono::steady_clock::now() + kStateTimeout;
    for (;;) {
        if (platform::readServiceStatus(name).currentState == state) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollPause);
    }
}

int start(platform::ServiceHandle& service) {
    const auto& name = service.name();
    // The service runs as root in the system root: one another user owns or may write is refused
    // before the service is asked to start there.
    if (const std::string refusal = platform::systemRootRefusal(); !refusal.empty()) {
        std::printf("%s\n%s cannot be started.\n", refusal.c_str(), name.c_str());
        return kFailed;
    }
    const auto state = platform::readServiceStatus(name).currentState;
    if (state == platform::kServiceRunning) {
        std::printf("%s is running already.\n", name.c_str());
        return kDone;
    }
    if (state == platform::kServiceStopPending && !waitForState(name, platform::kServiceStopped)) {
        std::printf("%s did not finish stopping.\n", name.c_str());
        return kFailed;
    }
    if (!platform::startService(service) && platform::lastError() != platform::kErrorServiceAlreadyRunning) {
        std::printf("%s could not be started (%u).\n", name.c_str(), platform::lastError());
        return kFailed;
    }
    if (!waitForState(name, platform::kServiceRunning)) {
        std::printf("%s did not report running in time.\n", name.c_str());
        return kFailed;
    }
    std::printf("%s started.\n", name.c_str());
    return kDone;
}

int stop(platform::ServiceHandle& service) {
    const auto& name = service.name();
    auto state = platform::readServiceStatus(name).currentState;
    if (state == platform::kServiceStopped) {
        std::printf("%s is not running.\n", name.c_str());
        return kAlreadyStopped;
    }
    // A service that is still starting takes no stop yet.
    if (state == platform::kServiceStartPending) waitForState(name, platform::kServiceRunning);
    if (state != platform::kServiceStopPending) {
        platform::ServiceStatus status;
        if (!platform::stopService(service, status)) {
            if (platform::lastError() == platform::kErrorServiceNotActive) {
                std::printf("%s is not running.\n", name.c_str());
                return kAlreadyStopped;
            }
            std::printf("%s could not be stopped (%u).\n", name.c_str(), platform::lastError());
            return kFailed;
        }
    }
    if (!waitForState(name, platform::kServiceStopped)) {
        std::printf("%s did not report stopped in time.\n", name.c_str());
        return kFailed;
    }
    std::printf("%s stopped.\n", name.c_str());
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    const platform::Utf8CommandLine utf8(argc, argv);
    const std::string_view verb = argc > 1 ? argv[1] : "";
    if (argc != 3 || (verb != "start" && verb != "stop")) {
        std::printf("Usage: monswitch start|stop <service name>\n");
        return kFailed;
    }
    auto manager = platform::ServiceManager::open();
    if (!manager) {
        std::printf("The service manager cannot be opened (%u).\n", platform::lastError());
        return kFailed;
    }
    auto service = manager->openService(argv[2]);
    if (!service) {
        std::printf("%s is not installed (%u).\n", argv[2], platform::lastError());
        return kFailed;
    }
    return verb == "start" ? start(*service) : stop(*service);
}
