#include "service/monitor/service_installer.h"

#include "platform/event_log.h"
#include "platform/service_manager.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "service/monitor/metrics_export.h"
#include "service/monitor/service_identity.h"

namespace dwsvc {

namespace {

constexpr std::size_t kMaxPath = 260;

// Services of systems before major version 6 shared the user's desktop and were made interactive.
std::uint32_t serviceTypeFor(std::optional<std::uint32_t> majorVersion) {
    if (!majorVersion || *majorVersion < 6) return platform::kServiceWin32OwnProcess | platform::kServiceInteractiveProcess;
    return platform::kServiceWin32OwnProcess;
}

}  // namespace

bool installService(std::FILE* out) {
    const auto path = platform::systemInfo().programPath();
    if (!path || path->string().size() >= kMaxPath) {
        std::fprintf(out, "\nCannot install service (%u)\n", path ? platform::kErrorInvalidParameter : platform::lastError());
        return false;
    }
    auto manager = platform::ServiceManager::open();
    if (!manager) {
        std::fprintf(out, "\nOpenSCManager failed (%u)\n", platform::lastError());
        return false;
    }
    const auto majorVersion = platform::systemInfo().osMajorVersion();
    if (majorVersion) {
        std::fprintf(out, "\nOperatingSystem MajorVersion=%u\n", *majorVersion);
    } else {
        std::fputs("\nOperatingSystem get version failed.\n", out);
    }
    platform::ServiceConfig config;
    config.name = kServiceName;
    config.displayName = kServiceDisplayName;
    config.serviceType = serviceTypeFor(majorVersion);
    config.startType = platform::kServiceAutoStart;
    config.errorControl = platform::kServiceErrorNormal;
    config.imagePath = path->string();
    auto service = manager->createService(config);
    if (!service) {
        std::fprintf(out, "\nCreateService failed (%u)\n", platform::lastError());
        return false;
    }
    service->setDescription(kServiceDescription);
    return true;
}

bool removeService(std::FILE* out) {
    // What the service wrote outside its own folders goes with it.
    removeMetricsFile(out);
    auto manager = platform::ServiceManager::open();
    if (!manager) {
        std::fprintf(out, "\nOpenSCManager failed (%u)\n", platform::lastError());
        return false;
    }
    auto service = manager->openService(kServiceName);
    if (!service) {
        std::fprintf(out, "\nOpenService failed (%u)\n", platform::lastError());
        return false;
    }
    if (!service->remove()) return false;
    platform::eventlog::removeSourceRegistration(kServiceName);
    return true;
}

}  // namespace dwsvc
