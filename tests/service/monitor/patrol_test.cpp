#include "service/monitor/patrol.h"

#include <gtest/gtest.h>

#include "common/service_settings.h"
#include "platform/event_log.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/patrol_schedule.h"
#include "service/monitor/settings_store.h"
#include "tests/support/temp_root.h"
#include "tests/support/idle_service_workers.h"

namespace dwsvc {
namespace {

platform::SystemTime at(int day, int hour, int minute) {
    platform::SystemTime time;
    time.year = 2009;
    time.month = 3;
    time.day = static_cast<std::uint16_t>(day);
    time.hour = static_cast<std::uint16_t>(hour);
    time.minute = static_cast<std::uint16_t>(minute);
    time.dayOfWeek = platform::fileTimeToSystemTime(platform::systemTimeToFileTime(time).value()).dayOfWeek;
    return time;
}

std::uint64_t fileTime(int day, int hour, int minute) { return platform::systemTimeToFileTime(at(day, hour, minute)).value(); }

class PatrolTest : public ::testing::Test {
protected:
    PatrolTest() : runtime(workers), scoped(system) {
        // Weekly on Thursday (2009-03-05) at 10:00, enabled.
        runtime.patrolSetting = lmx::encodePatrolSetting({lmx::PatrolPeriod::Weekly, true, 4, 10, 0});
    }

    void controllerAt(int n, std::uint8_t raidStatus) {
        lmx::ControllerStatusRecord record;
        lmx::clearRecord(record);
        record.physicalNumber = static_cast<std::uint8_t>(n);
        record.present = 1;
        record.raidStatus = raidStatus;
        lmx::setField(record.raidModel, "ZDA-GX460");
        runtime.table.setRecord(n, record);
    }

    std::vector<std::uint32_t> eventIds() const {
        std::vector<std::uint32_t> ids;
        for (const auto& event : platform::eventlog::readEvents()) ids.push_back(event.eventId);
        return ids;
    }

    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    ServiceRuntime runtime;
    lmx::testing::FakeSystemInfo system;
    platform::ScopedSystemInfo scoped;
    std::vector<int> started;
    PatrolStarter starter = [this](int n) {
        started.push_back(n);
        return n != 5;  // drive 5's request cannot be sent
    };
};

TEST_F(PatrolTest, DuePatrolStartsOnNormalControllersOnly) {
    controllerAt(0, lmx::kRaidNormal);
    controllerAt(2, lmx::kRaidRebuilding);
    controllerAt(5, lmx::kRaidNormal);
    runtime.nextPatrolTime = fileTime(5, 10, 0);
    system.local = at(5, 10, 0);
    patrolCheck(runtime, starter);
    EXPECT_EQ((std::vector<int>{0, 5}), started);
    EXPECT_EQ((std::vector<std::uint32_t>{kEventPatrolStarted + 0, kEventPatrolNotStarted + 2, kEventPatrolNotStarted + 5}),
              eventIds());
    // The successor is computed from ten minutes later, and published.
    EXPECT_EQ(fileTime(12, 10, 0), runtime.nextPatrolTime);
    EXPECT_EQ(static_cast<std::uint32_t>(fileTime(12, 10, 0)), readSetting(kNextPatrolTimeLow, 0));
    EXPECT_EQ(static_cast<std::uint32_t>(fileTime(12, 10, 0) >> 32), readSetting(kNextPatrolTimeHigh, 0));
}

TEST_F(PatrolTest, NotYetDueOrDisabledDoesNothing) {
    controllerAt(0, lmx::kRaidNormal);
    runtime.nextPatrolTime = fileTime(5, 10, 0);
    system.local = at(5, 9, 59);
    patrolCheck(runtime, starter);
    runtime.patrolSetting = runtime.patrolSetting & ~0x80u;
    system.local = at(5, 10, 0);
    patrolCheck(runtime, starter);
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(eventIds().empty());
    EXPECT_EQ(fileTime(5, 10, 0), runtime.nextPatrolTime);
}

TEST_F(PatrolTest, MoreThanAMinuteLateIsAMissedPatrol) {
    controllerAt(0, lmx::kRaidNormal);
    runtime.nextPatrolTime = fileTime(5, 10, 0);
    system.local = at(5, 10, 1);  // exactly one minute: still started
    patrolCheck(runtime, starter);
    EXPECT_EQ(1u, started.size());

    runtime.nextPatrolTime = fileTime(5, 10, 0);
    system.local = at(5, 13, 30);  // the machine slept through it
    patrolCheck(runtime, starter);
    EXPECT_EQ(1u, started.size());
    const auto events = platform::eventlog::readEvents();
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(kEventPatrolMissed, events[1].eventId);
    EXPECT_NE(std::string::npos, events[1].strings[1].find("2009/03/05  10:00"));
    EXPECT_EQ(fileTime(12, 10, 0), runtime.nextPatrolTime);
}

TEST_F(PatrolTest, EnabledScheduleWithoutTimeIsScheduledNotMissed) {
    runtime.nextPatrolTime = 0;
    system.local = at(5, 11, 0);
    patrolCheck(runtime, starter);
    EXPECT_TRUE(eventIds().empty());
    EXPECT_EQ(fileTime(12, 10, 0), runtime.nextPatrolTime);
}

}  // namespace
}  // namespace dwsvc
