// English event-log texts. Each text carries the same placeholders, in the same order, as the
// service's Japanese text of the same number.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/program_file_macros.h"

namespace {

struct Entry {
    int index;
    const char* text;
};

constexpr Entry kEventlogStrings[] = {
    {1, "Lumavex Duocard monitoring information\n\n"},
    {2, "Physical drive No.%d, RAID No.%d\n"},
    {3, "RAID status: %s\n"},
    {4, "Normal"},
    {5, "Rebuilding"},
    {6, "Rebuild stopped"},
    {7, "Error"},
    {8, "Drive%d status: %s\n"},
    {9, "Normal"},
    {10, "Rebuilding"},
    {11, "Not detected"},
    {12, "Started monitoring Lumavex Duocards [version %s]"},
    {13, "Stopped monitoring Lumavex Duocards"},
    {14, "A new Duocard was detected\n\nPhysical drive No.%d, RAID No.%d\nModel:%s\nSerial number:%s\nFirmware:%s\n\n"},
    {15, "A Duocard can no longer be detected\n\nPhysical drive No.%d, RAID No.%d\nModel:%s\nSerial number:%s\n"
         "Firmware:%s"},
    {16, "Verify was started by the schedule\n\nPhysical drive No.%d, RAID No.%d\nModel:%s\nSerial number:%s\n"
         "Firmware:%s"},
    {17, "Verify could not be started because the scheduled time has passed\n\nScheduled time:\n%s"},
    {18, "Scheduled verify could not be started because the RAID status is not normal\n\nPhysical drive No.%d, "
         "RAID No.%d\nModel:%s\nSerial number:%s\nFirmware:%s"},
    {19, "A drive temperature at or above the threshold was detected\n\nPhysical drive No.%d, RAID No.%d\n\n"
         "Threshold: %2d C\n%s"},
    {20, "The rebuild source had sectors that could not be read\n\nPhysical drive No.%d, RAID No.%d\nModel:%s\n"
         "Serial number:%s\nFirmware:%s"},
    {21, "%d events could not be written to the event log\n\nPeriod:\nfrom %s\nto %s"},
    {22, "The registry was lost; the service's settings and state were written back to it"},
};

constexpr const char* kUndefinedText = "Undefined event log entry [LOGID = 0x%04X]";

void copyText(const char* text, char* buffer, std::int32_t bufferSize) {
    const auto capacity = static_cast<std::size_t>(bufferSize);
    const std::size_t length = std::strlen(text) < capacity ? std::strlen(text) : capacity - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

}  // namespace

// The text of message `index` into `buffer` (at most bufferSize bytes, terminated). An unknown
// index gives the undefined-entry text, with one placeholder for a 16-bit id, and returns 0.
extern "C" LMX_LIBRARY_EXPORT std::uint8_t eventlogString(std::int32_t index, char* buffer,
                                                                             std::int32_t bufferSize) {
    if (!buffer || bufferSize <= 0) return 0;
    for (const Entry& entry : kEventlogStrings) {
        if (entry.index == index) {
            copyText(entry.text, buffer, bufferSize);
            return 1;
        }
    }
    copyText(kUndefinedText, buffer, bufferSize);
    return 0;
}
