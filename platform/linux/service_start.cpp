#include "platform/service_start.h"

#include <filesystem>
#include <string>

#include "platform/linux/detached_process.h"
#include "platform/linux/process_runner.h"
#include "platform/linux/service_output_log.h"
#include "platform/registry.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform {

namespace {

bool systemdKeepsServices() {
    std::error_code error;
    return std::filesystem::exists("/run/systemd/system", error) && isDefaultSystemRoot();
}

std::string unitOf(const ServiceHandle& service) { return service.name() + ".service"; }

}  // namespace

bool startService(const ServiceHandle& service) {
    if (readServiceStatus(service.name()).currentState != kServiceStopped) {
        setLastError(kErrorServiceAlreadyRunning);
        return false;
    }
    if (systemdKeepsServices()) {
        if (runProgram({"systemctl", "start", unitOf(service)}) == 0) return true;
        setLastError(kErrorAccessDenied);
        return false;
    }
    registry::Key key;
    std::string imagePath;
    auto error = registry::Key::open(std::string(kServicesKeyPath) + service.name(), registry::kKeyQueryValue, key);
    if (error == kErrorSuccess) error = key.queryString("ImagePath", imagePath);
    if (error != kErrorSuccess) {
        setLastError(error);
        return false;
    }
    // The program runs apart from the caller, in the system root, as the service manager's
    // child would; it inherits LMXDUOWATCH_ROOT with the rest of the environment. What it
    // prints goes to its log in the root, where systemd would have kept it in the journal.
    DetachedLaunch launch;
    launch.program = imagePath;
    launch.arguments = {imagePath};
    launch.workingFolder = systemRootDirectory("");
    const auto log = service_log::openLog(service_log::logPathFor(imagePath));
    launch.output = log.get();
    return startDetached(launch);
}

bool stopService(ServiceHandle& service, ServiceStatus& status) {
    if (systemdKeepsServices()) {
        status = readServiceStatus(service.name());
        if (status.currentState == kServiceStopped) {
            setLastError(kErrorServiceNotActive);
            return false;
        }
        if (runProgram({"systemctl", "stop", unitOf(service)}) == 0) return true;
        setLastError(kErrorAccessDenied);
        return false;
    }
    return service.control(kServiceControlStop, status);
}

}  // namespace platform
