// English string table: the texts the GUI programs load by number when the language is English.
// Each text carries the same placeholders, in the same order, as the Japanese text of the same
// number.

#include <cstdint>
#include <cstring>

#include "platform/program_file_macros.h"

namespace {

struct Entry {
    std::int32_t id;
    const char* text;
};

constexpr Entry kStrings[] = {
    {143, "RAID information"},
    {144, "Status"},
    {145, "Model"},
    {146, "Firmware"},
    {147, "Serial number"},
    {148, "Capacity"},
    {149, "Status"},
    {150, "Model"},
    {151, "Firmware"},
    {152, "Serial number"},
    {153, "Total"},
    {154, "FPGA"},
    {155, "RAID information"},
    {156, "Drive%2d"},
    {157, "Verify schedule settings"},
    {158, "Normal"},
    {159, "Rebuilding"},
    {160, "Rebuild stopped"},
    {161, "Error"},
    {162, "Undefined"},
    {163, "Normal"},
    {164, "Rebuilding"},
    {165, "Not detected"},
    {166, "Rebuilding %3.1f%%"},
    {167, "Rebuild stopped %3.1f%%"},
    {168, "Patrolling %3.1f%%"},
    {169, "Patrol stopped %3.1f%%"},
    {170, "Pop-up display settings"},
    {171, "Display"},
    {172, "Display time"},
    {173, "&Normal"},
    {174, "&Rebuild"},
    {175, "Error (&D)"},
    {176, "Do not close"},
    {177, "%3d s"},
    {178, "&Set"},
    {179, "&Cancel"},
    {180, "Version information"},
    {181, "Monitoring interval settings"},
    {182, "Query interval"},
    {183, "%2d min"},
    {184, "Duowatch"},
    {185, "&Enable"},
    {186, "Weekly"},
    {187, "Monthly"},
    {188, "Sunday"},
    {189, "Monday"},
    {190, "Tuesday"},
    {191, "Wednesday"},
    {192, "Thursday"},
    {193, "Friday"},
    {194, "Saturday"},
    {195, "No next run time is set"},
    {196, "The next run is on %04d-%02d-%02d (%s) at %02d:%02d"},
    {197, "Start monitoring"},
    {198, "Stop monitoring"},
    {199, "Show RAID information"},
    {200, "Exit"},
    {201, "LMX Duowatch Service\n\n"},
    {202, "Physical drive No.%d, RAID No.%d\n"},
    {203, "RAID status: %s\n"},
    {204, "Drive%d status: %s"},
    {205, "&Save mirror log"},
    {206, "&View information"},
    {207, "&Close"},
    {208, "The Duocard can no longer be detected.\r\nIf it is not detected again after a while, please contact your dealer's support desk.\n\nPhysical drive No.%d, RAID No.%d\nModel:%s\nSerial number:%s\nFirmware:%s"},
    {209, "Temperature"},
    {210, "Stop &buzzer"},
    {211, "&Update information"},
    {212, "%2d s"},
    {213, "The rebuild source had sectors that could not be read.\r\nPlease contact your dealer's support desk."},
    {214, "Normal (error skip occurred)"},
    {216, "The system load was high and LMX Duowatch could not start normally.\r\n Please restart LMX Duowatch."},
    {217, "Error"},
    {218, "%2d h"},
    {219, "&File"},
    {220, "&Exit"},
    {221, "&Edit"},
    {222, "&Pop-up display settings"},
    {223, "Monitoring &interval settings"},
    {224, "&Verify schedule settings"},
    {225, "Ru&n"},
    {226, "&Start verify"},
    {227, "S&top verify"},
    {228, "&Help"},
    {229, "&About"},
    {230, "Open &help"},
    {231, "&Temperature monitoring settings"},
    {232, "&Finish verify"},
    {233, "Normal (spare)"},
    {234, "Not detected (spare)"},
    {235, "RAID information &display settings"},
    {236, "RAID information display settings"},
    {237, "Tree view"},
    {300, "The log could not be read"},
    {301, "The log could not be saved"},
    {302, "The log has been saved"},
    {303, "The monitoring service has been started"},
    {304, "The monitoring service is already running"},
    {305, "The monitoring service could not be started.\r\nPlease wait until heavy processing has finished and try again."},
    {306, "The monitoring service has been stopped"},
    {307, "The monitoring service is already stopped"},
    {308, "The monitoring service could not be stopped.\r\nPlease wait until heavy processing has finished and try again."},
    {320, "Temperature monitoring settings"},
    {321, "Enable"},
    {322, "Threshold temperature"},
};

}  // namespace

// Copies the English text of string `id` (UTF-8, NUL-terminated, cut to size − 1 bytes) into
// `buffer` and returns 1; returns 0, leaving the buffer untouched, when there is no such string
// or no room at all.
extern "C" LMX_LIBRARY_EXPORT std::uint8_t loadStringResource(std::int32_t id, char* buffer,
                                                                                 std::int32_t size) {
    if (!buffer || size <= 0) return 0;
    for (const Entry& entry : kStrings) {
        if (entry.id != id) continue;
        const std::size_t capacity = static_cast<std::size_t>(size) - 1;
        const std::size_t length = std::strlen(entry.text) < capacity ? std::strlen(entry.text) : capacity;
        std::memcpy(buffer, entry.text, length);
        buffer[length] = '\0';
        return 1;
    }
    return 0;
}
