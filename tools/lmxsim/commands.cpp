#include "tools/lmxsim/commands.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <set>

#include "simulator/drive_json.h"
#include "simulator/drive_store.h"

namespace lmxsim {

namespace fs = std::filesystem;
using simulator::SimulatorError;

namespace {

constexpr std::size_t kBlockSize = 512;

// Refuses options the command does not take and returns them checked.
void allowOptions(const Invocation& invocation, const std::set<std::string>& allowed) {
    for (const std::string& option : invocation.options) {
        const std::string name = option.substr(0, option.find('='));
        if (!allowed.contains(name)) throw UsageError(invocation.command + " does not take " + name);
    }
}

bool hasFlag(const Invocation& invocation, const std::string& name) {
    for (const std::string& option : invocation.options) {
        if (option == name) return true;
        if (option.starts_with(name + "=")) throw UsageError(name + " takes no value");
    }
    return false;
}

std::optional<std::string> optionValue(const Invocation& invocation, const std::string& name) {
    for (const std::string& option : invocation.options) {
        if (option == name) throw UsageError(name + " needs a value (" + name + "=VALUE)");
        if (option.starts_with(name + "=")) return option.substr(name.size() + 1);
    }
    return std::nullopt;
}

std::uint32_t numberArgument(const std::string& text, const std::string& what) {
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw UsageError(what + " must be a number, not \"" + text + "\"");
    }
    return number;
}

void expectArguments(const Invocation& invocation, std::size_t least, std::size_t most, const char* shape) {
    const std::size_t count = invocation.arguments.size();
    if (count < least || count > most) throw UsageError("usage: lmxsim " + invocation.command + " N " + shape);
}

std::string familyName(lmx::ControllerFamily family) {
    switch (family) {
        case lmx::ControllerFamily::Zarkel: return "Zarkel";
        case lmx::ControllerFamily::ZarkelT: return "Zarkel-T";
        case lmx::ControllerFamily::Quessa: return "Quessa";
        case lmx::ControllerFamily::Mollen: return "Mollen";
        case lmx::ControllerFamily::MollenThreeSlot: return "Mollen, three slots";
    }
    return "?";
}

void create(const Invocation& invocation, const fs::path& file, std::ostream& out) {
    if (invocation.arguments.empty()) throw UsageError("usage: lmxsim create N controller|disk|silent …");
    const std::string& kind = invocation.arguments.front();
    if (kind == "controller") {
        allowOptions(invocation, {"--members"});
        expectArguments(invocation, 2, 2, "controller MODEL [--members=K]");
        std::optional<std::size_t> members;
        if (auto text = optionValue(invocation, "--members")) members = numberArgument(*text, "--members");
        simulator::createController(file, invocation.arguments[1], members);
    } else if (kind == "disk") {
        allowOptions(invocation, {"--no-signature"});
        expectArguments(invocation, 1, 2, "disk [MODEL] [--no-signature]");
        const std::string model =
            invocation.arguments.size() > 1 ? invocation.arguments[1] : std::string(simulator::kDefaultDiskModel);
        simulator::createDisk(file, model, !hasFlag(invocation, "--no-signature"));
    } else if (kind == "silent") {
        allowOptions(invocation, {"--answer-after"});
        expectArguments(invocation, 1, 1, "silent [--answer-after=MS]");
        std::optional<std::uint32_t> answerAfter;
        if (auto text = optionValue(invocation, "--answer-after")) {
            answerAfter = numberArgument(*text, "--answer-after");
        }
        simulator::createSilentDrive(file, answerAfter);
    } else {
        throw UsageError("a drive is a controller, a disk or silent, not \"" + kind + "\"");
    }
    out << "drive " << *invocation.drive << ": created " << kind << "\n";
}

// "@FILE" stands for a binary file's bytes, written as hex.
std::string resolveValue(const std::string& value) {
    if (!value.starts_with("@")) return value;
    std::ifstream in(value.substr(1), std::ios::binary);
    if (!in) throw SimulatorError("cannot read " + value.substr(1));
    const simulator::Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return simulator::toHex(bytes);
}

void set(const Invocation& invocation, const fs::path& file, std::ostream& out) {
    allowOptions(invocation, {});
    if (invocation.arguments.empty()) throw UsageError("usage: lmxsim set N FIELD=VALUE ...");
    std::vector<std::pair<std::string, std::string>> assignments;
    for (const std::string& argument : invocation.arguments) {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError("\"" + argument + "\" is not FIELD=VALUE");
        }
        assignments.emplace_back(argument.substr(0, equals), resolveValue(argument.substr(equals + 1)));
    }
    simulator::setFields(file, assignments);
    out << "drive " << *invocation.drive << ": " << assignments.size()
        << (assignments.size() == 1 ? " field" : " fields") << " set\n";
}

void changeMember(const Invocation& invocation, const fs::path& file, std::ostream& out) {
    allowOptions(invocation, {});
    expectArguments(invocation, 1, 1, "SLOT");
    const std::size_t slot = numberArgument(invocation.arguments[0], "SLOT");
    if (invocation.command == "pull") {
        simulator::pullMember(file, slot);
        out << "drive " << *invocation.drive << ": member " << slot << " pulled\n";
    } else {
        simulator::insertMember(file, slot);
        out << "drive " << *invocation.drive << ": member " << slot << " inserted\n";
    }
}

void show(const Invocation& invocation, const fs::path& file, std::ostream& out) {
    allowOptions(invocation, {});
    expectArguments(invocation, 0, 0, "");
    out << simulator::toJson(simulator::readDrive(file)).dump(2) << "\n";
}

std::string memberSummary(const simulator::MemberDrive& member, std::size_t slot) {
    std::string text = std::to_string(slot) + ":";
    if (!member.present) return text + "empty";
    text += member.rebuilding ? "rebuilding" : "present";
    if (member.spare) text += ",spare";
    if (member.temperature) text += "," + std::to_string(*member.temperature) + "C";
    return text;
}

std::string summary(const simulator::DriveDescription& drive) {
    switch (drive.kind) {
        case simulator::DriveKind::Silent:
            return drive.answerAfterMs ? "silent (fails after " + std::to_string(*drive.answerAfterMs) + " ms)"
                                       : "silent (fails after each command's time-out)";
        case simulator::DriveKind::Disk:
            return "disk \"" + drive.model + "\"" + (drive.identify.signature ? "" : " without signature");
        case simulator::DriveKind::Controller: break;
    }
    std::string text = "controller \"" + drive.model + "\" (" + familyName(drive.family()) + ")";
    text += " raid status " + std::to_string(drive.raid.status);
    text += ", rebuild " + std::to_string(drive.raid.rebuildProgress) + "/256";
    text += ", patrol " + std::string(simulator::patrolName(drive.raid.patrol));
    text += ", members";
    for (std::size_t slot = 0; slot < drive.members.size(); ++slot) {
        text += " " + memberSummary(drive.members[slot], slot);
    }
    const auto& faults = drive.faults;
    const bool faulty = faults.rejectDirect || faults.rejectSat || faults.rejectSmart || faults.directErrBit ||
                        faults.satSenseKey || faults.failNext || !faults.brokenFrames.empty() ||
                        !faults.failPages.empty() || faults.delayMs;
    if (faulty) text += ", faults set";
    if (drive.identifyOverride || !drive.pageOverrides.empty()) text += ", overrides set";
    return text;
}

void list(const Invocation& invocation, const fs::path& root, std::ostream& out) {
    allowOptions(invocation, {});
    if (!invocation.arguments.empty()) throw UsageError("usage: lmxsim list");
    const auto entries = simulator::listDrives(root);
    if (entries.empty()) out << "no drives in " << (root / "devices").string() << "\n";
    for (const auto& entry : entries) {
        out << "drive " << entry.number << ": ";
        if (entry.description) {
            out << summary(*entry.description) << "\n";
        } else {
            out << entry.note << "\n";
        }
    }
}

// A drive's log and firmware outlive neither the drive nor `remove`; without any of them there
// is nothing to show.
void requireTraces(const fs::path& file) {
    std::error_code error;
    if (!fs::exists(file, error) && !fs::exists(simulator::commandLogPath(file), error) &&
        !fs::exists(simulator::firmwarePath(file), error)) {
        throw SimulatorError("no simulated drive at " + file.string());
    }
}

void log(const Invocation& invocation, const fs::path& file, std::ostream& out) {
    allowOptions(invocation, {"--clear"});
    expectArguments(invocation, 0, 0, "[--clear]");
    requireTraces(file);
    if (hasFlag(invocation, "--clear")) {
        simulator::clearCommandLog(file);
        out << "drive " << *invocation.drive << ": command log cleared\n";
        return;
    }
    for (const auto& command : simulator::readCommandLog(file)) out << command.line << "\n";
}

void firmware(const Invocation& invocation, const fs::path& file, std::ostream& out) {
    allowOptions(invocation, {"--clear"});
    expectArguments(invocation, 0, 1, "[FILE] [--clear]");
    const bool clear = hasFlag(invocation, "--clear");
    if (clear && !invocation.arguments.empty()) throw UsageError("firmware takes a FILE or --clear, not both");
    requireTraces(file);
    if (clear) {
        simulator::clearFirmware(file);
        out << "drive " << *invocation.drive << ": firmware discarded\n";
        return;
    }
    const simulator::Bytes bytes = simulator::readFirmware(file);
    if (invocation.arguments.empty()) {
        out << "drive " << *invocation.drive << ": " << bytes.size() << " bytes of firmware received ("
            << bytes.size() / kBlockSize << " blocks)\n";
        return;
    }
    const std::string& target = invocation.arguments[0];
    std::ofstream output(target, std::ios::binary | std::ios::trunc);
    output.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!output) throw SimulatorError("cannot write " + target);
    out << "drive " << *invocation.drive << ": " << bytes.size() << " bytes written to " << target << "\n";
}

void remove(const Invocation& invocation, const fs::path& file, std::ostream& out) {
    allowOptions(invocation, {});
    expectArguments(invocation, 0, 0, "");
    simulator::removeDrive(file);
    out << "drive " << *invocation.drive << ": removed\n";
}

}  // namespace

void runCommand(const Invocation& invocation, const fs::path& root, std::ostream& out) {
    const std::string& command = invocation.command;
    if (command == "list") return list(invocation, root, out);
    const fs::path file = simulator::driveFilePath(root, *invocation.drive);
    if (command == "create") return create(invocation, file, out);
    if (command == "set") return set(invocation, file, out);
    if (command == "pull" || command == "insert") return changeMember(invocation, file, out);
    if (command == "show") return show(invocation, file, out);
    if (command == "log") return log(invocation, file, out);
    if (command == "firmware") return firmware(invocation, file, out);
    if (command == "remove") return remove(invocation, file, out);
    throw UsageError("unknown command \"" + command + "\"");
}

}  // namespace lmxsim
