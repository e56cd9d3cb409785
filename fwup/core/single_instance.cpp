#include "fwup/core/single_instance.h"

#include "fwup/core/fwup_texts.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace fwup {

std::string applicationName() {
    const auto program = platform::systemInfo().programPath();
    if (!program || program->stem().empty()) return std::string(kProgramName);
    return program->stem().string();
}

std::string guardUnavailableText(std::uint32_t error) {
    return std::string(kGuardUnavailable) + " (" + std::to_string(error) + ")";
}

SingleInstance claimSingleInstance() {
    SingleInstance instance;
    instance.mutex = platform::NamedMutex::create(applicationName(), instance.alreadyRunning);
    if (!instance.mutex && !instance.alreadyRunning) {
        instance.unavailable = true;
        instance.error = platform::lastError();
    }
    return instance;
}

}  // namespace fwup
