#include "common/service_settings.h"

#include <array>

namespace lmx {

namespace {
constexpr std::array<std::uint32_t, 12> kIntervalMilliseconds = {
    5'000,     10'000,     30'000,     60'000,     300'000,    600'000,
    1'800'000, 3'600'000, 10'800'000, 21'600'000, 43'200'000, 86'400'000,
};
}  // namespace

static_assert(kIntervalMilliseconds.size() == kIntervalBitCount);

std::uint32_t intervalMilliseconds(std::uint32_t intervalSetting) {
    const auto bit = intervalSettingBit(intervalSetting);
    return bit ? kIntervalMilliseconds[*bit] : kDefaultIntervalMilliseconds;
}

std::optional<unsigned> intervalSettingBit(std::uint32_t intervalSetting) {
    const std::uint32_t bits = intervalSetting & kIntervalBitsMask;
    for (unsigned bit = 0; bit < kIntervalBitCount; ++bit) {
        if (bits & (1u << bit)) return bit;
    }
    return std::nullopt;
}

std::uint32_t intervalSettingForBit(unsigned bit) {
    return bit < kIntervalBitCount ? 1u << bit : 0u;
}

std::uint32_t intervalMillisecondsOfBit(unsigned bit) {
    return bit < kIntervalBitCount ? kIntervalMilliseconds[bit] : kDefaultIntervalMilliseconds;
}

PatrolSchedule decodePatrolSetting(std::uint32_t value) {
    PatrolSchedule schedule;
    schedule.period = (value & 0x0F) == 1 ? PatrolPeriod::Weekly : PatrolPeriod::Monthly;
    schedule.enabled = (value & 0x80) != 0;
    schedule.day = static_cast<std::uint8_t>(value >> 8);
    schedule.hour = static_cast<std::uint8_t>(value >> 16);
    schedule.minute = static_cast<std::uint8_t>(value >> 24);
    return schedule;
}

std::uint32_t encodePatrolSetting(const PatrolSchedule& schedule) {
    // Monthly is written as period 2; the decoder takes every value but 1 as monthly.
    std::uint32_t value = schedule.period == PatrolPeriod::Weekly ? 1u : 2u;
    if (schedule.enabled) value |= 0x80;
    value |= std::uint32_t{schedule.day} << 8;
    value |= std::uint32_t{schedule.hour} << 16;
    value |= std::uint32_t{schedule.minute} << 24;
    return value;
}

std::uint8_t patrolPeriodField(std::uint32_t value) {
    return static_cast<std::uint8_t>(value & 0x0F);
}

std::uint32_t withPatrolPeriodField(std::uint32_t value, std::uint8_t field) {
    return (value & ~0x0Fu) | (field & 0x0Fu);
}

TemperatureAlarm decodeTemperatureSetting(std::uint32_t value) {
    return {(value & 1) != 0, static_cast<std::uint8_t>(value >> 8)};
}

std::uint32_t encodeTemperatureSetting(const TemperatureAlarm& alarm) {
    return (alarm.enabled ? 1u : 0u) | std::uint32_t{alarm.thresholdCelsius} << 8;
}

}  // namespace lmx
