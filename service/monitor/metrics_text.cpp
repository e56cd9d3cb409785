#include "service/monitor/metrics_text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "common/controller_model.h"
#include "common/service_settings.h"

namespace dwsvc {

namespace {

// Progress counters: a rebuild counts in 1/256ths, a patrol in 1/65536ths.
constexpr double kRebuildProgressUnit = 256.0;
constexpr double kPatrolProgressUnit = 65536.0;

class MetricsWriter {
public:
    void comment(std::string_view text) {
        text_ += "# ";
        text_ += text;
        text_ += '\n';
    }
    void family(std::string_view name, std::string_view type, std::string_view help) {
        text_ += "# HELP ";
        text_ += name;
        text_ += ' ';
        text_ += help;
        text_ += "\n# TYPE ";
        text_ += name;
        text_ += ' ';
        text_ += type;
        text_ += '\n';
    }
    void sample(std::string_view name, std::string_view labels, double value) {
        char number[32];
        std::snprintf(number, sizeof number, "%.10g", value);
        sample(name, labels, std::string_view(number));
    }
    void sample(std::string_view name, std::string_view labels, std::string_view value) {
        text_ += name;
        if (!labels.empty()) {
            text_ += '{';
            text_ += labels;
            text_ += '}';
        }
        text_ += ' ';
        text_ += value;
        text_ += '\n';
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

std::string label(std::string_view name, std::string_view value) {
    return std::string(name) + "=\"" + escapeLabelValue(value) + "\"";
}

std::string driveLabel(const lmx::ControllerStatusRecord& record) {
    return label("drive", std::to_string(record.physicalNumber));
}

std::string slotLabels(const lmx::ControllerStatusRecord& record, std::size_t slot) {
    return driveLabel(record) + "," + label("slot", std::to_string(slot));
}

bool rebuilding(const lmx::ControllerStatusRecord& record) {
    return record.raidStatus == lmx::kRaidRebuilding || record.raidStatus == lmx::kRaidRebuildStopped;
}

// The length of the well-formed UTF-8 character at `at`, 0 when the bytes there are not one.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char first = byte(0);
    if (first < 0x80) return 1;
    const std::size_t length = first >= 0xC2 && first <= 0xDF ? 2 : first >= 0xE0 && first <= 0xEF ? 3
                               : first >= 0xF0 && first <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
    }
    // No overlong forms, no surrogates, nothing above U+10FFFF.
    const unsigned char second = byte(1);
    if ((first == 0xE0 && second < 0xA0) || (first == 0xED && second >= 0xA0) || (first == 0xF0 && second < 0x90) ||
        (first == 0xF4 && second >= 0x90)) {
        return 0;
    }
    return length;
}

bool patrolling(const lmx::ControllerStatusRecord& record) {
    return record.raidStatus == lmx::kRaidNormal && (record.patrolState == 1 || record.patrolState == 2);
}

}  // namespace

std::string escapeLabelValue(std::string_view value) {
    std::string escaped;
    for (std::size_t at = 0; at < value.size();) {
        const char c = value[at];
        const std::size_t length = utf8SequenceLength(value, at);
        if (length == 0) {
            // The text format is UTF-8: a controller's byte that is not stands as U+FFFD.
            escaped += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '"': escaped += "\\\""; break;
            case '\n': escaped += "\\n"; break;
            default: escaped.append(value.substr(at, length));
        }
        at += length;
    }
    return escaped;
}

std::string utcTimeText(std::int64_t unixSeconds) {
    using namespace std::chrono;
    // A clock set absurdly far away is shown at the edge of four-digit years: the calendar's
    // arithmetic would overflow millions of years out.
    constexpr std::int64_t kFirstSecond = -62'167'219'200;  // 0000-01-01T00:00:00Z
    constexpr std::int64_t kLastSecond = 253'402'300'799;   // 9999-12-31T23:59:59Z
    const sys_seconds moment{seconds{std::clamp(unixSeconds, kFirstSecond, kLastSecond)}};
    const auto day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss time{moment - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02lldZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long>(time.hours().count()), static_cast<long>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()));
    return text;
}

std::string metricsText(const MetricsSnapshot& snapshot) {
    MetricsWriter out;
    const auto& records = snapshot.records;
    // A file left behind by a service that stopped says how old it is to whoever reads it.
    out.comment("Written by dwsvc at " + utcTimeText(snapshot.lastPollUnixSeconds) + ".");

    out.family("lmxduowatch_controller_present", "gauge",
               "1 when a supported controller answers on the physical drive, else 0.");
    for (const auto& record : records) out.sample("lmxduowatch_controller_present", driveLabel(record), record.present ? 1 : 0);

    out.family("lmxduowatch_controller_info", "gauge",
               "The controller on the physical drive: its RAID number, model, serial number and firmware.");
    for (const auto& record : records) {
        if (!record.present) continue;
        out.sample("lmxduowatch_controller_info",
                   driveLabel(record) + "," + label("raid", std::to_string(record.ordinal + 1)) + "," +
                       label("model", lmx::trimmedField(record.raidModel)) + "," +
                       label("serial", lmx::trimmedField(record.raidSerial)) + "," +
                       label("firmware", lmx::trimmedField(record.raidFirmware)),
                   1);
    }

    out.family("lmxduowatch_raid_status", "gauge",
               "RAID status: 0 normal, 1 error, 2 rebuilding, 3 rebuild stopped.");
    for (const auto& record : records) {
        if (record.present) out.sample("lmxduowatch_raid_status", driveLabel(record), record.raidStatus);
    }

    out.family("lmxduowatch_rebuild_progress_ratio", "gauge", "Part of the rebuild done (0 to 1), while one runs or stands.");
    for (const auto& record : records) {
        if (record.present && rebuilding(record)) {
            out.sample("lmxduowatch_rebuild_progress_ratio", driveLabel(record), lmx::progress(record) / kRebuildProgressUnit);
        }
    }

    out.family("lmxduowatch_patrol_state", "gauge", "Patrol (verify) state: 0 idle, 1 running, 2 stopped.");
    for (const auto& record : records) {
        if (record.present) out.sample("lmxduowatch_patrol_state", driveLabel(record), record.patrolState);
    }

    out.family("lmxduowatch_patrol_progress_ratio", "gauge", "Part of the patrol done (0 to 1), while one runs or stands.");
    for (const auto& record : records) {
        if (record.present && patrolling(record)) {
            out.sample("lmxduowatch_patrol_progress_ratio", driveLabel(record), lmx::progress(record) / kPatrolProgressUnit);
        }
    }

    out.family("lmxduowatch_member_present", "gauge", "1 when the member drive slot holds a detected drive, else 0.");
    for (const auto& record : records) {
        if (!record.present) continue;
        const std::size_t slots = lmx::memberSlotCount(lmx::fieldText(record.raidModel));
        for (std::size_t k = 0; k < slots; ++k) {
            out.sample("lmxduowatch_member_present", slotLabels(record, k),
                       (record.drive[k].status & lmx::kDrivePresentBit) ? 1 : 0);
        }
    }

    out.family("lmxduowatch_member_temperature_celsius", "gauge",
               "Temperature of the member drive, where the controller reports a valid one.");
    for (const auto& record : records) {
        if (!record.present || !lmx::isTemperatureModel(lmx::fieldText(record.raidModel))) continue;
        const std::size_t slots = lmx::memberSlotCount(lmx::fieldText(record.raidModel));
        for (std::size_t k = 0; k < slots; ++k) {
            if (record.drive[k].temperatureValid) {
                out.sample("lmxduowatch_member_temperature_celsius", slotLabels(record, k), record.drive[k].temperature);
            }
        }
    }

    const auto alarm = lmx::decodeTemperatureSetting(snapshot.temperatureSetting);
    out.family("lmxduowatch_temperature_alarm_enabled", "gauge", "1 when the service's temperature alarm is on.");
    out.sample("lmxduowatch_temperature_alarm_enabled", "", alarm.enabled ? 1 : 0);
    out.family("lmxduowatch_temperature_alarm_threshold_celsius", "gauge",
               "The temperature at or above which the service raises its alarm.");
    out.sample("lmxduowatch_temperature_alarm_threshold_celsius", "", alarm.thresholdCelsius);

    out.family("lmxduowatch_last_poll_timestamp_seconds", "gauge", "When the service last polled its drives (Unix time).");
    out.sample("lmxduowatch_last_poll_timestamp_seconds", "", static_cast<double>(snapshot.lastPollUnixSeconds));

    out.family("lmxduowatch_events_total", "counter", "Event-log entries this service process has written, by event id.");
    for (const auto& [eventId, count] : snapshot.eventCounts) {
        char id[16];
        std::snprintf(id, sizeof id, "0x%08X", eventId);
        out.sample("lmxduowatch_events_total", label("event_id", id), static_cast<double>(count));
    }
    return out.take();
}

}  // namespace dwsvc
