// lmxpipe's views for scripts: the status records as JSON and the event log.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "platform/event_log.h"
#include "platform/win_error.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_root.h"
#include "tests/tools/program_run.h"
#include "tools/lmxpipe/event_listing.h"
#include "tools/lmxpipe/record_json.h"

namespace lmxpipe {
namespace {

TEST(RecordJson, EveryFieldOfTheRecordTextsTrimmedNumbersAsNumbers) {
    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    record.physicalNumber = 2;
    record.present = 1;
    record.ordinal = 1;
    lmx::setField(record.raidModel, "  Lumavex ZDAP-RS482      ");
    lmx::setField(record.raidSerial, "LMX0001   ");
    lmx::setField(record.raidFirmware, "V1.05   ");
    lmx::setFpgaVersion(record, 0x20240115);
    record.raidOptionFlags = 0x10;
    record.errorSkipped = 1;
    lmx::setRaidCapacity(record, 1'953'525'168);
    lmx::setProgress(record, 128);
    record.patrolState = 2;
    record.raidStatus = lmx::kRaidRebuilding;
    auto& slot = record.drive[1];
    lmx::setField(slot.model, "Lumavex LHD-1000   ");
    lmx::setField(slot.serial, "LHD2");
    lmx::setField(slot.firmware, "LH10");
    lmx::setDriveCapacity(slot, 976'773'168);
    slot.status = 3;
    slot.temperatureValid = 1;
    slot.temperature = 61;
    slot.temperature2 = 30;
    slot.statusExtra = 4;

    const auto json = recordJson(record);
    EXPECT_EQ(2, json["physicalNumber"]);
    EXPECT_EQ(1, json["present"]);
    EXPECT_EQ(1, json["ordinal"]);
    EXPECT_EQ("Lumavex ZDAP-RS482", json["raidModel"]);
    EXPECT_EQ("LMX0001", json["raidSerial"]);
    EXPECT_EQ("V1.05", json["raidFirmware"]);
    EXPECT_EQ(0x20240115u, json["fpgaVersion"]);
    EXPECT_EQ(0x10, json["raidOptionFlags"]);
    EXPECT_EQ(1, json["errorSkipped"]);
    EXPECT_EQ(1'953'525'168u, json["raidCapacity"]);
    EXPECT_EQ(128, json["progress"]);
    EXPECT_EQ(2, json["patrolState"]);
    EXPECT_EQ(2, json["raidStatus"]);
    ASSERT_EQ(3u, json["drive"].size());
    const auto& member = json["drive"][1];
    EXPECT_EQ("Lumavex LHD-1000", member["model"]);
    EXPECT_EQ("LHD2", member["serial"]);
    EXPECT_EQ("LH10", member["firmware"]);
    EXPECT_EQ(976'773'168u, member["capacity"]);
    EXPECT_EQ(3, member["status"]);
    EXPECT_EQ(1, member["temperatureValid"]);
    EXPECT_EQ(61, member["temperature"]);
    EXPECT_EQ(30, member["temperature2"]);
    EXPECT_EQ(4, member["statusExtra"]);
    EXPECT_EQ("", json["drive"][0]["model"]);
}

TEST(RecordJson, TheTableIsValidJsonEvenWithBytesThatAreNotText) {
    std::array<lmx::ControllerStatusRecord, lmx::kPhysicalDriveCount> records{};
    lmx::setField(records[0].raidModel, "ZDA\xff\xfe");
    const auto table = nlohmann::json::parse(statusTableJson(records), nullptr, false);
    ASSERT_TRUE(table.is_array());
    EXPECT_EQ(6u, table.size());
    EXPECT_TRUE(table[0]["raidModel"].get<std::string>().starts_with("ZDA"));
}

TEST(EventListing, SinceTakesSecondsOrALocalTime) {
    EXPECT_EQ(1'750'000'000, parseSince("@1750000000"));
    const auto day = parseSince("2025-06-01");
    ASSERT_TRUE(day.has_value());
    EXPECT_EQ(*day + 10 * 3600 + 30 * 60, parseSince("2025-06-01 10:30"));
    EXPECT_EQ(*day + 10 * 3600 + 30 * 60 + 15, parseSince("2025-06-01T10:30:15"));
    for (const char* wrong : {"", "@", "@12x", "yesterday", "2025-13-01", "2025-06-01 10", "2025-06-01x", "2025-06-01 25:00"}) {
        EXPECT_FALSE(parseSince(wrong).has_value()) << wrong;
    }
}

std::vector<platform::eventlog::EventRecord> twoEntries() {
    platform::eventlog::EventRecord started;
    started.recordNumber = 1;
    started.timeGenerated = 1'750'000'000;
    started.source = "LMXDuowatch";
    started.eventId = 0x4002000A;
    started.type = platform::eventlog::kInformationType;
    started.strings = {"LMXDuowatch", "started"};
    auto lost = started;
    lost.recordNumber = 2;
    lost.timeGenerated = 1'750'000'100;
    lost.eventId = 0xC002025A;
    lost.type = platform::eventlog::kErrorType;
    lost.strings = {"LMXDuowatch", "lost\n\nline three"};
    return {started, lost};
}

TEST(EventListing, TextAndJsonHoldEveryEntryAfterTheTimeGiven) {
    const auto entries = twoEntries();
    const auto later = entriesSince(entries, 1'750'000'050);
    ASSERT_EQ(1u, later.size());
    EXPECT_EQ(2, later[0].recordNumber);
    EXPECT_EQ(2u, entriesSince(entries, 1'750'000'000).size());

    const std::string text = eventsText(later);
    EXPECT_TRUE(text.starts_with("#2  ")) << text;
    EXPECT_NE(std::string::npos, text.find("  0xC002025A  error\n    lost\n\n    line three\n")) << text;

    const auto json = nlohmann::json::parse(eventsJson(entries));
    ASSERT_EQ(2u, json.size());
    EXPECT_EQ(0xC002025Au, json[1]["eventId"]);
    EXPECT_EQ("0xC002025A", json[1]["eventIdHex"]);
    EXPECT_EQ(1, json[1]["type"]);
    EXPECT_EQ("error", json[1]["typeName"]);
    EXPECT_EQ(1'750'000'100, json[1]["time"]);
    EXPECT_EQ("2025-06-15T15:08:20Z", json[1]["timeUtc"]);
    EXPECT_EQ("lost\n\nline three", json[1]["text"]);
}

// Only the service's user reads the event log; another user is told where the entries are.
TEST(EventListing, AnotherUserIsPointedAtTheJournal) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "taking another user's identity needs root";
    lmx::testing::TempRoot root;
    lmx::testing::openToOtherUsers(root.path());
    {
        auto source = platform::eventlog::EventSource::registerSource("LMXDuowatch");
        ASSERT_TRUE(source.has_value());
        ASSERT_TRUE(source->report(platform::eventlog::kInformationType, 0, 0x4002000A, {"LMXDuowatch", "started"}));
    }
    int messages[2];
    ASSERT_EQ(0, ::pipe(messages));
    const int result = lmx::testing::runAsOtherUser([&] {
        ::dup2(messages[1], STDERR_FILENO);
        if (platform::eventlog::readEventLog().has_value() || platform::lastError() != platform::kErrorAccessDenied) {
            return 10;
        }
        return runEventsCommand({});
    });
    ::close(messages[1]);
    char text[512] = {};
    const ssize_t length = ::read(messages[0], text, sizeof text - 1);
    ::close(messages[0]);
    EXPECT_EQ(1, result);
    ASSERT_GT(length, 0);
    EXPECT_NE(nullptr, std::strstr(text, "journalctl -t LMXDuowatch")) << text;
    // The service's user reads it.
    EXPECT_EQ(1u, platform::eventlog::readEventLog()->size());
}

// Root lists the log while its write-ahead log is missing: as the file holds it at first, and
// everything once the service has written again.
TEST(EventListing, LogIsListedWhileItsWriteAheadLogIsMissing) {
    lmx::testing::TempRoot root;
    auto source = platform::eventlog::EventSource::registerSource("LMXDuowatch");
    ASSERT_TRUE(source.has_value());
    ASSERT_TRUE(source->report(platform::eventlog::kInformationType, 0, 0x4002000A, {"LMXDuowatch", "first"}));
    std::filesystem::remove(root.path() / "eventlog.db-wal");
    const auto lmxpipe = lmx::testing::programsFolder() / "lmxpipe";
    auto run = lmx::testing::runProgram(lmxpipe, "lmxpipe", {"events"});
    EXPECT_EQ(0, run.exitCode) << run.output;
    ASSERT_TRUE(source->report(platform::eventlog::kInformationType, 0, 0x40020014, {"LMXDuowatch", "second"}));
    EXPECT_TRUE(std::filesystem::exists(root.path() / "eventlog.db-wal"));
    run = lmx::testing::runProgram(lmxpipe, "lmxpipe", {"events"});
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("first")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("second")) << run.output;
}

}  // namespace
}  // namespace lmxpipe
