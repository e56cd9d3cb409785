// The application event log on Windows. Wine's event log takes entries and gives none back, so
// what is read back is checked where the log keeps it (on Windows), and the reading of the log's
// records is checked on records laid out as ReadEventLogW hands them over.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/event_log.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/windows/event_records.h"
#include "platform/windows/event_source_registration.h"
#include "tests/support/temp_root.h"

namespace platform::eventlog {
namespace {

// One EVENTLOGRECORD with its source, computer name and insertion strings, padded to a DWORD.
std::vector<std::uint8_t> record(DWORD number, const std::wstring& source, DWORD eventId, WORD type,
                                 const std::vector<std::wstring>& strings) {
    std::vector<std::uint8_t> bytes(sizeof(EVENTLOGRECORD));
    const auto append = [&](const std::wstring& text) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(text.c_str());
        bytes.insert(bytes.end(), data, data + (text.size() + 1) * sizeof(wchar_t));
    };
    append(source);
    append(L"MACHINE");
    const auto stringOffset = static_cast<DWORD>(bytes.size());
    for (const auto& text : strings) append(text);
    bytes.resize((bytes.size() + 3) / 4 * 4 + sizeof(DWORD));
    EVENTLOGRECORD header{};
    header.Length = static_cast<DWORD>(bytes.size());
    header.Reserved = 0x654c664c;  // "LfLe"
    header.RecordNumber = number;
    header.TimeGenerated = 1'700'000'000 + number;
    header.TimeWritten = header.TimeGenerated;
    header.EventID = eventId;
    header.EventType = type;
    header.NumStrings = static_cast<WORD>(strings.size());
    header.EventCategory = 3;
    header.StringOffset = stringOffset;
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + header.Length - sizeof(DWORD), &header.Length, sizeof(DWORD));
    return bytes;
}

TEST(EventLogRecords, TheSuitesEntriesAfterARecordAreReadWithTheirFields) {
    std::vector<std::uint8_t> buffer;
    for (const auto& one : {record(7, L"LMXDuowatch", 0x4002000A, kInformationType, {L"LMXDuowatch", L"監視を開始しました"}),
                            record(8, L"OtherProgram", 1, kErrorType, {L"x"}),
                            record(9, L"LMXDuowatch", 0xC0020258, kErrorType, {L"LMXDuowatch", L"lost\nline two"})}) {
        buffer.insert(buffer.end(), one.begin(), one.end());
    }
    std::vector<EventRecord> records;
    ASSERT_TRUE(win32::decodeEventRecords(buffer.data(), buffer.size(), L"LMXDuowatch", 0, "LMXDuowatch", records));
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(7, records[0].recordNumber);
    EXPECT_EQ(1'700'000'007, records[0].timeGenerated);
    EXPECT_EQ("LMXDuowatch", records[0].source);
    EXPECT_EQ(0x4002000Au, records[0].eventId);
    EXPECT_EQ(kInformationType, records[0].type);
    EXPECT_EQ(3, records[0].category);
    EXPECT_EQ((std::vector<std::string>{"LMXDuowatch", "監視を開始しました"}), records[0].strings);
    EXPECT_EQ("lost\nline two", records[1].strings[1]);

    records.clear();
    ASSERT_TRUE(win32::decodeEventRecords(buffer.data(), buffer.size(), L"LMXDuowatch", 7, "LMXDuowatch", records));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(9, records[0].recordNumber);

    // A record longer than what was read, or strings past its end, are not read past.
    records.clear();
    EXPECT_FALSE(win32::decodeEventRecords(buffer.data(), buffer.size() - 4, L"LMXDuowatch", 8, "LMXDuowatch", records));
    auto broken = record(10, L"LMXDuowatch", 1, kErrorType, {L"text"});
    reinterpret_cast<EVENTLOGRECORD*>(broken.data())->NumStrings = 40;
    EXPECT_FALSE(win32::decodeEventRecords(broken.data(), broken.size(), L"LMXDuowatch", 0, "LMXDuowatch", records));
}

TEST(EventLog, EntriesAreReportedUnderTheRootsSourceWhichIsRegisteredWithItsMessageFile) {
    lmx::testing::TempRoot root;
    {
        auto source = EventSource::registerSource("LMXDuowatch");
        ASSERT_TRUE(source.has_value());
        EXPECT_TRUE(source->report(kInformationType, 0, 0x4002000A, {"LMXDuowatch", "監視を開始しました"}));
        EXPECT_TRUE(source->write(1'700'000'000, kWarningType, 0, 1, {"model \xff\xfe end"}));
        EventSource moved = std::move(*source);
        EXPECT_FALSE(source->report(kErrorType, 0, 2, {"gone"}));
        EXPECT_TRUE(moved.report(kErrorType, 0, 0xC0020258, {"LMXDuowatch", "lost"}));
    }
    const std::string name = win32::eventSourceName("LMXDuowatch");
    EXPECT_NE("LMXDuowatch", name);  // a test root's source carries its tag
    registry::Key key;
    ASSERT_EQ(kErrorSuccess, registry::Key::open(win32::eventSourceKeyPath("LMXDuowatch"), registry::kKeyRead, key));
    std::string messageFile;
    ASSERT_EQ(kErrorSuccess, key.queryString("EventMessageFile", messageFile));
    EXPECT_EQ(programFolder() + "TXTRES_EN.dll", messageFile);
    std::uint32_t types = 0;
    EXPECT_EQ(kErrorSuccess, key.queryDword("TypesSupported", types));
    EXPECT_EQ(7u, types);
    EXPECT_EQ(kErrorSuccess, win32::removeEventSourceRegistration("LMXDuowatch"));
    EXPECT_EQ(kErrorFileNotFound, registry::Key::open(win32::eventSourceKeyPath("LMXDuowatch"), registry::kKeyRead, key));

    const auto records = readEventLog();
    ASSERT_TRUE(records.has_value()) << lastError();
    // Wine keeps no entries; Windows gives back the three just written, in their order.
    if (records->size() >= 3) {
        const auto& last = (*records)[records->size() - 1];
        EXPECT_EQ(0xC0020258u, last.eventId);
        EXPECT_EQ((std::vector<std::string>{"LMXDuowatch", "lost"}), last.strings);
        EXPECT_EQ(0x4002000Au, (*records)[records->size() - 3].eventId);
    }
}

}  // namespace
}  // namespace platform::eventlog
