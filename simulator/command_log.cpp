#include "simulator/command_log.h"

#include <chrono>
#include <cstdio>
#include <fstream>

#include "platform/system_info.h"
#include "simulator/drive_files.h"

namespace simulator {

namespace {

// The system clock's time in UTC, to the millisecond: 2024-05-01T12:34:56.789Z.
std::string utcTimestamp() {
    using namespace std::chrono;
    const auto now = floor<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
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
    entry["pid"] = static_cast<std::int64_t>(platform::currentProcessId());
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
        command.inSize = numberField(entry, "inSize");
        command.outSize = numberField(entry, "outSize");
        command.requestHeader = textField(entry, "requestHeader");
        command.sense = textField(entry, "sense");
        command.action = textField(entry, "action");
        command.result = textField(entry, "result");
        command.error = numberField(entry, "error");
        command.line = line;
        commands.push_back(std::move(command));
    }
    return commands;
}

}  // namespace simulator
