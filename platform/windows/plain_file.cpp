#include "platform/plain_file.h"

#include <windows.h>

#include "platform/win_error.h"
#include "platform/windows/file_checks.h"
#include "platform/windows/owned_handle.h"

namespace platform {

namespace {

std::nullopt_t fail(DWORD error) {
    setLastError(error);
    return std::nullopt;
}

std::optional<std::uint64_t> sizeOf(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

}  // namespace

// Windows lets any user make a symbolic link only in developer mode and keeps no rule like
// protected_symlinks: here every link or junction at the path is refused, opened itself
// (FILE_FLAG_OPEN_REPARSE_POINT) rather than followed. A pipe or device is refused by its type,
// checked through the handle before anything is read.
std::optional<std::size_t> readPlainFile(const std::filesystem::path& file, std::span<std::uint8_t> buffer) {
    const std::wstring name = file.filename().wstring();
    if (name.empty() || name == L"." || name == L"..") return fail(kErrorAccessDenied);
    win32::OwnedHandle handle(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.valid()) return fail(::GetLastError());
    if (!win32::isPlainFile(handle.get())) return fail(kErrorAccessDenied);
    const auto size = sizeOf(handle.get());
    if (!size) return fail(::GetLastError());
    if (*size > buffer.size()) return fail(kErrorInvalidData);
    std::size_t total = 0;
    for (;;) {
        DWORD read = 0;
        const auto room = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - total, 1u << 30));
        if (room == 0) break;
        if (!::ReadFile(handle.get(), buffer.data() + total, room, &read, nullptr)) return fail(::GetLastError());
        if (read == 0) break;
        total += read;
    }
    // A file that grew or shrank while it was read is not the file that was sized.
    if (total != *size || sizeOf(handle.get()) != size) return fail(kErrorInvalidData);
    return total;
}

}  // namespace platform
