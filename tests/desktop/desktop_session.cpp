#include "tests/desktop/desktop_session.h"

#include <cstdlib>
#include <sstream>
#include <string_view>
#include <vector>

#include "tests/support/temp_root.h"

namespace lmx::testing {

namespace {

using namespace std::chrono_literals;

// Quotes a text for the shell.
std::string quoted(const std::string& text) {
    std::string result = "'";
    for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

std::string dbusCall(const std::string& destination, const std::string& path, const std::string& method,
                     const std::string& arguments, int* exitCode = nullptr) {
    return captureOutput("dbus-send --session --print-reply --dest=" + quoted(destination) + " " + path + " " + method +
                             " " + arguments + " 2>&1",
                         exitCode);
}

// The text of a dbus-send line such as `   variant    string "label"`: what stands in quotes.
std::optional<std::string> quotedText(const std::string& line) {
    const auto first = line.find('"');
    const auto last = line.rfind('"');
    if (first == std::string::npos || last <= first) return std::nullopt;
    return line.substr(first + 1, last - first - 1);
}

}  // namespace

DesktopSession::DesktopSession() {
    // The X server picks a free display and writes its number on the standard output. It does not
    // reset when its last client leaves: while it resets it refuses new connections.
    xserver_ = BackgroundProgram::start(
        "/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"});
    const auto display = xserver_ ? xserver_->nextLine(20s) : std::nullopt;
    if (!display || display->empty()) {
        failure_ = "Xvfb did not start (install the xvfb package)";
        return;
    }
    setEnvironment("DISPLAY", ":" + *display);

    bus_ = BackgroundProgram::start("/usr/bin/dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    const auto address = bus_ ? bus_->nextLine(20s) : std::nullopt;
    if (!address || address->empty()) {
        failure_ = "dbus-daemon did not start (install the dbus package)";
        return;
    }
    setEnvironment("DBUS_SESSION_BUS_ADDRESS", *address);
    setEnvironment("QT_QPA_PLATFORM", "xcb");

    host_ = BackgroundProgram::start(programsFolder() / "notification_area_host");
    if (!host_ || host_->nextLine(20s) != "ready") failure_ = "the notification area did not start";
}

DesktopSession::~DesktopSession() {
    host_.reset();
    bus_.reset();
    xserver_.reset();
    for (const auto& [name, value] : savedEnvironment_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

void DesktopSession::setEnvironment(const char* name, const std::string& value) {
    if (!savedEnvironment_.contains(name)) {
        const char* previous = std::getenv(name);
        savedEnvironment_[name] = previous ? std::optional<std::string>(previous) : std::nullopt;
    }
    ::setenv(name, value.c_str(), 1);
}

std::optional<std::string> DesktopSession::waitForTrayItem(std::chrono::milliseconds limit) {
    if (!host_) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto line = host_->nextLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()));
        if (!line) break;
        if (line->starts_with("item ")) return line->substr(5);
    }
    return std::nullopt;
}

std::vector<std::string> DesktopSession::shownWindows(const std::string& title) const {
    std::string pattern = "^";
    for (const char c : title) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
        pattern += c;
    }
    std::istringstream found(captureOutput("xdotool search --onlyvisible --name " + quoted(pattern + "$") + " 2>/dev/null"));
    std::vector<std::string> windows;
    for (std::string id; found >> id;) windows.push_back(id);
    return windows;
}

bool DesktopSession::windowShown(const std::string& title) const { return !shownWindows(title).empty(); }

bool DesktopSession::pressKey(const std::string& title, const std::string& key) const {
    const auto windows = shownWindows(title);
    if (windows.empty()) return false;
    int exitCode = -1;
    captureOutput("xdotool windowfocus --sync " + windows.front() + " key " + quoted(key) + " 2>&1", &exitCode);
    return exitCode == 0;
}

bool DesktopSession::clickTrayIcon(const std::string& item) const {
    int exitCode = -1;
    dbusCall(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem.Activate", "int32:0 int32:0", &exitCode);
    return exitCode == 0;
}

std::string DesktopSession::trayIconPixels(const std::string& item) const {
    const std::string reply = dbusCall(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get",
                                       "string:org.kde.StatusNotifierItem string:IconPixmap");
    // Past the reply's header line (which carries a time and serial numbers): sizes and bytes.
    const auto pixels = reply.find("array");
    return pixels == std::string::npos ? std::string() : reply.substr(pixels);
}

std::map<std::string, int> DesktopSession::trayMenu(const std::string& item) const {
    // The layout as dbus-send prints it: each item is a struct whose first line is its id,
    // followed by its properties, the label among them.
    std::istringstream layout(dbusCall(item, "/MenuBar", "com.canonical.dbusmenu.GetLayout", "int32:0 int32:-1 array:string:"));
    std::map<std::string, int> items;
    std::optional<int> id;
    bool labelNext = false;
    for (std::string line; std::getline(layout, line);) {
        if (const auto at = line.find_first_not_of(' '); at != std::string::npos && line.compare(at, 6, "int32 ") == 0) {
            id = std::atoi(line.c_str() + at + 6);
            continue;
        }
        if (labelNext) {
            labelNext = false;
            if (auto label = quotedText(line); label && id) {
                std::erase(*label, '_');  // dbusmenu writes the mnemonic mark as '_'
                items[*label] = *id;
            }
            continue;
        }
        labelNext = quotedText(line) == "label";
    }
    return items;
}

bool DesktopSession::clickTrayMenuItem(const std::string& item, int id) const {
    int exitCode = -1;
    dbusCall(item, "/MenuBar", "com.canonical.dbusmenu.Event",
             "int32:" + std::to_string(id) + " string:clicked variant:int32:0 uint32:0", &exitCode);
    return exitCode == 0;
}

}  // namespace lmx::testing
