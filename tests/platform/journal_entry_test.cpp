// Event-log entries as the journal takes them: MESSAGE_ID per kind, priority, own fields.

#include "platform/linux/journal_entry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace platform::journal {
namespace {

bool holds(const std::vector<std::string>& fields, const std::string& field) {
    return std::find(fields.begin(), fields.end(), field) != fields.end();
}

TEST(JournalEntry, EntryCarriesTheWritersIdAndFieldsAndItsPriority) {
    eventlog::EventFields fields;
    fields.messageId = "6e171a377c867bd06a9f5640c0020258";
    fields.fields = {{"LMX_PHYSICAL_DRIVE", "2"}, {"LMX_RAID_NUMBER", "1"}};
    const auto entry = entryFields("LMXDuowatch", eventlog::kErrorType, 0xC002025A, "lost\nline two", fields);
    EXPECT_TRUE(holds(entry, "MESSAGE=[0xC002025A] lost\nline two"));
    EXPECT_TRUE(holds(entry, "MESSAGE_ID=6e171a377c867bd06a9f5640c0020258"));
    EXPECT_TRUE(holds(entry, "PRIORITY=3"));
    EXPECT_TRUE(holds(entry, "SYSLOG_IDENTIFIER=LMXDuowatch"));
    EXPECT_TRUE(holds(entry, "LMX_PHYSICAL_DRIVE=2"));
    EXPECT_TRUE(holds(entry, "LMX_RAID_NUMBER=1"));
}

TEST(JournalEntry, EntryWithoutFieldsHasTheJournalsOwnAlone) {
    const auto entry = entryFields("LMXDuowatch", eventlog::kInformationType, 0x4002000A, "started", {});
    EXPECT_EQ((std::vector<std::string>{"MESSAGE=[0x4002000A] started", "PRIORITY=6", "SYSLOG_IDENTIFIER=LMXDuowatch",
                                        "SYSLOG_FACILITY=3"}),
              entry);
    EXPECT_EQ(4, priorityFor(eventlog::kWarningType));
    EXPECT_EQ(3, priorityFor(eventlog::kErrorType));
}

}  // namespace
}  // namespace platform::journal
