// The Prometheus textfile: its format (what node_exporter's textfile collector accepts) and the
// state it carries.

#include "service/monitor/metrics_text.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"

namespace dwsvc {
namespace {

// Checks `text` against the text format 0.0.4 and returns its samples ("name{labels}" → value).
// Fails the test on the first line it does not accept.
std::map<std::string, double> parseExposition(const std::string& text) {
    static const std::regex kHelp(R"(# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) [^\n]+)");
    static const std::regex kType(R"(# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (gauge|counter))");
    static const std::regex kSample(
        R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(\{[a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\[\\"n])*"(?:,[a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\[\\"n])*")*\})? ([-+]?[0-9.eE+-]+|NaN|[+-]Inf))");
    std::map<std::string, double> samples;
    std::map<std::string, std::string> types;
    std::set<std::string> finished;  // families whose samples are over: each family's lines stay together
    std::string current;
    EXPECT_TRUE(!text.empty() && text.back() == '\n') << "the file ends with a line break";
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, kHelp)) {
            if (!current.empty() && current != match[1]) finished.insert(current);
            current = match[1];
            EXPECT_FALSE(finished.contains(current)) << line;
        } else if (std::regex_match(line, match, kType)) {
            EXPECT_EQ(current, match[1]) << "TYPE follows its HELP: " << line;
            EXPECT_FALSE(types.contains(match[1])) << "one TYPE per family: " << line;
            types[match[1]] = match[2];
            if (match[2] == "counter") {
                EXPECT_TRUE(std::string(match[1]).ends_with("_total")) << line;
            }
        } else if (std::regex_match(line, match, kSample)) {
            EXPECT_EQ(current, match[1]) << "a sample of its family, after its TYPE: " << line;
            EXPECT_TRUE(types.contains(match[1])) << line;
            const std::string series = std::string(match[1]) + std::string(match[2]);
            EXPECT_FALSE(samples.contains(series)) << "one sample per series: " << line;
            samples[series] = std::stod(match[3]);
        } else if (!line.starts_with("# ")) {  // other lines starting "# " are comments
            ADD_FAILURE() << "not in the text format: " << line;
        }
    }
    return samples;
}

lmx::ControllerStatusRecord controller(int n, const char* model, std::uint8_t raidStatus) {
    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    record.physicalNumber = static_cast<std::uint8_t>(n);
    record.present = 1;
    record.ordinal = 0;
    lmx::setField(record.raidModel, model);
    lmx::setField(record.raidSerial, "SER\"1\\");
    lmx::setField(record.raidFirmware, "V1.05");
    record.raidStatus = raidStatus;
    for (auto& slot : record.drive) slot.status = lmx::kDrivePresentBit;
    return record;
}

MetricsSnapshot snapshotOfTwoControllers() {
    MetricsSnapshot snapshot;
    for (int n = 0; n < lmx::kPhysicalDriveCount; ++n) {
        lmx::clearRecord(snapshot.records[n]);
        snapshot.records[n].physicalNumber = static_cast<std::uint8_t>(n);
    }
    // Drive 0: a three-slot temperature model rebuilding at 50 %, member 1 rebuilding, member 0 hot.
    auto& rebuilding = snapshot.records[0] = controller(0, "Lumavex ZDAP-RS482", lmx::kRaidRebuilding);
    lmx::setProgress(rebuilding, 128);
    rebuilding.drive[1].status = lmx::kDrivePresentBit | lmx::kDriveRebuildingBit;
    rebuilding.drive[0].temperatureValid = 1;
    rebuilding.drive[0].temperature = 61;
    rebuilding.drive[2].status = 0;
    // Drive 3: a two-slot model without temperatures, patrolling at 25 %.
    auto& patrolling = snapshot.records[3] = controller(3, "ZDA-JW100", lmx::kRaidNormal);
    patrolling.ordinal = 1;
    patrolling.patrolState = 1;
    lmx::setProgress(patrolling, 16384);
    patrolling.drive[0].temperatureValid = 1;  // not a temperature model: never reported
    patrolling.drive[0].temperature = 99;
    snapshot.temperatureSetting = 0x3C01;
    snapshot.lastPollUnixSeconds = 1'750'000'000;
    snapshot.eventCounts = {{kEventControllerFound + 0, 1}, {kEventControllerLost + 2, 3}};
    return snapshot;
}

TEST(MetricsText, IsTheTextFormatAndCarriesTheControllersState) {
    const std::string text = metricsText(snapshotOfTwoControllers());
    const auto samples = parseExposition(text);
    // A file left by a stopped service says when it was written.
    EXPECT_TRUE(text.starts_with("# Written by dwsvc at 2025-06-15T15:06:40Z.\n")) << text.substr(0, 60);
    EXPECT_EQ("1969-12-31T23:59:59Z", utcTimeText(-1));

    EXPECT_EQ(1, samples.at(R"(lmxduowatch_controller_present{drive="0"})"));
    EXPECT_EQ(0, samples.at(R"(lmxduowatch_controller_present{drive="1"})"));
    EXPECT_EQ(1, samples.at(R"(lmxduowatch_controller_present{drive="3"})"));
    EXPECT_EQ(2, samples.at(R"(lmxduowatch_raid_status{drive="0"})"));
    EXPECT_FALSE(samples.contains(R"(lmxduowatch_raid_status{drive="1"})"));

    EXPECT_DOUBLE_EQ(0.5, samples.at(R"(lmxduowatch_rebuild_progress_ratio{drive="0"})"));
    EXPECT_FALSE(samples.contains(R"(lmxduowatch_rebuild_progress_ratio{drive="3"})"));
    EXPECT_DOUBLE_EQ(0.25, samples.at(R"(lmxduowatch_patrol_progress_ratio{drive="3"})"));
    EXPECT_FALSE(samples.contains(R"(lmxduowatch_patrol_progress_ratio{drive="0"})"));
    EXPECT_EQ(1, samples.at(R"(lmxduowatch_patrol_state{drive="3"})"));

    EXPECT_EQ(1, samples.at(R"(lmxduowatch_member_present{drive="0",slot="1"})"));
    EXPECT_EQ(0, samples.at(R"(lmxduowatch_member_present{drive="0",slot="2"})"));
    EXPECT_FALSE(samples.contains(R"(lmxduowatch_member_present{drive="3",slot="2"})"));  // two slots
    EXPECT_EQ(61, samples.at(R"(lmxduowatch_member_temperature_celsius{drive="0",slot="0"})"));
    EXPECT_FALSE(samples.contains(R"(lmxduowatch_member_temperature_celsius{drive="0",slot="1"})"));
    EXPECT_FALSE(samples.contains(R"(lmxduowatch_member_temperature_celsius{drive="3",slot="0"})"));

    EXPECT_EQ(1, samples.at("lmxduowatch_temperature_alarm_enabled"));
    EXPECT_EQ(60, samples.at("lmxduowatch_temperature_alarm_threshold_celsius"));
    EXPECT_EQ(1'750'000'000, samples.at("lmxduowatch_last_poll_timestamp_seconds"));
    EXPECT_EQ(1, samples.at(R"(lmxduowatch_events_total{event_id="0x400201F4"})"));
    EXPECT_EQ(3, samples.at(R"(lmxduowatch_events_total{event_id="0xC002025A"})"));

    // Texts from a controller are escaped, never breaking a line or a label.
    EXPECT_EQ(1, samples.at(R"(lmxduowatch_controller_info{drive="0",raid="1",model="Lumavex ZDAP-RS482",)"
                            R"(serial="SER\"1\\",firmware="V1.05"})"));
}

TEST(MetricsText, WithoutControllersEveryDriveIsAbsent) {
    MetricsSnapshot snapshot;
    for (int n = 0; n < lmx::kPhysicalDriveCount; ++n) snapshot.records[n].physicalNumber = static_cast<std::uint8_t>(n);
    const auto samples = parseExposition(metricsText(snapshot));
    for (int n = 0; n < lmx::kPhysicalDriveCount; ++n) {
        EXPECT_EQ(0, samples.at("lmxduowatch_controller_present{drive=\"" + std::to_string(n) + "\"}"));
    }
    EXPECT_EQ(0, samples.at("lmxduowatch_temperature_alarm_enabled"));
}

TEST(MetricsText, LabelValuesEscapeBackslashQuoteAndLineBreak) {
    EXPECT_EQ(R"(a\\b\"c\nd)", escapeLabelValue("a\\b\"c\nd"));
}

// The journal's fields of an entry: its kind without the drive, the drive and RAID numbers.
TEST(EventFields, ControllerEntriesNameTheirKindDriveAndRaidNumber) {
    auto record = controller(4, "Lumavex ZDAP-RS482", lmx::kRaidError);
    record.ordinal = 2;
    const auto fields = eventFieldsFor(&record, kEventControllerLost + 4);
    // Every lost controller of a machine shares one MESSAGE_ID, whichever drive it was on.
    EXPECT_EQ(messageIdFor(kEventControllerLost), fields.messageId);
    using Fields = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ((Fields{{"LMX_PHYSICAL_DRIVE", "4"}, {"LMX_RAID_NUMBER", "3"}}), fields.fields);

    const auto started = eventFieldsFor(nullptr, kEventMonitoringStarted);
    EXPECT_EQ(messageIdFor(kEventMonitoringStarted), started.messageId);
    EXPECT_TRUE(started.fields.empty());

    // Every entry names its id and type, before the fields of its kind.
    const auto entry = loggedEvent("lost", kEventControllerLost + 4, platform::eventlog::kErrorType, fields);
    EXPECT_EQ((Fields{{"LMX_EVENT_ID", "0xC002025C"}, {"LMX_EVENT_TYPE", "1"}, {"LMX_PHYSICAL_DRIVE", "4"},
                      {"LMX_RAID_NUMBER", "3"}}),
              entry.fields.fields);
}

TEST(EventFields, MessageIdIsOneStable128BitIdPerKind) {
    const std::string lost = messageIdFor(0xC0020258);
    EXPECT_EQ("6e171a377c867bd06a9f5640c0020258", lost);
    EXPECT_EQ(32u, lost.size());
    EXPECT_EQ(std::string::npos, lost.find_first_not_of("0123456789abcdef"));
    EXPECT_NE(lost, messageIdFor(0x400201F4));
    EXPECT_EQ(messageIdFor(kEventStartupFailure), loggedEvent("x", kEventStartupFailure, 1).fields.messageId);
}

}  // namespace
}  // namespace dwsvc
