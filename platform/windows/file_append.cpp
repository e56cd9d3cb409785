#include "platform/file_append.h"

#include <windows.h>

#include "platform/win_error.h"
#include "platform/windows/file_checks.h"
#include "platform/windows/owned_handle.h"
#include "platform/windows/trusted_accounts.h"

namespace platform {

namespace {

bool fail(DWORD error) {
    setLastError(error);
    return false;
}

// Windows has no mode bits: a file that group or others may not read gets the owner-only access
// rights; one they may read keeps what it inherits from its folder.
bool ownerOnly(std::filesystem::perms mode) {
    using std::filesystem::perms;
    return (mode & (perms::group_read | perms::others_read)) == perms::none;
}

}  // namespace

bool appendToFile(const std::filesystem::path& file, std::string_view bytes, std::filesystem::perms mode) {
    const bool narrow = ownerOnly(mode);
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end, even with another
    // writer. FILE_FLAG_OPEN_REPARSE_POINT: a link is opened itself and refused, not written through.
    const DWORD access = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE | (narrow ? WRITE_DAC : 0);
    SECURITY_ATTRIBUTES* const security = narrow ? win32::ownerOnlyAttributes() : nullptr;
    win32::OwnedHandle handle(::CreateFileW(file.c_str(), access, FILE_SHARE_READ, security, OPEN_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.valid()) return fail(::GetLastError());
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    // A second name of another file (a hard link) or a device is not the log this program keeps.
    // Nor is a file another user made there.
    if (!win32::isPlainFile(handle.get(), true) || !win32::ownedByTrustedAccount(handle.get())) {
        return fail(kErrorAccessDenied);
    }
    if (narrow && existed && !win32::restrictToOwner(handle.get())) return fail(kErrorAccessDenied);
    if (!win32::writeAll(handle.get(), bytes.data(), bytes.size())) return fail(::GetLastError());
    return true;
}

}  // namespace platform
