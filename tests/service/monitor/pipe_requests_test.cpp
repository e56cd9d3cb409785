#include "service/monitor/pipe_requests.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/service_settings.h"
#include "service/monitor/settings_store.h"
#include "tests/support/temp_root.h"
#include "tests/support/idle_service_workers.h"

namespace dwsvc {
namespace {

class RecordingReply final : public PipeReply {
public:
    std::vector<std::vector<std::uint8_t>> writes;
    int failFrom = -1;  // writes from this index on fail
    bool write(const void* data, std::uint32_t size) override {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        const bool ok = failFrom < 0 || static_cast<int>(writes.size()) < failFrom;
        writes.emplace_back(bytes, bytes + size);
        return ok;
    }
};

class RecordingControllers final : public ControllerActions {
public:
    struct Control {
        std::uint8_t code;
        int drive;
        bool present;
    };
    std::vector<Control> controls;
    bool logAnswers = true;
    void sendVendorControl(std::uint8_t code, int n, bool present) override { controls.push_back({code, n, present}); }
    bool readLogPage(std::uint8_t page, int, bool, std::uint8_t* out) override {
        std::memset(out, page, 512);
        return logAnswers;
    }
};

class PipeRequestsTest : public ::testing::Test {
protected:
    PipeRequestsTest() : runtime(workers) {}

    void send(std::uint8_t code, std::uint8_t drive = 0, std::uint32_t value = 0) {
        handlePipeRequest(runtime, lmx::makePipeRequest(code, drive, value), reply, controllers);
    }

    bool changeSignalled() { return platform::waitFor(runtime.changeEvent, 0) == platform::kWaitObject0; }

    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    ServiceRuntime runtime;
    RecordingReply reply;
    RecordingControllers controllers;
};

TEST_F(PipeRequestsTest, StatusTableIsSixRecordsEvenWhenAWriteFails) {
    for (int n = 0; n < 6; ++n) {
        lmx::ControllerStatusRecord record;
        lmx::clearRecord(record);
        record.physicalNumber = static_cast<std::uint8_t>(n);
        runtime.table.setRecord(n, record);
    }
    reply.failFrom = 2;
    send(lmx::kRequestStatusTable);
    ASSERT_EQ(6u, reply.writes.size());
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(640u, reply.writes[n].size());
        EXPECT_EQ(n, reply.writes[n][1]);
    }
}

TEST_F(PipeRequestsTest, SettingsAreWrittenAndTakeEffect) {
    send(lmx::kRequestSetInterval, 0, 4);
    EXPECT_EQ(4u, readSetting(kIntervalSetting, 0));
    EXPECT_EQ(30'000u, runtime.intervalMilliseconds);
    EXPECT_TRUE(changeSignalled());

    send(lmx::kRequestSetTemperature, 0, 0x4101);
    EXPECT_EQ(0x4101u, runtime.temperatureSetting);
    EXPECT_EQ(0x4101u, readSetting(kTemperatureSetting, 0));
    EXPECT_TRUE(changeSignalled());

    send(lmx::kRequestSetPatrol, 0, 0x00000A81);
    EXPECT_EQ(0xA81u, readSetting(kPatrolSetting, 0));
    EXPECT_EQ(platform::kWaitObject0, platform::waitFor(runtime.patrolEvent, 0));
    EXPECT_FALSE(changeSignalled());

    send(lmx::kRequestSetPopMsg, 0, 0x818100);
    EXPECT_EQ(0x818100u, readSetting(kPopMsgSetting, 0));
    EXPECT_FALSE(changeSignalled());
    send(lmx::kRequestSetDialog, 0, 1);
    EXPECT_EQ(1u, readSetting(kDialogSetting, 0));
    EXPECT_TRUE(reply.writes.empty());
}

TEST_F(PipeRequestsTest, RefreshAsksForANotifyingPoll) {
    send(lmx::kRequestRefresh);
    EXPECT_TRUE(runtime.notifyRequested);
    EXPECT_TRUE(changeSignalled());
}

TEST_F(PipeRequestsTest, VendorControlsGoToTheirDrive) {
    lmx::ControllerStatusRecord present;
    lmx::clearRecord(present);
    present.present = 1;
    runtime.table.setRecord(3, present);
    send(lmx::kRequestStartVerify, 3);
    send(lmx::kRequestStopVerify, 1);
    send(lmx::kRequestSilenceBuzzer, 2);
    send(lmx::kRequestEndVerify, 5);
    send(lmx::kRequestStartVerify, 200);  // no such drive: nothing sent
    ASSERT_EQ(4u, controllers.controls.size());
    EXPECT_EQ(0x29, controllers.controls[0].code);
    EXPECT_EQ(3, controllers.controls[0].drive);
    EXPECT_TRUE(controllers.controls[0].present);
    EXPECT_EQ(0x28, controllers.controls[1].code);
    EXPECT_FALSE(controllers.controls[1].present);
    EXPECT_EQ(0x10, controllers.controls[2].code);
    EXPECT_EQ(0x0F, controllers.controls[3].code);
    EXPECT_TRUE(changeSignalled());
}

TEST_F(PipeRequestsTest, LogPagesAnswerWithHeaderAndBlock) {
    send(lmx::kRequestLogPageF5, 1);
    ASSERT_EQ(2u, reply.writes.size());
    const auto header = lmx::makeReplyHeader(true);
    EXPECT_EQ(std::vector<std::uint8_t>(header.begin(), header.end()), reply.writes[0]);
    EXPECT_EQ(std::vector<std::uint8_t>(512, 0xF5), reply.writes[1]);

    // A failed read answers with the header alone, its flag 0.
    controllers.logAnswers = false;
    send(lmx::kRequestLogPageF4, 1);
    ASSERT_EQ(3u, reply.writes.size());
    EXPECT_EQ(640u, reply.writes[2].size());
    EXPECT_EQ(0, reply.writes[2][2]);
    // So does a drive number outside 0-5.
    controllers.logAnswers = true;
    send(lmx::kRequestLogPageF4, 9);
    ASSERT_EQ(4u, reply.writes.size());
    EXPECT_EQ(0, reply.writes[3][2]);
}

TEST_F(PipeRequestsTest, ReadyFlagAndIgnoredCodes) {
    send(lmx::kRequestIsReady);
    ASSERT_EQ(1u, reply.writes.size());
    EXPECT_EQ(0, reply.writes[0][2]);
    runtime.ready = true;
    send(lmx::kRequestIsReady);
    EXPECT_EQ(1, reply.writes[1][2]);
    auto zeroButFlag = reply.writes[1];
    zeroButFlag[2] = 0;
    EXPECT_EQ(std::vector<std::uint8_t>(640, 0), zeroButFlag);
    send(14, 0, 123);
    send(255);
    EXPECT_EQ(2u, reply.writes.size());
    EXPECT_FALSE(changeSignalled());
}

}  // namespace
}  // namespace dwsvc
