#include "platform/system_info.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace platform {

namespace {

SystemTime fromSystemTime(const SYSTEMTIME& time) {
    return {time.wYear, time.wMonth, time.wDayOfWeek, time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

class WindowsSystemInfo final : public SystemInfo {
public:
    std::optional<std::uint32_t> osMajorVersion() const override {
        // GetVersionEx answers 6 to programs without a compatibility manifest; the kernel's own
        // figure is what the question means.
        using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        const auto getVersion = ntdll ? reinterpret_cast<RtlGetVersion>(
                                            reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                                      : nullptr;
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof version;
        if (!getVersion || getVersion(&version) != 0) return std::nullopt;
        return version.dwMajorVersion;
    }

    std::optional<std::filesystem::path> programPath() const override {
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) return std::nullopt;
            if (length < buffer.size()) return std::filesystem::path(buffer.substr(0, length));
            buffer.resize(buffer.size() * 2);
        }
    }

    SystemTime localTime() const override {
        SYSTEMTIME now{};
        ::GetLocalTime(&now);
        return fromSystemTime(now);
    }

    SystemTime utcTime() const override {
        SYSTEMTIME now{};
        ::GetSystemTime(&now);
        return fromSystemTime(now);
    }
};

}  // namespace

SystemTime localTimeAt(std::int64_t unixSeconds) {
    // 100-nanosecond intervals since 1601.
    const std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds + 11'644'473'600LL) * 10'000'000ULL;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    if (!::FileTimeToSystemTime(&utc, &universal) || !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
        return {};
    }
    local.wMilliseconds = 0;
    return fromSystemTime(local);
}

const SystemInfo& realSystemInfo() {
    static const WindowsSystemInfo real;
    return real;
}

std::uint32_t currentProcessId() { return ::GetCurrentProcessId(); }

}  // namespace platform
