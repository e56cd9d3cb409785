#pragma once
// The service control manager: installed services live where the platform keeps them, under
// SYSTEM\CurrentControlSet\Services\<name> in the registry. On a machine run by systemd, with
// the default system root, installing also writes and enables a systemd unit.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/service_types.h"

namespace platform {

inline constexpr std::string_view kServicesKeyPath = "SYSTEM\\CurrentControlSet\\Services\\";
// The value of a service's key that makes it an installed service (written last at install).
inline constexpr std::string_view kServiceTypeValue = "Type";

struct ServiceConfig {
    std::string name;
    std::string displayName;
    std::uint32_t serviceType = kServiceWin32OwnProcess;
    std::uint32_t startType = kServiceAutoStart;
    std::uint32_t errorControl = kServiceErrorNormal;
    std::string imagePath;
    std::string account = "LocalSystem";
};

class ServiceHandle {
public:
    const std::string& name() const { return name_; }
    // DeleteService: removes the service's key (and its systemd unit).
    bool remove();
    // ChangeServiceConfig2A with SERVICE_CONFIG_DESCRIPTION.
    bool setDescription(std::string_view description);
    // ControlService: delivers a control code to the running service and returns once its
    // handler has run (1053 when it has not within 30 s; 1061 once the service is stopping).
    bool control(std::uint32_t code, ServiceStatus& status);
    // QueryServiceStatus.
    bool queryStatus(ServiceStatus& status) const;

private:
    friend class ServiceManager;
    explicit ServiceHandle(std::string name) : name_(std::move(name)) {}
    std::string name_;
};

class ServiceManager {
public:
    // OpenSCManagerA with full access: fails with 5 when this user may not change services.
    static std::optional<ServiceManager> open();
    // CreateServiceA: fails with 1073 when the service exists.
    std::optional<ServiceHandle> createService(const ServiceConfig& config);
    // OpenServiceA: fails with 1060 when no such service is installed.
    std::optional<ServiceHandle> openService(std::string_view name);

private:
    ServiceManager() = default;
};

// The status last reported by the service's process, or SERVICE_STOPPED when no process of it
// runs. Readable by any process (monswitch, tests).
ServiceStatus readServiceStatus(std::string_view name);

}  // namespace platform
