#pragma once
// Encodings of the service's 32-bit settings values that more than one part of the suite reads:
// every site decodes IntervalSetting, PatrolSetting and TemperatureSetting with these functions.
// PopMsgSetting and DialogSetting only the tray application reads (tray/core/popup_settings.h,
// tray/core/frame_settings.h).

#include <cstdint>

namespace lmx {

// IntervalSetting: the lowest set bit among bits 0-11 selects the poll interval.
inline constexpr std::uint32_t kIntervalBitsMask = 0xFFF;
inline constexpr std::uint32_t kDefaultIntervalSetting = 0x10;  // 5 minutes
inline constexpr std::uint32_t kDefaultIntervalMilliseconds = 5000;
std::uint32_t intervalMilliseconds(std::uint32_t intervalSetting);

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
