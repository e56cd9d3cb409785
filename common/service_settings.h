#pragma once
// Encodings of the service's 32-bit settings values that more than one part of the suite reads:
// every site decodes IntervalSetting, PatrolSetting and TemperatureSetting with these functions.
// PopMsgSetting and DialogSetting only the tray application reads (tray/core/popup_settings.h,
// tray/core/frame_settings.h).

#include <cstdint>
#include <optional>

namespace lmx {

// IntervalSetting: the lowest set bit among bits 0-11 selects the poll interval.
inline constexpr std::uint32_t kIntervalBitsMask = 0xFFF;
inline constexpr std::uint32_t kDefaultIntervalSetting = 0x10;  // 5 minutes
inline constexpr std::uint32_t kDefaultIntervalMilliseconds = 5000;
std::uint32_t intervalMilliseconds(std::uint32_t intervalSetting);
// The twelve intervals by bit: the bit that selects one (the lowest set among bits 0-11, none
// when no such bit is set), the value that selects bit `bit` (that bit alone), and its length.
inline constexpr unsigned kIntervalBitCount = 12;
std::optional<unsigned> intervalSettingBit(std::uint32_t intervalSetting);
std::uint32_t intervalSettingForBit(unsigned bit);
std::uint32_t intervalMillisecondsOfBit(unsigned bit);

// PatrolSetting: bits 0-3 period, bit 7 enabled, bits 8-15 day, 16-23 hour, 24-31 minute.
enum class PatrolPeriod : std::uint8_t { Weekly, Monthly };
struct PatrolSchedule {
    PatrolPeriod period = PatrolPeriod::Weekly;
    bool enabled = false;
    std::uint8_t day = 0;  // weekly: 0 = Sunday … 6 = Saturday; monthly: day of month minus one
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
};
inline constexpr std::uint32_t kDefaultPatrolSetting = 1;  // weekly, disabled, Sunday 00:00
PatrolSchedule decodePatrolSetting(std::uint32_t value);
std::uint32_t encodePatrolSetting(const PatrolSchedule& schedule);
// The period field (bits 0-3) as stored. The settings dialog writes 1 (weekly) or 2 (monthly)
// and keeps any other stored value as it is when the user chooses no period.
inline constexpr std::uint8_t kPatrolPeriodWeekly = 1;
inline constexpr std::uint8_t kPatrolPeriodMonthly = 2;
std::uint8_t patrolPeriodField(std::uint32_t value);
// `value` with its period field replaced by the low four bits of `field`.
std::uint32_t withPatrolPeriodField(std::uint32_t value, std::uint8_t field);

// TemperatureSetting: bit 0 alarm enabled, bits 8-15 threshold in degrees Celsius.
struct TemperatureAlarm {
    bool enabled = false;
    std::uint8_t thresholdCelsius = 60;
};
inline constexpr std::uint32_t kDefaultTemperatureSetting = 0x3C00;  // off, 60 °C
TemperatureAlarm decodeTemperatureSetting(std::uint32_t value);
std::uint32_t encodeTemperatureSetting(const TemperatureAlarm& alarm);

inline constexpr std::uint32_t kDefaultPopMsgSetting = 0x818181;
inline constexpr std::uint32_t kLanguageJapanese = 0;
inline constexpr std::uint32_t kLanguageEnglish = 1;

}  // namespace lmx
