#include "simulator/command_log.h"

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <fstream>

#include "simulator/drive_files.h"

namespace simulator {

namespace {

std::string utcTimestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(milliseconds));
    return text;
}

std::string textField(const nlohmann::json& entry, const char* key) {
    const auto found = entry.find(key);
    return found != entry.end() && found->is_string() ? found->get<std::string>() : std::string();
}

std::uint32_t numberField(const nlohmann::json& entry, const char* key) {
    const auto found = entry.find(key);
    return found != entry.end() && found->is_number_unsigned() ? found->get<std::uint32_t>() : 0;
}

}  // namespace

void appendCommandLog(const std::filesystem::path& driveFile, LogEntry entry) {
    entry["time"] = utcTimestamp();
    entry["pid"] = static_cast<std::int64_t>(::getpid());
    appendToFile(commandLogPath(driveFile), entry.dump() + "\n");
}

std::vector<LoggedCommand> readCommandLog(const std::filesystem::path& driveFile) {
    std::vector<LoggedCommand> commands;
    std::ifstream in(commandLogPath(driveFile));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const auto entry = nlohmann::json::parse(line, nullptr, false);
        if (!entry.is_object()) continue;
        LoggedCommand command;
        command.route = textField(entry, "route");
        command.command = textField(entry, "command");
        command.taskFile = textField(entry, "taskFile");
        command.previousTaskFile = textField(entry, "previousTaskFile");
        command.cdb = textField(entry, "cdb");
        command.dataLength = numberField(entry, "dataLength");
        command.action = textField(entry, "action");
        command.result = textField(entry, "result");
        command.error = numberField(entry, "error");
        command.line = line;
        commands.push_back(std::move(command));
    }
    return commands;
}

}  // namespace simulator
