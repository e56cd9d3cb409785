#include "simulator/drive_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

#include "simulator/drive_json.h"

namespace simulator {

namespace {

constexpr std::string_view kDriveFilePrefix = "PHYSICALDRIVE";

std::filesystem::path besideDriveFile(const std::filesystem::path& driveFile, std::string_view suffix) {
    auto path = driveFile;
    path += std::string(suffix);
    return path;
}

std::string systemMessage(std::string_view what, const std::filesystem::path& path) {
    return std::string(what) + " " + path.string() + ": " + std::generic_category().message(errno);
}

void writeAll(int fd, std::string_view bytes, const std::filesystem::path& path) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw SimulatorError(systemMessage("cannot write", path));
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

std::filesystem::path driveFilePath(const std::filesystem::path& root, int driveNumber) {
    return root / "devices" / (std::string(kDriveFilePrefix) + std::to_string(driveNumber));
}

std::optional<int> driveNumberOfFile(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    if (!name.starts_with(kDriveFilePrefix) || name.size() == kDriveFilePrefix.size()) return std::nullopt;
    int number = 0;
    const char* begin = name.data() + kDriveFilePrefix.size();
    const char* end = name.data() + name.size();
    const auto [stop, error] = std::from_chars(begin, end, number);
    if (error != std::errc() || stop != end) return std::nullopt;
    // Only the name the platform opens: no sign, no leading zeros.
    if (name != std::string(kDriveFilePrefix) + std::to_string(number)) return std::nullopt;
    return number;
}

std::filesystem::path lockFilePath(const std::filesystem::path& driveFile) {
    return besideDriveFile(driveFile, ".lock");
}
std::filesystem::path commandLogPath(const std::filesystem::path& driveFile) {
    return besideDriveFile(driveFile, ".log");
}
std::filesystem::path firmwarePath(const std::filesystem::path& driveFile) {
    return besideDriveFile(driveFile, ".firmware");
}

DriveLock::DriveLock(const std::filesystem::path& driveFile) {
    const auto path = lockFilePath(driveFile);
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) throw SimulatorError(systemMessage("cannot open the lock file", path));
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            throw SimulatorError(systemMessage("cannot lock", path));
        }
    }
}

DriveLock::~DriveLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the only descriptor releases the lock
}

DriveDescription readDescriptionFile(const std::filesystem::path& driveFile) {
    return parseDescription(readDescriptionText(driveFile), driveFile);
}

std::string readDescriptionText(const std::filesystem::path& driveFile) {
    std::ifstream in(driveFile, std::ios::binary);
    if (!in) throw SimulatorError("no simulated drive at " + driveFile.string());
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
}

DriveDescription parseDescription(const std::string& text, const std::filesystem::path& driveFile) {
    DriveJson document;
    try {
        document = DriveJson::parse(text);
    } catch (const DriveJson::exception& error) {
        throw SimulatorError(driveFile.string() + " is not JSON: " + error.what());
    }
    try {
        return fromJson(document);
    } catch (const SimulatorError& error) {
        throw SimulatorError(driveFile.string() + ": " + error.what());
    }
}

void writeDescriptionFile(const std::filesystem::path& driveFile, const DriveDescription& drive) {
    checkDescription(drive);
    const std::string text = toJson(drive).dump(2) + "\n";
    const auto temporary = besideDriveFile(driveFile, ".tmp" + std::to_string(::getpid()));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw SimulatorError(systemMessage("cannot create", temporary));
    try {
        writeAll(fd, text, temporary);
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    ::close(fd);
    if (::rename(temporary.c_str(), driveFile.c_str()) != 0) {
        const std::string message = systemMessage("cannot replace", driveFile);
        ::unlink(temporary.c_str());
        throw SimulatorError(message);
    }
}

void appendToFile(const std::filesystem::path& file, std::string_view bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) throw SimulatorError(systemMessage("cannot open", file));
    try {
        writeAll(fd, bytes, file);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

}  // namespace simulator
