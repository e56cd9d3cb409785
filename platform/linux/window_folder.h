#pragma once
// The user's own folder for a system root, which holds the user's windows ("windows") and named
// mutexes ("mutexes"). Only the user, or root for the user, can make it, so no other user can
// take it first or hold it:
// - root's is <root>/sessions/0, made by root;
// - another user's is "lmxduowatch-<hash of the root's path>" in the user's runtime folder
//   (XDG_RUNTIME_DIR, else /run/user/<uid>: made by the log-on manager, the user's, mode 0700),
//   so that several system roots can be used side by side;
// - a user without a runtime folder has <root>/sessions/<uid> where the owner of the sessions
//   folder made it: root (an administrator makes it, owned by the user, mode 0700), or the user
//   whose own system root it is. Otherwise the user has no folder: windows cannot be registered
//   and mutexes cannot be taken (5).
// The sessions folder is its owner's alone (mode 0755): root's, or the user's whose root it is.
//
// <folder>/windows/ holds, per window, "w<pid>-<n>.title" (the title, locked by the owner for the
// window's life) and "w<pid>-<n>.sock" (the socket the owner receives messages on, present only
// while it listens). A window whose title file is no longer locked belongs to an owner that is
// gone. Every folder is opened without following a link and must be a directory of the user that
// nobody else may write; names inside it are reached through the open folder, never by path again.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/socket_io.h"

namespace platform::windows::folder {

// <root>/sessions.
std::filesystem::path sessionsFolder();
// Where the calling user's folder is, when it exists and is the user's own.
std::optional<std::filesystem::path> userFolder();
// A folder of the calling user's own in the user's folder ("windows", "mutexes"), opened and
// checked as above; created (mode 0700, with the user's folder) when `create` is set. Empty with
// 5 when it is not the user's own or the user has no place for one, 2 when missing.
socket_io::Descriptor openUserSubfolder(std::string_view subfolder, bool create);
// Makes the sessions folder (mode 0755, closing one left open by an older layout) and, run by
// root, root's own folder in it.
bool prepareSessionsFolder();

// A window's files while it exists.
struct Registration {
    socket_io::Descriptor folder;  // the windows folder, checked
    std::string socketName;
    std::string titleName;
    std::filesystem::path socketPath;  // the window's address for other processes
    socket_io::Descriptor titleFile;   // holds the lock
};

// Creates the user's folder when missing (refusing one that is not the user's own, 5) and the
// locked title file of a new window. The caller then puts the socket at socketName in folder.
std::optional<Registration> reserve(std::string_view title);
// Removes the window's files, the socket first, so that it is not found any more.
void withdraw(Registration& registration);

struct Entry {
    std::filesystem::path socketPath;
    std::uint32_t processId = 0;
    std::string title;
};

// The live windows, oldest first. Traces of windows whose owners are gone are removed.
std::vector<Entry> liveWindows();
// The title of the window at `socketPath`, if it is alive.
std::optional<std::string> titleOf(const std::filesystem::path& socketPath);
// Connects to the window at `socketPath` through the checked folder; NoListener for an address
// outside the calling user's windows folder.
socket_io::ConnectResult connectToWindow(const std::filesystem::path& socketPath, socket_io::Descriptor& socket);

}  // namespace platform::windows::folder
