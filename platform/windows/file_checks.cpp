#include "platform/windows/file_checks.h"

#include <aclapi.h>
#include <sddl.h>

#include <chrono>
#include <random>
#include <thread>

#include "platform/win_error.h"
#include "platform/windows/owned_handle.h"
#include "platform/windows/trusted_accounts.h"

namespace platform::win32 {

namespace {

// Full access for the process's user, the system and administrators; inheritance cut off.
PSECURITY_DESCRIPTOR ownerOnlyDescriptor() {
    static const PSECURITY_DESCRIPTOR descriptor = [] {
        const std::wstring user = processUserSidText();
        std::wstring sddl = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";
        if (!user.empty()) sddl += L"(A;;FA;;;" + user + L")";
        PSECURITY_DESCRIPTOR made = nullptr;
        ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &made, nullptr);
        return made;  // kept for the process's life
    }();
    return descriptor;
}

}  // namespace

bool isPlainFile(HANDLE file, bool singleName) {
    if (::GetFileType(file) != FILE_TYPE_DISK) return false;
    BY_HANDLE_FILE_INFORMATION facts{};
    if (!::GetFileInformationByHandle(file, &facts)) return false;
    if (facts.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) return false;
    return !singleName || facts.nNumberOfLinks == 1;
}

SECURITY_ATTRIBUTES* ownerOnlyAttributes() {
    static SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), ownerOnlyDescriptor(), FALSE};
    return attributes.lpSecurityDescriptor ? &attributes : nullptr;
}

bool restrictToOwner(HANDLE file) {
    const PSECURITY_DESCRIPTOR descriptor = ownerOnlyDescriptor();
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!descriptor || !::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return false;
    // Two openers of one file (two threads taking one lock) may write the rights at the same
    // moment, and one of them can then fail for a moment: it tries again, a few times.
    for (int attempt = 0;; ++attempt) {
        const DWORD result = ::SetSecurityInfo(file, SE_FILE_OBJECT,
                                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                               nullptr, dacl, nullptr);
        if (result == ERROR_SUCCESS) return true;
        if (attempt == 4) {
            ::SetLastError(result);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << attempt));
    }
}

std::wstring temporaryNameFor(const std::wstring& name) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    wchar_t suffix[24];
    ::swprintf(suffix, std::size(suffix), L".%016llx", static_cast<unsigned long long>(random()));
    return name + suffix;
}

bool writeAll(HANDLE file, const void* bytes, std::size_t size) {
    const auto* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, next, chunk, &written, nullptr)) return false;
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        next += written;
        size -= written;
    }
    return true;
}

bool replaceInFolder(const std::filesystem::path& folder, const std::wstring& name, std::string_view bytes) {
    if (name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/:") != std::wstring::npos) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    const std::wstring target = (folder / name).wstring();
    std::wstring temporary;
    OwnedHandle file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temporary = (folder / temporaryNameFor(name)).wstring();
        // The new file takes the folder's inherited access rights, as the file it replaces had.
        file = OwnedHandle(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.valid() && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file.valid()) {
        setLastError(::GetLastError());
        return false;
    }
    bool done = writeAll(file.get(), bytes.data(), bytes.size()) && ::FlushFileBuffers(file.get());
    DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    file.reset();
    // A reader that opened the file without FILE_SHARE_DELETE (most do) keeps it from being
    // replaced while it reads: the move is tried again for a moment, then given up.
    for (int attempt = 0; done; ++attempt) {
        if (::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) break;
        error = ::GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == 10) done = false;
        else ::Sleep(10);
    }
    if (!done) {
        ::DeleteFileW(temporary.c_str());
        setLastError(error);
    }
    return done;
}

}  // namespace platform::win32
