#pragma once
// The per-drive command log: one JSON object per line for every request the drive received,
// appended under the drive's lock.

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace simulator {

// Fields keep the order they are added in: route first, result last.
using LogEntry = nlohmann::ordered_json;

struct LoggedCommand {
    std::string route;             // "direct", "sat", "smart", or "ioctl" for an unknown control code
    std::string command;           // ATA command register, hex ("EC")
    std::string taskFile;          // the 8 CurrentTaskFile bytes, spaced hex
    std::string previousTaskFile;  // the 8 PreviousTaskFile bytes (direct and SAT routes)
    std::string cdb;               // SAT route: the 16 CDB bytes
    std::uint32_t dataLength = 0;
    std::uint32_t inSize = 0;      // the sizes of the program's input and output buffers
    std::uint32_t outSize = 0;
    std::string requestHeader;     // the request's header as the program wrote it, spaced hex
    std::string sense;             // SAT route: the sense bytes returned, spaced hex
    std::string action;       // what the drive took the command for ("page E5", "start verify" …)
    std::string result;       // "ok", "aborted", "rejected", "failed", "error-bit", "check-condition",
                              // "illegal-request", "invalid", "timeout", "scsi-status", "sense"
    std::uint32_t error = 0;  // the platform error of a failed request
    std::string line;         // the line as written
};

// Appends `entry` with the time and the process id added.
void appendCommandLog(const std::filesystem::path& driveFile, LogEntry entry);

// Every line of the drive's log, oldest first; empty when there is none.
std::vector<LoggedCommand> readCommandLog(const std::filesystem::path& driveFile);

}  // namespace simulator
