#pragma once
// A folder that a program run by root may write into because nobody else can change it: the
// folder and every folder above it are owned by root or by the caller, and none of them lets
// anybody else put a name of their choosing where the path leads. The path is opened once,
// component by component from "/", without following any link; what is written then goes
// through the open folder, never through the path again, so that a folder swapped for a link
// afterwards is not written through.
//
// The rule for each folder on the path (like sshd's StrictModes for the folders above a key
// file, with the exception systemd makes for /tmp):
// - it is a folder itself, not a link to one;
// - its owner is root or the caller;
// - its group and other users may not write it, except a folder above the last one that is
//   sticky (like /tmp): there only the owner of an entry, or of the folder, may rename or remove
//   it, and the next folder on the path is checked to be root's or the caller's.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/native_handle.h"

namespace platform {

class TrustedFolder {
public:
    // Opens the absolute folder; empty with `refusal` saying why (in English, for a log) and the
    // platform's error code (3 when part of the path is missing, 5 when it cannot be trusted).
    static std::optional<TrustedFolder> open(const std::filesystem::path& folder, std::string& refusal);

    TrustedFolder(TrustedFolder&& other) noexcept;
    TrustedFolder& operator=(TrustedFolder&& other) noexcept;
    ~TrustedFolder();

    // Writes `bytes` as the file `name` in this folder (mode 0644), replaced at once: a
    // temporary file made in the folder (its name is `name` with a random suffix, so that a
    // collector reading "*.prom" never takes it) is renamed over it. A link at the name is
    // replaced, never written through. False with the platform's error code (5 not allowed,
    // 112 disk full); the old file then stays as it was and no temporary file is left.
    bool replaceFile(std::string_view name, std::string_view bytes) const;

    // Removes the entry `name` of this folder (a link there is removed, never followed); true
    // also when there was none. False with the platform's error code (5 not allowed, 87 a name
    // that is not a plain name).
    bool removeFile(std::string_view name) const;

private:
    explicit TrustedFolder(NativeHandle handle) : handle_(handle) {}
    NativeHandle handle_ = kInvalidNativeHandle;
};

// Why a folder that the caller will create where missing cannot be trusted, or empty when it
// can: the part of the path that exists is judged as above, its last folder as one above the
// folders still to be made.
std::string untrustedFolderReason(const std::filesystem::path& folder);

}  // namespace platform
