// The mirror-log file and the settings encoders and decoders (common/service_settings,
// common/mirror_log_file, tray/core/popup_settings and setting_choices). The input gives the
// values to encode: a status record and two log pages, a patrol schedule, a temperature alarm,
// an interval, the pop-up dialog's choices, the settings dialogs' selections over a stored value.
//
// Property: decode(encode(x)) == x for every x the encoders take; a stored value the dialogs
// open with and store unchanged keeps every field it had.

#include <cstring>
#include <optional>

#include "common/controller_status_record.h"
#include "common/mirror_log_file.h"
#include "common/service_settings.h"
#include "tray/core/mirror_log.h"
#include "tray/core/popup_settings.h"
#include "tray/core/setting_choices.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using lmx::fuzz::FuzzInput;

bool samePatrol(const lmx::PatrolSchedule& a, const lmx::PatrolSchedule& b) {
    return a.period == b.period && a.enabled == b.enabled && a.day == b.day && a.hour == b.hour && a.minute == b.minute;
}

bool sameChoices(const lmx::tray::PatrolChoices& a, const lmx::tray::PatrolChoices& b) {
    return a.enabled == b.enabled && a.kind == b.kind && a.day == b.day && a.hour == b.hour && a.minute == b.minute;
}

std::optional<int> choice(FuzzInput& input, int count) {
    const std::uint8_t b = input.byte();
    if (b & 0x80) return std::nullopt;
    return b % count;
}

void mirrorLog(FuzzInput& input) {
    lmx::StatusRecordBytes bytes;
    input.fill(bytes);
    const auto record = lmx::recordFromBytes(bytes);
    FUZZ_CHECK(lmx::toBytes(record) == bytes);
    lmx::tray::LogPages pages;
    for (auto& page : pages) {
        page.ok = input.byte() & 1;
        input.fill(page.data);
    }
    const lmx::MirrorLogFile image = lmx::tray::mirrorLogImage(record, pages);
    std::uint8_t file[lmx::kMirrorLogFileSize];
    std::memcpy(file, &image, sizeof file);
    FUZZ_CHECK(std::memcmp(file, bytes.data(), bytes.size()) == 0);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::uint8_t* page = file + lmx::kStatusRecordSize + i * lmx::kMirrorLogPageSize;
        if (pages[i].ok) {
            FUZZ_CHECK(std::memcmp(page, pages[i].data.data(), lmx::kMirrorLogPageSize) == 0);
        } else {
            for (std::size_t j = 0; j < lmx::kMirrorLogPageSize; ++j) FUZZ_CHECK(page[j] == 0);
        }
    }
}

void serviceSettings(FuzzInput& input) {
    lmx::PatrolSchedule schedule;
    const std::uint8_t flags = input.byte();
    schedule.period = flags & 1 ? lmx::PatrolPeriod::Monthly : lmx::PatrolPeriod::Weekly;
    schedule.enabled = flags & 2;
    schedule.day = input.byte();
    schedule.hour = input.byte();
    schedule.minute = input.byte();
    FUZZ_CHECK(samePatrol(lmx::decodePatrolSetting(lmx::encodePatrolSetting(schedule)), schedule));

    const lmx::TemperatureAlarm alarm{(flags & 4) != 0, input.byte()};
    const auto decoded = lmx::decodeTemperatureSetting(lmx::encodeTemperatureSetting(alarm));
    FUZZ_CHECK(decoded.enabled == alarm.enabled && decoded.thresholdCelsius == alarm.thresholdCelsius);

    const unsigned bit = input.byte() % lmx::kIntervalBitCount;
    FUZZ_CHECK(lmx::intervalSettingBit(lmx::intervalSettingForBit(bit)) == bit);
    FUZZ_CHECK(lmx::intervalMilliseconds(lmx::intervalSettingForBit(bit)) == lmx::intervalMillisecondsOfBit(bit));

    const std::uint32_t value = input.u32();
    const std::uint8_t field = input.byte();
    FUZZ_CHECK(lmx::patrolPeriodField(lmx::withPatrolPeriodField(value, field)) == (field & 0x0F));
}

void dialogChoices(FuzzInput& input) {
    namespace tray = lmx::tray;
    tray::PopupSettingChoices popup;
    for (auto& c : popup) {
        const std::uint8_t b = input.byte();
        c.shown = b & 0x80;
        c.timeIndex = b % 5;
    }
    const auto popupBack = tray::decodePopupSetting(tray::encodePopupSetting(popup));
    for (std::size_t i = 0; i < popup.size(); ++i) {
        FUZZ_CHECK(popupBack[i].shown == popup[i].shown && popupBack[i].timeIndex == popup[i].timeIndex);
    }

    const int interval = input.byte() % static_cast<int>(lmx::kIntervalBitCount);
    FUZZ_CHECK(tray::intervalListIndex(tray::intervalSettingOfIndex(interval)) == interval);

    const std::uint32_t stored = input.u32();
    tray::PatrolChoices choices;
    choices.enabled = input.byte() & 1;
    choices.kind = choice(input, 2);
    if (choices.kind) choices.day = choice(input, *choices.kind == tray::kPatrolKindWeekly ? 7 : 31);
    choices.hour = choice(input, 24);
    choices.minute = choice(input, 60);
    const std::uint32_t set = tray::patrolSettingOf(stored, choices);
    if (choices.kind) {
        // Every field without a selection keeps the stored value; those with one read back.
        tray::PatrolChoices expected = choices;
        const auto kept = lmx::decodePatrolSetting(stored);
        const int dayCount = *choices.kind == tray::kPatrolKindWeekly ? 7 : 31;
        if (!expected.day && kept.day < dayCount) expected.day = kept.day;
        if (!expected.hour && kept.hour < 24) expected.hour = kept.hour;
        if (!expected.minute && kept.minute < 60) expected.minute = kept.minute;
        FUZZ_CHECK(sameChoices(tray::patrolChoicesOf(set), expected));
    } else {
        FUZZ_CHECK(lmx::patrolPeriodField(set) == lmx::patrolPeriodField(stored));
    }
    // Opened and set unchanged: every field as stored.
    const std::uint32_t unchanged = tray::patrolSettingOf(stored, tray::patrolChoicesOf(stored));
    FUZZ_CHECK(samePatrol(lmx::decodePatrolSetting(unchanged), lmx::decodePatrolSetting(stored)));
    FUZZ_CHECK(lmx::patrolPeriodField(unchanged) == lmx::patrolPeriodField(stored));

    const bool alarmOn = input.byte() & 1;
    const std::optional<int> threshold = choice(input, tray::kHighestThreshold - tray::kLowestThreshold + 1);
    const std::uint32_t temperature = tray::temperatureSettingOf(stored, alarmOn, threshold);
    FUZZ_CHECK(lmx::decodeTemperatureSetting(temperature).enabled == alarmOn);
    if (threshold) FUZZ_CHECK(tray::thresholdListIndex(temperature) == threshold);
    const auto storedThreshold = tray::thresholdListIndex(stored);
    if (storedThreshold) {
        FUZZ_CHECK(tray::thresholdListIndex(tray::temperatureSettingOf(stored, alarmOn, storedThreshold)) ==
                   storedThreshold);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    serviceSettings(input);
    dialogChoices(input);
    mirrorLog(input);
    return 0;
}
