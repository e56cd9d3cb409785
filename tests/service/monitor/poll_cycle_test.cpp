#include "service/monitor/poll_cycle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "platform/event_log.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/service_main.h"
#include "service/monitor/settings_store.h"
#include "service/monitor/temperature_log.h"
#include "tests/support/temp_root.h"
#include "tests/support/idle_service_workers.h"

namespace dwsvc {
namespace {

struct Answer {
    int result;
    lmx::ControllerStatusRecord record;
};

// Answers scripted per drive; a drive without a script has no drive (-1). The last answer of a
// script repeats.
class ScriptedPoller final : public ControllerPoller {
public:
    std::map<int, std::deque<Answer>> scripts;
    int polls = 0;

    int poll(int n, lmx::ControllerStatusRecord& record, controller::PollContext& context) override {
        ++polls;
        record.physicalNumber = static_cast<std::uint8_t>(n);
        auto found = scripts.find(n);
        if (found == scripts.end() || found->second.empty()) return -1;
        const Answer answer = found->second.front();
        if (found->second.size() > 1) found->second.pop_front();
        if (answer.result == 0) {
            record = answer.record;
            record.physicalNumber = static_cast<std::uint8_t>(n);
            record.present = 1;
            record.ordinal = static_cast<std::uint8_t>(context.ordinalCounter++);
        }
        return answer.result;
    }
};

lmx::ControllerStatusRecord controllerRecord(std::uint8_t raidStatus = 0) {
    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    lmx::setField(record.raidModel, "Lumavex ZDAP-RS481                      ");
    lmx::setField(record.raidSerial, "SER-1");
    record.raidStatus = raidStatus;
    record.drive[0].status = 0x01;
    record.drive[1].status = 0x01;
    record.drive[0].temperatureValid = 1;
    record.drive[1].temperatureValid = 1;
    record.drive[0].temperature = 40;
    record.drive[1].temperature = 41;
    return record;
}

class PollCycleTest : public ::testing::Test {
protected:
    PollCycleTest() : runtime(workers) {
        runtime.sendNotifyControl = [this] { ++notifies; };
        runtime.csvBasePath = (root.path() / "temp_log_test").string();
    }

    // The service's state after start: drive n holds `record` (as loaded from the registry).
    void hold(int n, lmx::ControllerStatusRecord record) {
        record.physicalNumber = static_cast<std::uint8_t>(n);
        record.present = 1;
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
    ScriptedPoller poller;
    int notifies = 0;
};

TEST_F(PollCycleTest, TenFailuresThenAnAnswerWriteNothing) {
    hold(0, controllerRecord());
    poller.scripts[0] = std::deque<Answer>(10, Answer{1, {}});
    poller.scripts[0].push_back({0, controllerRecord()});
    for (int cycle = 0; cycle < 10; ++cycle) {
        pollCycle(runtime, poller);
        EXPECT_EQ(9 - cycle, runtime.table.retryCounter(0));
        EXPECT_TRUE(runtime.table.anyRetrying());
    }
    pollCycle(runtime, poller);
    EXPECT_FALSE(runtime.table.anyRetrying());
    EXPECT_TRUE(eventIds().empty());
    EXPECT_EQ(0, notifies);
    EXPECT_EQ(1, runtime.table.record(0).present);
}

TEST_F(PollCycleTest, TheEleventhFailureLosesTheControllerOnce) {
    auto held = controllerRecord();
    held.drive[0].temperature = 77;
    hold(2, held);
    poller.scripts[2] = {Answer{1, {}}};
    for (int cycle = 0; cycle < 10; ++cycle) pollCycle(runtime, poller);
    EXPECT_TRUE(eventIds().empty());
    pollCycle(runtime, poller);
    EXPECT_EQ((std::vector<std::uint32_t>{kEventControllerLost + 2}), eventIds());
    EXPECT_EQ(1, notifies);
    // The published record of a lost controller is empty but for its number.
    lmx::ControllerStatusRecord expected;
    lmx::clearRecord(expected);
    expected.physicalNumber = 2;
    EXPECT_TRUE(lmx::sameRecord(expected, runtime.table.record(2)));
    lmx::ControllerStatusRecord published;
    lmx::clearRecord(published);
    loadRecord(2, published);
    EXPECT_EQ(0, published.present);
    // Further failures of an absent drive count down silently again.
    for (int cycle = 0; cycle < 30; ++cycle) pollCycle(runtime, poller);
    EXPECT_EQ(1u, eventIds().size());
}

TEST_F(PollCycleTest, NewControllerIsAnnouncedAndPublishedWithoutATemperatureCheck) {
    runtime.temperatureSetting = 0x3C01;
    auto hot = controllerRecord();
    hot.drive[0].temperature = 90;
    poller.scripts[1] = {Answer{0, hot}};
    pollCycle(runtime, poller);
    EXPECT_EQ((std::vector<std::uint32_t>{kEventControllerFound + 1}), eventIds());
    EXPECT_EQ(1, notifies);
    EXPECT_FALSE(std::filesystem::exists(temperatureLogPath(runtime.csvBasePath, 1)));
    lmx::ControllerStatusRecord published;
    lmx::clearRecord(published);
    loadRecord(1, published);
    EXPECT_EQ(1, published.present);
    // The next cycle checks temperatures: one alarm, and the first CSV line.
    pollCycle(runtime, poller);
    EXPECT_EQ((std::vector<std::uint32_t>{kEventControllerFound + 1, kEventOverTemperature + 1}), eventIds());
    EXPECT_TRUE(std::filesystem::exists(temperatureLogPath(runtime.csvBasePath, 1)));
}

TEST_F(PollCycleTest, MemberPresenceChangeWritesTheCurrentStatusEvent) {
    hold(0, controllerRecord(0));
    auto pulled = controllerRecord(0);
    pulled.drive[1].status = 0;
    poller.scripts[0] = {Answer{0, pulled}};
    pollCycle(runtime, poller);
    EXPECT_EQ((std::vector<std::uint32_t>{kEventStatusNormal}), eventIds());
    const auto events = platform::eventlog::readEvents();
    EXPECT_NE(std::string::npos, events[0].strings[1].find("ドライブ1 ステータス: 検出不可"));
}

TEST_F(PollCycleTest, ProgressOnlyChangeIsPublishedAndNotifiedWithoutEvent) {
    auto patrolling = controllerRecord();
    patrolling.patrolState = 1;
    lmx::setProgress(patrolling, 100);
    hold(3, patrolling);
    lmx::setProgress(patrolling, 200);
    poller.scripts[3] = {Answer{0, patrolling}};
    pollCycle(runtime, poller);
    EXPECT_TRUE(eventIds().empty());
    EXPECT_EQ(1, notifies);
    EXPECT_EQ(200u, lmx::progress(runtime.table.record(3)));
    // Nothing changed: nothing published, no notify.
    pollCycle(runtime, poller);
    EXPECT_EQ(1, notifies);
}

TEST_F(PollCycleTest, RebuildEndingWithSkippedSectorsWritesTwoEvents) {
    hold(0, controllerRecord(lmx::kRaidRebuilding));
    auto done = controllerRecord(lmx::kRaidNormal);
    done.errorSkipped = 1;
    poller.scripts[0] = {Answer{0, done}};
    pollCycle(runtime, poller);
    EXPECT_EQ((std::vector<std::uint32_t>{kEventStatusNormal, kEventUnreadableSectors}), eventIds());
}

TEST_F(PollCycleTest, UndefinedRaidStatusWritesTheErrorEvent) {
    hold(4, controllerRecord(0));
    poller.scripts[4] = {Answer{0, controllerRecord(9)}};
    pollCycle(runtime, poller);
    const auto events = platform::eventlog::readEvents();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(kEventStatusError + 4, events[0].eventId);
    EXPECT_EQ(platform::eventlog::kWarningType, events[0].type);
}

TEST_F(PollCycleTest, OneTemperatureEventPerExcursionAtOrAboveTheThreshold) {
    runtime.temperatureSetting = 0x3C01;  // enabled, 60 °C
    hold(0, controllerRecord());
    auto at60 = controllerRecord();
    at60.drive[1].temperature = 60;
    auto cool = controllerRecord();
    poller.scripts[0] = {Answer{0, at60}, Answer{0, at60}, Answer{0, cool}, Answer{0, at60}};
    for (int cycle = 0; cycle < 4; ++cycle) pollCycle(runtime, poller);
    EXPECT_EQ((std::vector<std::uint32_t>{kEventOverTemperature, kEventOverTemperature}), eventIds());
    // One CSV line per cycle with the first two temperatures.
    std::ifstream csv(temperatureLogPath(runtime.csvBasePath, 0));
    std::string line;
    int lines = 0;
    while (std::getline(csv, line)) {
        ++lines;
        EXPECT_TRUE(line.ends_with(lines == 3 ? ",40,41" : ",40,60")) << line;
        EXPECT_EQ(19u, line.find(',', 11));  // "YYYY/MM/DD,hh:mm:ss,"
    }
    EXPECT_EQ(4, lines);
}

TEST_F(PollCycleTest, DisabledAlarmOrColdModelsKeepNoLog) {
    hold(0, controllerRecord());
    auto noTemperatures = controllerRecord();
    lmx::setField(noTemperatures.raidModel, "Lumavex ZDAP-RS481B-H2");
    hold(1, noTemperatures);
    poller.scripts[0] = {Answer{0, controllerRecord()}};
    poller.scripts[1] = {Answer{0, noTemperatures}};
    pollCycle(runtime, poller);
    EXPECT_FALSE(std::filesystem::exists(temperatureLogPath(runtime.csvBasePath, 0)));
    runtime.temperatureSetting = 0x3C01;
    pollCycle(runtime, poller);
    EXPECT_TRUE(std::filesystem::exists(temperatureLogPath(runtime.csvBasePath, 0)));
    EXPECT_FALSE(std::filesystem::exists(temperatureLogPath(runtime.csvBasePath, 1)));
}

TEST_F(PollCycleTest, RefreshRequestNotifiesEvenWithoutChange) {
    runtime.notifyRequested = true;
    pollCycle(runtime, poller);
    EXPECT_EQ(1, notifies);
    EXPECT_FALSE(runtime.notifyRequested);
    pollCycle(runtime, poller);
    EXPECT_EQ(1, notifies);
}

// The main wait loop and the polling thread on a fake clock: a controller that stops answering
// is lost one interval plus 100 seconds after its last good answer.
TEST_F(PollCycleTest, LostControllerIsReportedOneIntervalPlus100SecondsLater) {
    platform::FakeWaitClock clock;
    platform::setWaitClock(&clock);
    runtime.intervalMilliseconds = 300'000;
    poller.scripts[0] = {Answer{0, controllerRecord()}, Answer{1, {}}};

    std::thread polling([&] { runPollingThread(runtime, poller); });
    std::thread mainLoop([&] { runMainWaitLoop(runtime); });
    std::uint64_t lostAt = 0;
    for (int step = 0; step < 200 && lostAt == 0; ++step) {
        clock.awaitTimedWait();  // the main loop waits; the cycle before it has ended
        if (!eventIds().empty() && eventIds().back() == kEventControllerLost) lostAt = clock.nowMilliseconds();
        if (lostAt == 0) clock.advance(5'000);
    }
    runtime.running = false;
    runtime.stopEvent.set();
    mainLoop.join();
    polling.join();
    platform::setWaitClock(nullptr);

    EXPECT_EQ(300'000u + 100'000u, lostAt);
    EXPECT_EQ((std::vector<std::uint32_t>{kEventControllerFound, kEventControllerLost}), eventIds());
}

}  // namespace
}  // namespace dwsvc
