#include "fwup/core/single_instance.h"

#include "fwup/core/fwup_texts.h"
#include "platform/system_info.h"

namespace fwup {

std::string applicationName() {
    const auto program = platform::systemInfo().programPath();
    if (!program || program->stem().empty()) return std::string(kProgramName);
    return program->stem().string();
}

SingleInstance claimSingleInstance() {
    SingleInstance instance;
    instance.mutex = platform::NamedMutex::create(applicationName(), instance.alreadyRunning);
    return instance;
}

}  // namespace fwup
