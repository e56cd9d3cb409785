#pragma once
// Where the session's windows are registered: <root>/sessions/<uid>/windows/ holds, per window,
// "w<pid>-<n>.title" (the title, locked by the owner for the window's life) and "w<pid>-<n>.sock"
// (the socket the owner receives messages on, present only while it listens). A window whose
// title file is no longer locked belongs to an owner that is gone.

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

// A window's files while it exists.
struct Registration {
    std::filesystem::path socketPath;
    std::filesystem::path titlePath;
    socket_io::Descriptor titleFile;  // holds the lock
};

// Creates the user's folder when missing (refusing one that is not the user's own, 5) and the
// locked title file of a new window. The caller then puts the socket at socketPath.
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

}  // namespace platform::windows::folder
