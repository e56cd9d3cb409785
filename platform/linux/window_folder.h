#pragma once
// Where the session's windows are registered: <root>/sessions/<uid>/windows/ holds, per window,
// "w<pid>-<n>.title" (the title, locked by the owner for the window's life) and "w<pid>-<n>.sock"
// (the socket the owner receives messages on, present only while it listens). A window whose
// title file is no longer locked belongs to an owner that is gone.
//
// Every user may create their folder in <root>/sessions (sticky, mode 1777), so another user
// may plant one in advance, or a link. A process therefore acts only in its own user's folders:
// each is opened without following a link and must be a directory of that user that nobody
// else may write; names inside it are reached through the open folder, never by path again.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/socket_io.h"

namespace platform::windows::folder {

// <root>/sessions: open for every user to create their own folder in (mode 1777).
std::filesystem::path sessionsFolder();
// The calling user's windows folder (it may not exist yet).
std::filesystem::path windowsFolder();
// A folder of the calling user's own under <root>/sessions/<uid>/ ("windows", "mutexes"),
// opened and checked as above; created (mode 0700, with the user's folder) when `create` is
// set. Empty with 5 when it is not the user's own, 2 when missing.
socket_io::Descriptor openUserSubfolder(std::string_view subfolder, bool create);

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
