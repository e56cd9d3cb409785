#include "tray/core/setting_choices.h"

#include "common/service_settings.h"
#include "platform/system_time.h"
#include "tray/core/text_format.h"

namespace lmx::tray {

namespace {

constexpr int kIntervalDefaultIndex = 1;  // 10 seconds
constexpr int kWeekdayNames = 188;         // 188 Sunday … 194 Saturday
constexpr int kDaysInWeek = 7;
constexpr int kDaysInMonth = 31;
constexpr int kHours = 24;
constexpr int kMinutes = 60;

std::optional<int> indexBelow(int value, int count) {
    return value < count ? std::optional<int>(value) : std::nullopt;
}

std::string weekdayName(int dayOfWeek, const StringSource& texts) {
    return dayOfWeek >= 0 && dayOfWeek < kDaysInWeek ? texts.load(kWeekdayNames + dayOfWeek) : std::string();
}

}  // namespace

std::vector<std::string> intervalListTexts(const StringSource& texts) {
    std::vector<std::string> entries;
    for (unsigned bit = 0; bit < kIntervalBitCount; ++bit) {
        const std::int64_t seconds = intervalMillisecondsOfBit(bit) / 1000;
        if (seconds < 60) {
            entries.push_back(formatText(texts.load(strings::kIntervalSeconds), {seconds}));
        } else if (seconds < 3600) {
            entries.push_back(formatText(texts.load(strings::kIntervalMinutes), {seconds / 60}));
        } else {
            entries.push_back(formatText(texts.load(strings::kIntervalHours), {seconds / 3600}));
        }
    }
    return entries;
}

int intervalListIndex(std::uint32_t intervalSetting) {
    const auto bit = intervalSettingBit(intervalSetting);
    return bit ? static_cast<int>(*bit) : kIntervalDefaultIndex;
}

std::uint32_t intervalSettingOfIndex(int index) {
    return intervalSettingForBit(static_cast<unsigned>(index));
}

PatrolChoices patrolChoicesOf(std::uint32_t patrolSetting) {
    const PatrolSchedule schedule = decodePatrolSetting(patrolSetting);
    PatrolChoices choices;
    choices.enabled = schedule.enabled;
    switch (patrolPeriodField(patrolSetting)) {
        case kPatrolPeriodWeekly:
            choices.kind = kPatrolKindWeekly;
            choices.day = indexBelow(schedule.day, kDaysInWeek);
            break;
        case kPatrolPeriodMonthly:
            choices.kind = kPatrolKindMonthly;
            choices.day = indexBelow(schedule.day, kDaysInMonth);
            break;
        default: break;  // no kind: no day either
    }
    choices.hour = indexBelow(schedule.hour, kHours);
    choices.minute = indexBelow(schedule.minute, kMinutes);
    return choices;
}

std::uint32_t patrolSettingOf(std::uint32_t storedSetting, const PatrolChoices& choices) {
    PatrolSchedule schedule = decodePatrolSetting(storedSetting);
    schedule.enabled = choices.enabled;
    if (choices.kind) schedule.period = *choices.kind == kPatrolKindWeekly ? PatrolPeriod::Weekly : PatrolPeriod::Monthly;
    if (choices.day) schedule.day = static_cast<std::uint8_t>(*choices.day);
    if (choices.hour) schedule.hour = static_cast<std::uint8_t>(*choices.hour);
    if (choices.minute) schedule.minute = static_cast<std::uint8_t>(*choices.minute);
    const std::uint32_t value = encodePatrolSetting(schedule);
    return choices.kind ? value : withPatrolPeriodField(value, patrolPeriodField(storedSetting));
}

std::vector<std::string> patrolDayTexts(std::optional<int> kind, const StringSource& texts) {
    if (kind == kPatrolKindWeekly) {
        std::vector<std::string> names;
        for (int day = 0; day < kDaysInWeek; ++day) names.push_back(weekdayName(day, texts));
        return names;
    }
    if (kind == kPatrolKindMonthly) return numberTexts(1, kDaysInMonth);
    return {};
}

std::vector<std::string> numberTexts(int first, int last) {
    std::vector<std::string> entries;
    for (int n = first; n <= last; ++n) entries.push_back(std::to_string(n));
    return entries;
}

std::string nextPatrolTimeText(std::uint32_t high, std::uint32_t low, const StringSource& texts) {
    if (high == 0 && low == 0) return texts.load(strings::kNextPatrolNotSet);
    // Local wall-clock time already: converted without any time-zone change.
    const platform::SystemTime time = platform::fileTimeToSystemTime(std::uint64_t{high} << 32 | low);
    const std::string weekday = weekdayName(time.dayOfWeek, texts);
    return formatText(texts.load(strings::kNextPatrolTime),
                      {std::int64_t{time.year}, std::int64_t{time.month}, std::int64_t{time.day}, std::string_view(weekday),
                       std::int64_t{time.hour}, std::int64_t{time.minute}});
}

std::vector<std::string> thresholdListTexts() {
    std::vector<std::string> entries;
    for (int degrees = kLowestThreshold; degrees <= kHighestThreshold; ++degrees) {
        entries.push_back(formatText("%2d C", {std::int64_t{degrees}}));
    }
    return entries;
}

std::optional<int> thresholdListIndex(std::uint32_t temperatureSetting) {
    const int threshold = decodeTemperatureSetting(temperatureSetting).thresholdCelsius;
    if (threshold < kLowestThreshold) return 0;
    if (threshold > kHighestThreshold) return std::nullopt;
    return threshold - kLowestThreshold;
}

std::uint32_t temperatureSettingOf(std::uint32_t storedSetting, bool enabled, std::optional<int> thresholdIndex) {
    TemperatureAlarm alarm = decodeTemperatureSetting(storedSetting);
    alarm.enabled = enabled;
    if (thresholdIndex) alarm.thresholdCelsius = static_cast<std::uint8_t>(*thresholdIndex + kLowestThreshold);
    return encodeTemperatureSetting(alarm);
}

}  // namespace lmx::tray
