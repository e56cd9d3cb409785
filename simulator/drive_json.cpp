#include "simulator/drive_json.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <set>

#include "common/vendor_pages.h"
#include "simulator/hex_bytes.h"

namespace simulator {

using json = DriveJson;
namespace pages = lmx::pages;

namespace {

std::string hexNumber(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string pageKey(std::uint8_t page) { return hexNumber(page, 2).substr(2); }

std::optional<std::uint8_t> parsePageCode(std::string_view text) {
    const auto value =
        parseUnsigned(text.starts_with("0x") || text.starts_with("0X") ? text : "0x" + std::string(text));
    if (!value || *value > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

// Reads the fields of one JSON object, remembering which were read so that a misspelt field is
// reported rather than ignored.
class ObjectReader {
public:
    ObjectReader(const json& object, std::string path) : object_(object), path_(std::move(path)) {
        if (!object_.is_object()) throw SimulatorError(where() + "must be an object");
    }

    bool has(const std::string& key) {
        seen_.insert(key);
        return object_.contains(key) && !object_.at(key).is_null();
    }

    const json& at(const std::string& key) {
        seen_.insert(key);
        return object_.at(key);
    }

    std::uint64_t number(const std::string& key, std::uint64_t fallback, std::uint64_t max) {
        if (!has(key)) return fallback;
        return numberValue(at(key), key, max);
    }

    template <typename T>
    std::optional<T> optionalNumber(const std::string& key) {
        if (!has(key)) return std::nullopt;
        return static_cast<T>(numberValue(at(key), key, std::numeric_limits<T>::max()));
    }

    bool flag(const std::string& key, bool fallback) {
        if (!has(key)) return fallback;
        const json& value = at(key);
        if (!value.is_boolean()) throw SimulatorError(where(key) + "must be true or false");
        return value.get<bool>();
    }

    std::string text(const std::string& key, const std::string& fallback) {
        if (!has(key)) return fallback;
        const json& value = at(key);
        if (!value.is_string()) throw SimulatorError(where(key) + "must be a string");
        return value.get<std::string>();
    }

    std::optional<Bytes> page(const std::string& key) {
        if (!has(key)) return std::nullopt;
        return pageValue(at(key), where(key));
    }

    std::string where(const std::string& key = {}) const {
        std::string path = path_;
        if (!key.empty()) path += (path.empty() ? "" : ".") + key;
        return path.empty() ? std::string() : path + ": ";
    }

    // Throws for a field that no reader asked for.
    void finish() const {
        for (const auto& [key, value] : object_.items()) {
            if (!seen_.contains(key)) throw SimulatorError(where(key) + "unknown field");
        }
    }

    static Bytes pageValue(const json& value, const std::string& where) {
        if (!value.is_string()) throw SimulatorError(where + "must be a string of hex digits");
        auto bytes = fromHex(value.get<std::string>());
        if (!bytes) throw SimulatorError(where + "is not hex digit pairs");
        if (bytes->size() > pages::kPageSize) throw SimulatorError(where + "is longer than 512 bytes");
        bytes->resize(pages::kPageSize, 0);
        return *bytes;
    }

private:
    std::uint64_t numberValue(const json& value, const std::string& key, std::uint64_t max) const {
        std::optional<std::uint64_t> number;
        if (value.is_number_unsigned()) number = value.get<std::uint64_t>();
        if (value.is_string()) number = parseUnsigned(value.get<std::string>());
        if (!number) throw SimulatorError(where(key) + "must be a number (decimal, or hex as \"0x…\")");
        if (*number > max) throw SimulatorError(where(key) + "must be at most " + std::to_string(max));
        return *number;
    }

    const json& object_;
    std::string path_;
    std::set<std::string> seen_;
};

template <typename T>
T narrow(ObjectReader& reader, const std::string& key, T fallback) {
    return static_cast<T>(reader.number(key, fallback, std::numeric_limits<T>::max()));
}

json identifyJson(const IdentifyFlags& flags) {
    return {{"signature", flags.signature},
            {"smartEnabled", flags.smartEnabled},
            {"clockStateReported", flags.clockStateReported},
            {"clockIsSet", flags.clockIsSet}};
}

IdentifyFlags readIdentify(const json& object) {
    ObjectReader reader(object, "identify");
    IdentifyFlags flags;
    flags.signature = reader.flag("signature", flags.signature);
    flags.smartEnabled = reader.flag("smartEnabled", flags.smartEnabled);
    flags.clockStateReported = reader.flag("clockStateReported", flags.clockStateReported);
    flags.clockIsSet = reader.flag("clockIsSet", flags.clockIsSet);
    reader.finish();
    return flags;
}

json clockJson(const ClockState& clock) {
    return {{"lastSetMs", clock.lastSetMs ? json(*clock.lastSetMs) : json(nullptr)}, {"setCount", clock.setCount}};
}

ClockState readClock(const json& object) {
    ObjectReader reader(object, "clock");
    ClockState clock;
    clock.lastSetMs = reader.optionalNumber<std::uint64_t>("lastSetMs");
    clock.setCount = narrow(reader, "setCount", clock.setCount);
    reader.finish();
    return clock;
}

json raidJson(const RaidState& raid) {
    return {{"status", raid.status},
            {"rebuildProgress", raid.rebuildProgress},
            {"patrol", patrolName(raid.patrol)},
            {"patrolProgress", raid.patrolProgress},
            {"optionFlags", hexNumber(raid.optionFlags, 2)},
            {"errorSkipped", raid.errorSkipped},
            {"fpgaVersion", hexNumber(raid.fpgaVersion, 16)}};
}

PatrolState readPatrol(const std::string& text, const std::string& where) {
    for (PatrolState state : {PatrolState::None, PatrolState::Running, PatrolState::Stopped}) {
        if (text == patrolName(state)) return state;
    }
    throw SimulatorError(where + "must be \"none\", \"running\" or \"stopped\"");
}

RaidState readRaid(const json& object) {
    ObjectReader reader(object, "raid");
    RaidState raid;
    raid.status = static_cast<std::uint8_t>(reader.number("status", raid.status, 0x0F));
    raid.rebuildProgress = narrow(reader, "rebuildProgress", raid.rebuildProgress);
    raid.patrol = readPatrol(reader.text("patrol", "none"), reader.where("patrol"));
    raid.patrolProgress = narrow(reader, "patrolProgress", raid.patrolProgress);
    raid.optionFlags = narrow(reader, "optionFlags", raid.optionFlags);
    raid.errorSkipped = reader.flag("errorSkipped", raid.errorSkipped);
    raid.fpgaVersion = narrow(reader, "fpgaVersion", raid.fpgaVersion);
    reader.finish();
    return raid;
}

json memberJson(const MemberDrive& member) {
    return {{"present", member.present},
            {"rebuilding", member.rebuilding},
            {"otherStatusBits", hexNumber(member.otherStatusBits, 2)},
            {"spare", member.spare},
            {"otherExtraBits", hexNumber(member.otherExtraBits, 2)},
            {"model", member.model},
            {"serial", member.serial},
            {"firmware", member.firmware},
            {"capacity", member.capacity},
            {"temperature", member.temperature ? json(*member.temperature) : json(nullptr)},
            {"temperature2", member.temperature2}};
}

MemberDrive readMember(const json& object, std::size_t slot) {
    ObjectReader reader(object, "members." + std::to_string(slot));
    MemberDrive member = defaultMember(slot);
    member.present = reader.flag("present", member.present);
    member.rebuilding = reader.flag("rebuilding", member.rebuilding);
    member.otherStatusBits = narrow(reader, "otherStatusBits", member.otherStatusBits);
    member.spare = reader.flag("spare", member.spare);
    member.otherExtraBits = narrow(reader, "otherExtraBits", member.otherExtraBits);
    member.model = reader.text("model", member.model);
    member.serial = reader.text("serial", member.serial);
    member.firmware = reader.text("firmware", member.firmware);
    member.capacity = reader.number("capacity", member.capacity, std::numeric_limits<std::uint64_t>::max());
    // An explicit null means "no temperature attribute"; a missing field the default.
    if (object.contains("temperature")) member.temperature = reader.optionalNumber<std::uint8_t>("temperature");
    member.temperature2 = narrow(reader, "temperature2", member.temperature2);
    reader.finish();
    return member;
}

json faultsJson(const Faults& faults) {
    json broken = json::array();
    for (std::uint8_t page : faults.brokenFrames) broken.push_back(pageKey(page));
    return {{"rejectDirect", faults.rejectDirect},
            {"rejectSat", faults.rejectSat},
            {"rejectSmart", faults.rejectSmart},
            {"directErrBit", faults.directErrBit},
            {"satSenseKey", faults.satSenseKey ? json(hexNumber(*faults.satSenseKey, 2)) : json(nullptr)},
            {"senseFormat", senseFormatName(faults.senseFormat)},
            {"senseValid", faults.senseValid},
            {"failNext", faults.failNext},
            {"brokenFrames", broken},
            {"delayMs", faults.delayMs},
            {"scsiStatus", faults.scsiStatus ? json(hexNumber(*faults.scsiStatus, 2)) : json(nullptr)},
            {"scsiStatusExecutes", faults.scsiStatusExecutes},
            {"sense", faults.sense ? json(toSpacedHex(*faults.sense)) : json(nullptr)},
            {"senseExecutes", faults.senseExecutes}};
}

Faults readFaults(const json& object) {
    ObjectReader reader(object, "faults");
    Faults faults;
    faults.rejectDirect = narrow(reader, "rejectDirect", faults.rejectDirect);
    faults.rejectSat = narrow(reader, "rejectSat", faults.rejectSat);
    faults.rejectSmart = narrow(reader, "rejectSmart", faults.rejectSmart);
    faults.directErrBit = reader.flag("directErrBit", faults.directErrBit);
    faults.satSenseKey = reader.optionalNumber<std::uint8_t>("satSenseKey");
    const std::string format = reader.text("senseFormat", "descriptor");
    if (format == "fixed") {
        faults.senseFormat = SenseFormat::Fixed;
    } else if (format != "descriptor") {
        throw SimulatorError(reader.where("senseFormat") + "must be \"descriptor\" or \"fixed\"");
    }
    faults.senseValid = reader.flag("senseValid", faults.senseValid);
    faults.failNext = narrow(reader, "failNext", faults.failNext);
    if (reader.has("brokenFrames")) {
        const json& list = reader.at("brokenFrames");
        if (!list.is_array()) throw SimulatorError(reader.where("brokenFrames") + "must be a list of page codes");
        for (const json& item : list) {
            const auto page = item.is_string() ? parsePageCode(item.get<std::string>()) : std::nullopt;
            if (!page) throw SimulatorError(reader.where("brokenFrames") + "holds something that is not a page code");
            faults.brokenFrames.push_back(*page);
        }
    }
    faults.delayMs = narrow(reader, "delayMs", faults.delayMs);
    faults.scsiStatus = reader.optionalNumber<std::uint8_t>("scsiStatus");
    faults.scsiStatusExecutes = reader.flag("scsiStatusExecutes", faults.scsiStatusExecutes);
    if (reader.has("sense") && !reader.at("sense").is_null()) {
        const json& value = reader.at("sense");
        const auto bytes = value.is_string() ? fromHex(value.get<std::string>()) : std::nullopt;
        if (!bytes) throw SimulatorError(reader.where("sense") + "must be a string of hex digit pairs");
        faults.sense = *bytes;
    }
    faults.senseExecutes = reader.flag("senseExecutes", faults.senseExecutes);
    reader.finish();
    return faults;
}

json overridesJson(const DriveDescription& drive) {
    json overrides = json::object();
    if (drive.identifyOverride) overrides["identify"] = toHex(*drive.identifyOverride);
    for (const auto& [page, bytes] : drive.pageOverrides) overrides[pageKey(page)] = toHex(bytes);
    return overrides;
}

void readOverrides(const json& object, DriveDescription& drive) {
    if (!object.is_object()) throw SimulatorError("overrides: must be an object");
    for (const auto& [key, value] : object.items()) {
        const std::string where = "overrides." + key + ": ";
        if (value.is_null()) continue;
        if (key == "identify") {
            drive.identifyOverride = ObjectReader::pageValue(value, where);
            continue;
        }
        const auto page = parsePageCode(key);
        if (!page) throw SimulatorError(where + "is neither \"identify\" nor a page code such as \"E5\"");
        drive.pageOverrides[*page] = ObjectReader::pageValue(value, where);
    }
}

json mirrorLogsJson(const DriveDescription& drive) {
    json logs = json::object();
    for (std::size_t i = 0; i < kMirrorLogCount; ++i) {
        const auto& log = drive.mirrorLogs[i];
        logs[pageKey(static_cast<std::uint8_t>(pages::kMirrorLogPageA + i))] = log ? json(toHex(*log)) : json(nullptr);
    }
    return logs;
}

void readMirrorLogs(const json& object, DriveDescription& drive) {
    ObjectReader reader(object, "mirrorLogs");
    for (std::size_t i = 0; i < kMirrorLogCount; ++i) {
        drive.mirrorLogs[i] = reader.page(pageKey(static_cast<std::uint8_t>(pages::kMirrorLogPageA + i)));
    }
    reader.finish();
}

DriveKind readKind(ObjectReader& reader) {
    const std::string kind = reader.text("kind", "");
    for (DriveKind candidate : {DriveKind::Controller, DriveKind::Disk, DriveKind::Silent}) {
        if (kind == kindName(candidate)) return candidate;
    }
    throw SimulatorError("kind: must be \"controller\", \"disk\" or \"silent\"");
}

void readIdentity(ObjectReader& reader, DriveDescription& drive) {
    drive.serial = reader.text("serial", drive.serial);
    drive.firmware = reader.text("firmware", drive.firmware);
    drive.capacity = reader.number("capacity", drive.capacity, std::numeric_limits<std::uint64_t>::max());
    if (reader.has("identify")) drive.identify = readIdentify(reader.at("identify"));
    if (reader.has("overrides")) readOverrides(reader.at("overrides"), drive);
    if (reader.has("faults")) drive.faults = readFaults(reader.at("faults"));
}

DriveDescription readController(ObjectReader& reader) {
    const std::string model = reader.text("model", "");
    if (!lmx::matchControllerModel(model).family) {
        throw SimulatorError("model: \"" + model + "\" is not in the controller model table");
    }
    DriveDescription drive = defaultController(model);
    readIdentity(reader, drive);
    if (reader.has("clock")) drive.clock = readClock(reader.at("clock"));
    if (reader.has("raid")) drive.raid = readRaid(reader.at("raid"));
    if (reader.has("pageLengths")) {
        ObjectReader lengths(reader.at("pageLengths"), "pageLengths");
        drive.pageLengths.raid = narrow(lengths, "raid", drive.pageLengths.raid);
        drive.pageLengths.drive = narrow(lengths, "drive", drive.pageLengths.drive);
        lengths.finish();
    }
    if (reader.has("members")) {
        const json& list = reader.at("members");
        if (!list.is_array()) throw SimulatorError("members: must be a list");
        if (list.size() > drive.members.size()) {
            throw SimulatorError("members: this family has " + std::to_string(drive.members.size()) + " member slots");
        }
        for (std::size_t slot = 0; slot < drive.members.size(); ++slot) {
            if (slot < list.size()) {
                drive.members[slot] = readMember(list[slot], slot);
            } else {
                drive.members[slot].present = false;  // a shorter list leaves the last slots empty
            }
        }
    }
    drive.buzzerSilenced = narrow(reader, "buzzerSilenced", drive.buzzerSilenced);
    if (reader.has("mirrorLogs")) readMirrorLogs(reader.at("mirrorLogs"), drive);
    return drive;
}

}  // namespace

json toJson(const DriveDescription& drive) {
    json document = {{"kind", kindName(drive.kind)}};
    if (drive.kind == DriveKind::Silent) {
        document["answerAfterMs"] = drive.answerAfterMs ? json(*drive.answerAfterMs) : json(nullptr);
        return document;
    }
    document["model"] = drive.model;
    document["serial"] = drive.serial;
    document["firmware"] = drive.firmware;
    document["capacity"] = drive.capacity;
    document["identify"] = identifyJson(drive.identify);
    if (drive.kind == DriveKind::Controller) {
        document["clock"] = clockJson(drive.clock);
        document["raid"] = raidJson(drive.raid);
        document["pageLengths"] = {{"raid", hexNumber(drive.pageLengths.raid, 2)},
                                   {"drive", hexNumber(drive.pageLengths.drive, 2)}};
        json members = json::array();
        for (const MemberDrive& member : drive.members) members.push_back(memberJson(member));
        document["members"] = members;
        document["buzzerSilenced"] = drive.buzzerSilenced;
        document["mirrorLogs"] = mirrorLogsJson(drive);
    }
    document["overrides"] = overridesJson(drive);
    document["faults"] = faultsJson(drive.faults);
    return document;
}

DriveDescription fromJson(const json& document) {
    ObjectReader reader(document, "");
    DriveDescription drive;
    switch (readKind(reader)) {
        case DriveKind::Silent:
            drive = defaultSilentDrive();
            drive.answerAfterMs = reader.optionalNumber<std::uint32_t>("answerAfterMs");
            break;
        case DriveKind::Disk:
            drive = defaultDisk(reader.text("model", std::string(kDefaultDiskModel)));
            readIdentity(reader, drive);
            break;
        case DriveKind::Controller: drive = readController(reader); break;
    }
    reader.finish();
    checkDescription(drive);
    return drive;
}

}  // namespace simulator
