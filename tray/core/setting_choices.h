#pragma once
// What the settings dialogs show for a stored setting and what they store for the user's
// choices: the check interval, the patrol schedule and the temperature alarm. The encodings
// are common/'s; this adds the lists and their indexes. A list whose stored field has no entry
// opens without a selection, and Set then keeps that stored field as it was.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tray/core/string_source.h"

namespace lmx::tray {

// ---- Check interval: twelve entries, index = bit of IntervalSetting.
std::vector<std::string> intervalListTexts(const StringSource& texts);
// The entry of the lowest set bit among bits 0-11; the 10-second entry when none is set.
int intervalListIndex(std::uint32_t intervalSetting);
std::uint32_t intervalSettingOfIndex(int index);

// ---- Patrol schedule.
// The kind list: 0 weekly, 1 monthly.
inline constexpr int kPatrolKindWeekly = 0;
inline constexpr int kPatrolKindMonthly = 1;

struct PatrolChoices {
    bool enabled = false;
    std::optional<int> kind;  // kind list index
    std::optional<int> day;   // day list index
    std::optional<int> hour;
    std::optional<int> minute;
};

// The lists' selections for a stored value: a kind other than weekly (1) or monthly (2) and
// every field beyond its list have no selection.
PatrolChoices patrolChoicesOf(std::uint32_t patrolSetting);
// The value Set stores: the stored value's fields replaced by the choices that have a selection.
std::uint32_t patrolSettingOf(std::uint32_t storedSetting, const PatrolChoices& choices);
// The day list of a kind: the seven weekday names (Sunday first) or the days 1 to 31; empty for
// no kind.
std::vector<std::string> patrolDayTexts(std::optional<int> kind, const StringSource& texts);
std::vector<std::string> numberTexts(int first, int last);
// The next run time as the service computed it (a FILETIME of local time in two halves), or
// the "not set" text when both halves are 0.
std::string nextPatrolTimeText(std::uint32_t high, std::uint32_t low, const StringSource& texts);

// ---- Temperature alarm: thresholds 30 to 69 degrees.
inline constexpr int kLowestThreshold = 30;
inline constexpr int kHighestThreshold = 69;
std::vector<std::string> thresholdListTexts();
// The list entry of the stored threshold: the first entry below 30, none above 69.
std::optional<int> thresholdListIndex(std::uint32_t temperatureSetting);
// The value Set stores: the chosen threshold (the stored one without a selection) and the
// alarm bit; all other bits 0.
std::uint32_t temperatureSettingOf(std::uint32_t storedSetting, bool enabled, std::optional<int> thresholdIndex);

}  // namespace lmx::tray
