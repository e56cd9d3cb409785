#include "platform/service_manager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/linux/process_runner.h"
#include "platform/linux/service_control_channel.h"
#include "platform/linux/service_status_file.h"
#include "platform/linux/systemd_unit.h"
#include "platform/registry.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform {

namespace {

std::string serviceKeyPath(std::string_view name) { return std::string(kServicesKeyPath) + std::string(name); }

// systemd speaks for the machine only when it runs and the stand-ins use the machine's root.
bool systemdManagesServices() {
    std::error_code error;
    return std::filesystem::exists("/run/systemd/system", error) && isDefaultSystemRoot();
}

// The unit `dwsvc install` writes when no package has installed one.
std::filesystem::path systemdUnitPath(std::string_view name) {
    return std::filesystem::path("/etc/systemd/system") / (std::string(name) + ".service");
}

// A unit the package installed: enabled as it is, rather than shadowed by a copy in /etc.
bool packagedUnitExists(std::string_view name) {
    std::error_code error;
    for (const char* folder : {"/lib/systemd/system", "/usr/lib/systemd/system"}) {
        if (std::filesystem::exists(std::filesystem::path(folder) / (std::string(name) + ".service"), error)) return true;
    }
    return false;
}

bool installSystemdUnit(const ServiceConfig& config) {
    if (!packagedUnitExists(config.name)) {
        const auto text = systemd::serviceUnitText(config.displayName, config.imagePath);
        if (!text) return false;
        std::ofstream unit(systemdUnitPath(config.name), std::ios::trunc);
        unit << *text;
        if (!unit.flush()) return false;
    }
    runProgram({"systemctl", "daemon-reload"});
    if (config.startType == kServiceAutoStart) return runProgram({"systemctl", "enable", config.name + ".service"}) == 0;
    return true;
}

void removeSystemdUnit(std::string_view name) {
    const std::string unit = std::string(name) + ".service";
    runProgram({"systemctl", "disable", unit});
    std::error_code error;
    std::filesystem::remove(systemdUnitPath(name), error);
    runProgram({"systemctl", "daemon-reload"});
}

bool serviceInstalled(std::string_view name) {
    registry::Key key;
    std::uint32_t type = 0;
    return registry::Key::open(serviceKeyPath(name), registry::kKeyRead, key) == kErrorSuccess &&
           key.queryDword(kServiceTypeValue, type) == kErrorSuccess;
}

// Root, or the user the system root belongs to (the service's user).
bool ownsSystemRoot() {
    if (::geteuid() == 0) return true;
    struct stat facts{};
    return ::stat(systemRootDirectory({}).c_str(), &facts) == 0 && facts.st_uid == ::geteuid();
}

// Controls wait this long for the service's handler, as the service control manager waits.
constexpr std::uint32_t kControlTimeoutMilliseconds = 30'000;

}  // namespace

std::optional<ServiceManager> ServiceManager::open() {
    // Full access means the right to change the services' keys.
    registry::Key key;
    const auto error = registry::Key::create(kServicesKeyPath, registry::kKeyAllAccess, key);
    // A registry that cannot be read or written (an I/O error, a read-only file system) does not
    // keep root or the root's owner from stopping a running service: the right is theirs.
    if (error != kErrorSuccess && error != kErrorAccessDenied && ownsSystemRoot()) return ServiceManager();
    if (error != kErrorSuccess) {
        setLastError(error);
        return std::nullopt;
    }
    return ServiceManager();
}

std::optional<ServiceHandle> ServiceManager::createService(const ServiceConfig& config) {
    if (serviceInstalled(config.name)) {
        setLastError(kErrorServiceExists);
        return std::nullopt;
    }
    registry::Key key;
    auto error = registry::Key::create(serviceKeyPath(config.name), registry::kKeyAllAccess, key);
    if (error == kErrorSuccess) error = key.setString("ImagePath", config.imagePath);
    if (error == kErrorSuccess) error = key.setString("DisplayName", config.displayName);
    if (error == kErrorSuccess) error = key.setDword("Start", config.startType);
    if (error == kErrorSuccess) error = key.setDword("ErrorControl", config.errorControl);
    if (error == kErrorSuccess) error = key.setString("ObjectName", config.account);
    // Type last: a key without it is not an installed service.
    if (error == kErrorSuccess) error = key.setDword(kServiceTypeValue, config.serviceType);
    if (error != kErrorSuccess) {
        setLastError(error);
        return std::nullopt;
    }
    if (systemdManagesServices() && !installSystemdUnit(config)) {
        registry::Key::deleteTree(serviceKeyPath(config.name));
        setLastError(kErrorAccessDenied);
        return std::nullopt;
    }
    return ServiceHandle(config.name);
}

std::optional<ServiceHandle> ServiceManager::openService(std::string_view name) {
    // A running service stays reachable, so that it can be stopped, even when its entry in the
    // registry was lost (a damaged registry is started afresh).
    if (!serviceInstalled(name) && !service_files::runningProcess(name)) {
        setLastError(kErrorServiceDoesNotExist);
        return std::nullopt;
    }
    return ServiceHandle(std::string(name));
}

bool ServiceHandle::remove() {
    if (!serviceInstalled(name_)) {
        setLastError(kErrorServiceDoesNotExist);
        return false;
    }
    if (systemdManagesServices()) removeSystemdUnit(name_);
    const auto error = registry::Key::deleteTree(serviceKeyPath(name_));
    if (error != kErrorSuccess) {
        setLastError(error);
        return false;
    }
    return true;
}

bool ServiceHandle::setDescription(std::string_view description) {
    registry::Key key;
    auto error = registry::Key::open(serviceKeyPath(name_), registry::kKeySetValue, key);
    if (error == kErrorSuccess) error = key.setString("Description", description);
    if (error != kErrorSuccess) setLastError(error);
    return error == kErrorSuccess;
}

bool ServiceHandle::queryStatus(ServiceStatus& status) const {
    status = readServiceStatus(name_);
    return true;
}

bool ServiceHandle::control(std::uint32_t code, ServiceStatus& status) {
    const auto pid = service_files::runningProcess(name_);
    status = readServiceStatus(name_);
    if (!pid || status.currentState == kServiceStopped) {
        setLastError(kErrorServiceNotActive);
        return false;
    }
    const bool userControl = code >= 128 && code <= 255;
    const bool accepted = userControl || code == kServiceControlInterrogate ||
                          (code == kServiceControlStop && (status.controlsAccepted & kServiceAcceptStop));
    if (!accepted) {
        setLastError(code == kServiceControlStop ? kErrorServiceCannotAcceptCtrl : kErrorInvalidServiceControl);
        return false;
    }
    // Returns once the service's handler has run (or the time limit has passed).
    const auto error = service_control::sendControl(name_, code, kControlTimeoutMilliseconds);
    status = readServiceStatus(name_);
    if (error != kErrorSuccess) {
        setLastError(error);
        return false;
    }
    return true;
}

ServiceStatus readServiceStatus(std::string_view name) {
    const auto pid = service_files::runningProcess(name);
    auto status = service_files::readStatus(name);
    if (pid && !status) {
        // A process that has not written its status yet is starting: a start waits for its
        // report, and so does a stop.
        if (service_files::statusMissing(name)) {
            ServiceStatus starting;
            starting.currentState = kServiceStartPending;
            starting.processId = static_cast<std::uint32_t>(*pid);
            return starting;
        }
        // A running process whose status file cannot be read (the root's file system fails)
        // still takes controls on its socket: it counts as running and taking the stop.
        ServiceStatus running;
        running.currentState = kServiceRunning;
        running.controlsAccepted = kServiceAcceptStop;
        running.processId = static_cast<std::uint32_t>(*pid);
        return running;
    }
    if (!pid || !status) return ServiceStatus{};
    ServiceStatus reported = *status;
    reported.processId = static_cast<std::uint32_t>(*pid);
    return reported;
}

}  // namespace platform
