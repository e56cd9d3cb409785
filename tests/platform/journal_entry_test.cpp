// Event-log entries as the journal takes them: MESSAGE_ID per kind, priority, own fields.

#include "platform/linux/journal_entry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace platform::journal {
namespace {

bool holds(const std::vector<std::string>& fields, const std::string& field) {
    return std::find(fields.begin(), fields.end(), field) != fields.end();
}

TEST(JournalEntry, MessageIdIsOneStable128BitIdPerKind) {
    const std::string lost = messageIdFor(0xC0020258);
    EXPECT_EQ("6e171a377c867bd06a9f5640c0020258", lost);
    EXPECT_EQ(32u, lost.size());
    EXPECT_EQ(std::string::npos, lost.find_first_not_of("0123456789abcdef"));
    EXPECT_NE(lost, messageIdFor(0x400201F4));
    EXPECT_EQ(lost, messageIdFor(0xC0020258));
}

TEST(JournalEntry, ControllerEntryCarriesItsNumbersAndPriority) {
    eventlog::EventFields fields;
    fields.kindId = 0xC0020258;
    fields.physicalDrive = 2;
    fields.raidNumber = 1;
    const auto entry = entryFields("LMXDuowatch", eventlog::kErrorType, 0xC002025A, "lost\nline two", fields);
    EXPECT_TRUE(holds(entry, "MESSAGE=[0xC002025A] lost\nline two"));
    // Every lost controller of a machine shares one MESSAGE_ID, whichever drive it was on.
    EXPECT_TRUE(holds(entry, "MESSAGE_ID=" + messageIdFor(0xC0020258)));
    EXPECT_TRUE(holds(entry, "PRIORITY=3"));
    EXPECT_TRUE(holds(entry, "SYSLOG_IDENTIFIER=LMXDuowatch"));
    EXPECT_TRUE(holds(entry, "LMX_EVENT_ID=0xC002025A"));
    EXPECT_TRUE(holds(entry, "LMX_PHYSICAL_DRIVE=2"));
    EXPECT_TRUE(holds(entry, "LMX_RAID_NUMBER=1"));
}

TEST(JournalEntry, EntryWithoutAControllerHasNoDriveFields) {
    const auto entry = entryFields("LMXDuowatch", eventlog::kInformationType, 0x4002000A, "started", {});
    EXPECT_TRUE(holds(entry, "MESSAGE_ID=" + messageIdFor(0x4002000A)));
    EXPECT_TRUE(holds(entry, "PRIORITY=6"));
    for (const auto& field : entry) {
        EXPECT_FALSE(field.starts_with("LMX_PHYSICAL_DRIVE=") || field.starts_with("LMX_RAID_NUMBER=")) << field;
    }
    EXPECT_EQ(4, priorityFor(eventlog::kWarningType));
    EXPECT_EQ(3, priorityFor(eventlog::kErrorType));
}

}  // namespace
}  // namespace platform::journal
