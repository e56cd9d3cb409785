#include "platform/windows/process_facts.h"

#include <winternl.h>

#include <vector>

#include "platform/windows/wide_text.h"

namespace platform::win32 {

namespace {

using QueryInformationProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

QueryInformationProcess queryInformationProcess() {
    static const auto function = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<QueryInformationProcess>(
                           reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryInformationProcess")))
                     : nullptr;
    }();
    return function;
}

std::optional<PROCESS_BASIC_INFORMATION> basicInformation(HANDLE process) {
    const auto query = queryInformationProcess();
    PROCESS_BASIC_INFORMATION information{};
    ULONG length = 0;
    if (!query || query(process, ProcessBasicInformation, &information, sizeof information, &length) != 0)
        return std::nullopt;
    return information;
}

template <typename T>
bool readMemory(HANDLE process, const void* address, T& value) {
    SIZE_T read = 0;
    return ::ReadProcessMemory(process, address, &value, sizeof value, &read) && read == sizeof value;
}

// Where the 64-bit layouts keep what is read here: the process parameters in the PEB, and
// the environment block in the parameters.
constexpr std::size_t kPebProcessParameters = 0x20;
constexpr std::size_t kParametersEnvironment = 0x80;
// An environment is read in pages, up to this much: a larger one is not searched further.
constexpr std::size_t kPage = 4096;
constexpr std::size_t kEnvironmentLimit = 256 * 1024;

}  // namespace

std::optional<std::uint32_t> tokenUserId(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) return std::nullopt;
    std::vector<unsigned char> buffer(size);
    if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return std::nullopt;
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    if (!::IsValidSid(sid)) return std::nullopt;
    // FNV-1a over the SID's bytes.
    const auto* bytes = static_cast<const unsigned char*>(sid);
    std::uint32_t hash = 2166136261u;
    for (DWORD at = 0; at < ::GetLengthSid(sid); ++at) hash = (hash ^ bytes[at]) * 16777619u;
    return hash == 0 ? 1u : hash;
}

std::optional<std::uint32_t> processUserId(HANDLE process) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return std::nullopt;
    const auto user = tokenUserId(token);
    ::CloseHandle(token);
    return user;
}

std::optional<std::uint64_t> processStartTime(HANDLE process) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &creation, &exit, &kernel, &user)) return std::nullopt;
    return (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

std::optional<std::uint32_t> parentProcessId(HANDLE process) {
    const auto information = basicInformation(process);
    if (!information) return std::nullopt;
    return static_cast<std::uint32_t>(information->InheritedFromUniqueProcessId);
}

std::optional<std::wstring> processImagePath(HANDLE process) {
    std::wstring buffer(32768, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    if (!::QueryFullProcessImageNameW(process, 0, buffer.data(), &length)) return std::nullopt;
    buffer.resize(length);
    return buffer;
}

std::optional<std::string> processRootVariable(HANDLE process) {
    const auto information = basicInformation(process);
    if (!information || !information->PebBaseAddress) return std::nullopt;
    const auto* peb = reinterpret_cast<const unsigned char*>(information->PebBaseAddress);
    const unsigned char* parameters = nullptr;
    const wchar_t* environment = nullptr;
    if (!readMemory(process, peb + kPebProcessParameters, parameters) || !parameters) return std::nullopt;
    if (!readMemory(process, parameters + kParametersEnvironment, environment) || !environment) return std::nullopt;

    // Page by page until the block's end (an empty string) or the limit: another process's
    // memory is read only as far as it is there.
    std::wstring block;
    auto address = reinterpret_cast<ULONG_PTR>(environment);
    while (block.size() * sizeof(wchar_t) < kEnvironmentLimit) {
        const std::size_t chunk = kPage - (address % kPage);
        std::wstring part(chunk / sizeof(wchar_t), L'\0');
        SIZE_T read = 0;
        if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(address), part.data(), chunk, &read) || read == 0)
            break;
        part.resize(read / sizeof(wchar_t));
        block += part;
        if (block.find(std::wstring(2, L'\0')) != std::wstring::npos) break;
        address += read;
    }
    constexpr std::wstring_view kVariable = L"LMXDUOWATCH_ROOT=";
    for (std::size_t at = 0; at < block.size();) {
        const std::size_t end = std::min(block.find(L'\0', at), block.size());
        if (end == at) break;
        const std::wstring_view variable(block.data() + at, end - at);
        if (variable.size() > kVariable.size() &&
            ::CompareStringOrdinal(variable.data(), static_cast<int>(kVariable.size()), kVariable.data(),
                                   static_cast<int>(kVariable.size()), TRUE) == CSTR_EQUAL)
            return narrow(variable.substr(kVariable.size()));
        at = end + 1;
    }
    return std::nullopt;
}

bool processRunning(HANDLE process) {
    // The handle is signalled once the process has ended; without the right to wait on it, the
    // exit code tells (a process may end with the code that means "still active", though).
    const DWORD waited = ::WaitForSingleObject(process, 0);
    if (waited != WAIT_FAILED) return waited == WAIT_TIMEOUT;
    DWORD code = 0;
    return ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
}

}  // namespace platform::win32
