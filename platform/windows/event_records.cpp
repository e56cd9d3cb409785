#include "platform/windows/event_records.h"

#include <windows.h>

#include <cstring>

#include "platform/windows/wide_text.h"

namespace platform::win32 {

namespace {

// The UTF-16 text that starts at `offset` of the record, up to its zero or `end`; moves `offset`
// past the zero. False when no zero comes before `end`.
bool textAt(const std::uint8_t* record, std::size_t& offset, std::size_t end, std::wstring& text) {
    text.clear();
    for (; offset + sizeof(wchar_t) <= end; offset += sizeof(wchar_t)) {
        wchar_t c;
        std::memcpy(&c, record + offset, sizeof c);
        if (c == L'\0') {
            offset += sizeof(wchar_t);
            return true;
        }
        text.push_back(c);
    }
    return false;
}

}  // namespace

bool decodeEventRecords(const std::uint8_t* bytes, std::size_t size, std::wstring_view source, std::int64_t after,
                        std::string_view reportedSource, std::vector<eventlog::EventRecord>& into) {
    std::size_t at = 0;
    while (at < size) {
        EVENTLOGRECORD header;
        if (size - at < sizeof header) return false;
        std::memcpy(&header, bytes + at, sizeof header);
        if (header.Length < sizeof header || header.Length > size - at) return false;
        const std::uint8_t* record = bytes + at;
        const std::size_t length = header.Length;
        at += length;

        std::size_t offset = sizeof header;
        std::wstring name;
        if (!textAt(record, offset, length, name)) return false;
        if (name != source || static_cast<std::int64_t>(header.RecordNumber) <= after) continue;

        eventlog::EventRecord entry;
        entry.recordNumber = header.RecordNumber;
        entry.timeGenerated = header.TimeGenerated;
        entry.source = std::string(reportedSource);
        entry.eventId = header.EventID;
        entry.type = header.EventType;
        entry.category = header.EventCategory;
        offset = header.StringOffset;
        if (offset > length) return false;
        for (WORD n = 0; n < header.NumStrings; ++n) {
            std::wstring text;
            if (!textAt(record, offset, length, text)) return false;
            entry.strings.push_back(narrow(text));
        }
        into.push_back(std::move(entry));
    }
    return true;
}

}  // namespace platform::win32
