#include "platform/trusted_folder.h"

#include <windows.h>

#include <aclapi.h>
#include <utility>
#include <vector>

#include "platform/win_error.h"
#include "platform/windows/file_checks.h"
#include "platform/windows/owned_handle.h"
#include "platform/windows/trusted_accounts.h"

// On Windows the rule is read from each folder's owner and access control list, through the
// handle the folder is opened with: the owner must be the system, the administrators, the
// installer service or the caller; nobody else may be allowed to delete, rename, re-own or
// re-permit what is in it. A folder above the last one may let others add names (C:\ and
// C:\ProgramData let every user make folders): they cannot replace the name that leads on, and
// the next folder is judged in turn. No folder may be a reparse point (link or junction). Each
// folder is held open without FILE_SHARE_DELETE, so it cannot be renamed or replaced while it
// is judged, nor the last one (nor, with it open, any folder above it) while it is used.

namespace platform {

namespace {

using win32::OwnedHandle;

constexpr ACCESS_MASK kReplaceRights = DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | FILE_DELETE_CHILD;
constexpr ACCESS_MASK kAddRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | GENERIC_WRITE;

bool isOwnerRights(PSID sid) {
    std::vector<BYTE> ownerRights(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(ownerRights.size());
    return ::CreateWellKnownSid(WinCreatorOwnerRightsSid, nullptr, ownerRights.data(), &size) &&
           ::EqualSid(sid, ownerRights.data());
}

// Empty when the open folder may be trusted, else why not.
std::string judge(HANDLE folder, const std::filesystem::path& path, bool last) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                          nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return path.string() + "'s access rights cannot be read";
    }
    std::string refusal;
    if (!owner || !win32::isTrustedAccount(owner)) {
        refusal = path.string() + " belongs to another user";
    } else if (!dacl) {
        refusal = path.string() + " lets every user change it";
    } else {
        for (DWORD index = 0; index < dacl->AceCount && refusal.empty(); ++index) {
            void* entry = nullptr;
            if (!::GetAce(dacl, index, &entry)) continue;
            const auto* header = static_cast<const ACE_HEADER*>(entry);
            if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
            const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
            const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
            if (win32::isTrustedAccount(sid) || isOwnerRights(sid)) continue;
            if ((allowed->Mask & kReplaceRights) || (last && (allowed->Mask & kAddRights))) {
                refusal = path.string() + " may be changed by other users";
            }
        }
    }
    ::LocalFree(descriptor);
    return refusal;
}

// Opens `path` as a folder itself (a reparse point is opened, not followed), readable for its
// access rights, shared with readers and writers but not with renaming or removal.
OwnedHandle openFolder(const std::filesystem::path& path) {
    return OwnedHandle(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | READ_CONTROL | SYNCHRONIZE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Opens and judges the folders of `folder` from its drive's root down. With `allowMissing`, the
// walk ends at the first missing folder, the one before it judged as one above; the last folder
// opened is returned (none with `refusal` set and the platform's error in lastError()).
OwnedHandle walk(const std::filesystem::path& folder, bool allowMissing, std::string& refusal) {
    refusal.clear();
    if (!folder.is_absolute() || !folder.has_root_name()) {
        refusal = folder.string() + " is not an absolute path";
        setLastError(kErrorInvalidParameter);
        return {};
    }
    std::vector<std::filesystem::path> chain{folder.root_path()};
    for (const auto& part : folder.relative_path()) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            refusal = folder.string() + " names a folder above another";
            setLastError(kErrorInvalidParameter);
            return {};
        }
        chain.push_back(chain.back() / part);
    }
    // Every folder stays open until the next is judged, so none can be swapped meanwhile.
    std::vector<OwnedHandle> held;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        OwnedHandle opened = openFolder(chain[i]);
        if (!opened.valid()) {
            const DWORD error = ::GetLastError();
            const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
            if (missing && allowMissing && !held.empty()) {
                refusal = judge(held.back().get(), chain[i - 1], false);
                if (!refusal.empty()) setLastError(kErrorAccessDenied);
                return refusal.empty() ? std::move(held.back()) : OwnedHandle();
            }
            refusal = chain[i].string() + (missing ? " does not exist" : " cannot be opened");
            setLastError(missing ? kErrorPathNotFound : error);
            return {};
        }
        BY_HANDLE_FILE_INFORMATION facts{};
        if (!::GetFileInformationByHandle(opened.get(), &facts)) {
            refusal = chain[i].string() + " cannot be opened";
        } else if (facts.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            refusal = chain[i].string() + " is a link";
        } else if (!(facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            refusal = chain[i].string() + " is not a folder";
        } else {
            refusal = judge(opened.get(), chain[i], i + 1 == chain.size());
        }
        if (!refusal.empty()) {
            setLastError(kErrorAccessDenied);
            return {};
        }
        held.push_back(std::move(opened));
    }
    return std::move(held.back());
}

// The folder's path as the system resolved it when it was opened.
std::filesystem::path finalPath(HANDLE folder) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(folder, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < buffer.size()) return std::filesystem::path(buffer.substr(0, length));
        buffer.resize(length + 1);
    }
}

}  // namespace

std::optional<TrustedFolder> TrustedFolder::open(const std::filesystem::path& folder, std::string& refusal) {
    OwnedHandle opened = walk(folder, false, refusal);
    if (!opened.valid()) return std::nullopt;
    return TrustedFolder(reinterpret_cast<NativeHandle>(opened.release()));
}

TrustedFolder::TrustedFolder(TrustedFolder&& other) noexcept : handle_(std::exchange(other.handle_, kInvalidNativeHandle)) {}

TrustedFolder& TrustedFolder::operator=(TrustedFolder&& other) noexcept {
    if (this != &other) {
        const NativeHandle previous = std::exchange(handle_, std::exchange(other.handle_, kInvalidNativeHandle));
        if (previous != kInvalidNativeHandle) ::CloseHandle(reinterpret_cast<HANDLE>(previous));
    }
    return *this;
}

TrustedFolder::~TrustedFolder() {
    if (handle_ != kInvalidNativeHandle) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

// Windows names files by path alone; the path is the one the open folder has now, and the folder
// cannot be renamed or replaced while this object holds it.
bool TrustedFolder::replaceFile(std::string_view name, std::string_view bytes) const {
    const auto folder = finalPath(reinterpret_cast<HANDLE>(handle_));
    if (folder.empty()) {
        setLastError(::GetLastError());
        return false;
    }
    return win32::replaceInFolder(folder, std::filesystem::path(std::u8string(name.begin(), name.end())).wstring(), bytes);
}

// DeleteFileW removes a link itself, never what it points to.
bool TrustedFolder::removeFile(std::string_view name) const {
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\:") != std::string_view::npos) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    const auto folder = finalPath(reinterpret_cast<HANDLE>(handle_));
    if (folder.empty()) {
        setLastError(::GetLastError());
        return false;
    }
    const auto file = folder / std::filesystem::path(std::u8string(name.begin(), name.end()));
    if (::DeleteFileW(file.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    setLastError(::GetLastError());
    return false;
}

std::string untrustedFolderReason(const std::filesystem::path& folder) {
    std::string refusal;
    walk(folder, true, refusal);
    return refusal;
}

}  // namespace platform
