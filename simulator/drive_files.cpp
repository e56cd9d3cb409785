#include "simulator/drive_files.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

#include "platform/system_info.h"
#include "simulator/drive_json.h"

namespace simulator {

namespace {

constexpr std::string_view kDriveFilePrefix = "PHYSICALDRIVE";

std::filesystem::path besideDriveFile(const std::filesystem::path& driveFile, std::string_view suffix) {
    auto path = driveFile;
    path += std::string(suffix);
    return path;
}

std::string systemMessage(std::string_view what, const std::filesystem::path& path, const std::error_code& error) {
    return std::string(what) + " " + path.string() + ": " + error.message();
}

// What the failed file operation just left in errno, the standard library's record of it.
std::error_code lastFileError() { return std::error_code(errno, std::generic_category()); }

// Writes the bytes to a stream opened on `path`, and flushes them.
void writeAll(std::ofstream& out, std::string_view bytes, const std::filesystem::path& path) {
    errno = 0;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) throw SimulatorError(systemMessage("cannot write", path, lastFileError()));
}

// Runs `attempt` until it succeeds or `limit` has passed, with short pauses between tries.
template <typename Attempt>
void tryFor(std::chrono::milliseconds limit, Attempt attempt) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!attempt() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
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
    std::error_code error;
    lock_ = platform::FileLock::open(path, error);
    if (!lock_) throw SimulatorError(systemMessage("cannot open the lock file", path, error));
    if (!lock_->lock(error, kDriveLockLimit)) {
        if (error == std::errc::timed_out) throw DriveLockTimeout(systemMessage("cannot lock", path, error));
        throw SimulatorError(systemMessage("cannot lock", path, error));
    }
}

DriveDescription readDescriptionFile(const std::filesystem::path& driveFile) {
    return parseDescription(readDescriptionText(driveFile), driveFile);
}

std::ifstream openDriveFileForReading(const std::filesystem::path& driveFile, std::error_code& error) {
    // A replace is over in moments; a file the caller may not read stays so, and costs no more.
    std::ifstream in;
    tryFor(std::chrono::milliseconds(200), [&] {
        errno = 0;
        in.open(driveFile, std::ios::binary);
        error = in ? std::error_code() : lastFileError();
        std::error_code ignored;
        return in.is_open() || !std::filesystem::is_regular_file(driveFile, ignored);
    });
    return in;
}

std::string readDescriptionText(const std::filesystem::path& driveFile) {
    std::error_code error;
    std::ifstream in = openDriveFileForReading(driveFile, error);
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
    const auto temporary = besideDriveFile(driveFile, ".tmp" + std::to_string(platform::currentProcessId()));
    std::error_code ignored;
    {
        errno = 0;
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) throw SimulatorError(systemMessage("cannot create", temporary, lastFileError()));
        try {
            writeAll(out, text, temporary);
        } catch (...) {
            out.close();
            std::filesystem::remove(temporary, ignored);
            throw;
        }
    }
    // Readers take the file without the drive's lock, for a moment each. Where the system refuses
    // to replace a file that is open (Windows, without delete sharing), the replace is tried
    // again until the readers are done, for a second at most.
    std::error_code error;
    tryFor(std::chrono::seconds(1), [&] {
        std::filesystem::rename(temporary, driveFile, error);
        return !error;
    });
    if (error) {
        std::filesystem::remove(temporary, ignored);
        throw SimulatorError(systemMessage("cannot replace", driveFile, error));
    }
}

void appendToFile(const std::filesystem::path& file, std::string_view bytes) {
    errno = 0;
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (!out) throw SimulatorError(systemMessage("cannot open", file, lastFileError()));
    writeAll(out, bytes, file);
}

}  // namespace simulator
