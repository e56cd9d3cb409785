#include "service/monitor/command_line.h"

#include <charconv>
#include <cstring>

#include "common/ascii_text.h"
#include "platform/event_log.h"
#include "platform/registry.h"
#include "platform/service_dispatcher.h"
#include "platform/system_root.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"
#include "service/monitor/notification_area.h"
#include "service/monitor/service_identity.h"
#include "service/monitor/service_installer.h"
#include "service/monitor/service_main.h"
#include "service/monitor/settings_store.h"

namespace dwsvc {

namespace {

bool sameWord(const char* a, const char* b) { return lmx::equalIgnoringAsciiCase(a, b); }

// Root acts in the system root; one that another user owns or may write would let that user
// choose where root's databases go. False, with the reason printed, for such a root.
bool systemRootTrusted(std::FILE* out) {
    const std::string refusal = platform::systemRootRefusal();
    if (refusal.empty()) return true;
    std::fprintf(out, "\n%s\n", refusal.c_str());
    return false;
}

int runAsService(ServiceWorkers& workers) {
    // Nothing is written to a refused root, not even the event log: the reason goes to the
    // service's standard error (the journal under systemd).
    if (!systemRootTrusted(stderr)) return 1;
    ServiceRuntime runtime(workers);
    if (!platform::startServiceCtrlDispatcher(kServiceName, [&runtime] { serviceMain(runtime); })) {
        writeEvent("StartServiceCtrlDispatcher Error.", kEventStartupFailure, platform::eventlog::kErrorType);
        eventBacklog().close();
    }
    return 0;
}

bool install(std::FILE* out) {
    if (!systemRootTrusted(out) || !installService(out)) {
        std::fputs("\nError installing service!\n", out);
        return false;
    }
    writeDefaults(out);
    std::fputs("\nService installed sucessfully.\n", out);
    return true;
}

bool remove(std::FILE* out) {
    if (!systemRootTrusted(out) || !removeService(out)) {
        std::fputs("\nError uninstalling service!\n", out);
        return false;
    }
    platform::registry::Key::deleteTree(kServiceKeyPath);
    sweepNotificationArea();
    std::fputs("\nService uninstalled sucessfully.\n", out);
    return true;
}

void setInterval(const char* value, std::FILE* out) {
    const std::uint32_t setting = value ? intervalSettingForMinutes(value) : 0;
    if (setting == 0) {
        std::fputs("Error: Invalid value. Set fixed value.\n       dwsvc interval XX [1/5/10/30]", out);
        return;
    }
    if (!systemRootTrusted(out)) return;
    if (const auto error = storeSetting(kIntervalSetting, setting); error != platform::kErrorSuccess) {
        std::fprintf(out, "\nFailed to set check time interval (error %u).\n", error);
        return;
    }
    std::fputs("\nCheck time interval is set successfully.\n", out);
}

void setLanguage(const char* value, std::FILE* out) {
    std::uint32_t language = 0;
    if (value && sameWord(value, "en")) {
        language = lmx::kLanguageEnglish;
    } else if (value && sameWord(value, "jp")) {
        language = lmx::kLanguageJapanese;
    } else {
        std::fputs("Error: Invalid value Set correct value.\n       dwsvc language XX [en/jp]", out);
        return;
    }
    if (!systemRootTrusted(out)) return;
    if (const auto error = storeSetting(kLanguage, language); error != platform::kErrorSuccess) {
        std::fprintf(out, "\nFailed to set Language Value (error %u).\n", error);
        return;
    }
    std::fputs("\nLanguage Value is set successfully.\n", out);
}

}  // namespace

std::uint32_t intervalSettingForMinutes(const char* value) {
    // The whole argument must be a decimal number: "5x" is not taken for 5.
    int minutes = 0;
    const char* end = value + std::strlen(value);
    const auto [stop, error] = std::from_chars(value, end, minutes);
    if (error != std::errc() || stop != end) return 0;
    switch (minutes) {
        case 1: return 1;
        case 5: return 2;
        case 10: return 4;
        case 30: return 8;
        default: return 0;
    }
}

int runCommandLine(int argc, const char* const* argv, std::FILE* out, ServiceWorkers& workers) {
    if (argc < 2) return runAsService(workers);
    const char* command = argv[1];
    const char* value = argc > 2 ? argv[2] : nullptr;
    int exitCode = 0;
    if (sameWord(command, "install")) {
        exitCode = install(out) ? 0 : 1;
    } else if (sameWord(command, "delete")) {
        exitCode = remove(out) ? 0 : 1;
    } else if (sameWord(command, "interval")) {
        setInterval(value, out);
    } else if (sameWord(command, "language")) {
        setLanguage(value, out);
    } else {
        std::fputs("\nUnknown switch usage of service!\nUsage for install: dwsvc install\n        uninstall: dwsvc "
                   "delete\n         interval: dwsvc interval XX [1/5/10/30]\n         language: dwsvc language XX "
                   "[en/jp]",
                   out);
    }
    std::fflush(out);
    return exitCode;
}

}  // namespace dwsvc
