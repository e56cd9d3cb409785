// The frame's pipe client and its handlers against the service's real pipe server in a
// temporary root.

#include <gtest/gtest.h>

#include <thread>

#include "platform/named_pipe.h"
#include "service/monitor/monitoring_threads.h"
#include "tests/support/idle_service_workers.h"
#include "tests/support/temp_root.h"
#include "tests/tray/core/japanese_strings.h"
#include "tests/tray/core/packets.h"
#include "tray/core/alert_text.h"
#include "tray/core/frame_core.h"

namespace lmx::tray {
namespace {

using testing::presentPacket;

// Controllers whose log page reads succeed on drive 2 only, with recognisable bytes.
class PageOnDriveTwo final : public dwsvc::ControllerActions {
public:
    void sendVendorControl(std::uint8_t, int, bool) override {}
    bool readLogPage(std::uint8_t page, int physicalNumber, bool, std::uint8_t* out512) override {
        if (physicalNumber != 2) return false;
        for (int i = 0; i < 512; ++i) out512[i] = static_cast<std::uint8_t>(page + i);
        return true;
    }
};

class ServicePipeClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = platform::pipes::PipeServer::create(kServicePipeName, dwsvc::servicePipeOptions());
        ASSERT_TRUE(server);
        serving = std::thread([this] { dwsvc::servePipe(runtime, *server, actions); });
    }
    void TearDown() override {
        if (server) server->stop();
        if (serving.joinable()) serving.join();
    }

    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    dwsvc::ServiceRuntime runtime{workers};
    PageOnDriveTwo actions;
    std::unique_ptr<platform::pipes::PipeServer> server;
    std::thread serving;
    testing::JapaneseStrings texts;
    FrameCore frame{texts, FrameSettings{}};
};

TEST_F(ServicePipeClientTest, StatusTableFillsTheCurrentPackets) {
    runtime.table.setRecord(3, presentPacket(3, kRaidRebuilding, "Lumavex ZDAP-RS481"));
    ASSERT_TRUE(frame.sendRequest(kRequestStatusTable));
    const auto& current = frame.data().currentPackets[3];
    EXPECT_EQ(1, current.present);
    EXPECT_EQ(kRaidRebuilding, current.raidStatus);
    EXPECT_EQ("Lumavex ZDAP-RS481", fieldText(current.raidModel));
    EXPECT_EQ(0, frame.data().keptPackets[3].present);  // only the first load or a compare accepts it
}

TEST_F(ServicePipeClientTest, ReadyFlag) {
    EXPECT_FALSE(frame.isServiceReady());
    runtime.ready = true;
    EXPECT_TRUE(frame.isServiceReady());
}

TEST_F(ServicePipeClientTest, LogPagesWithAndWithoutThePageBlock) {
    EXPECT_TRUE(frame.sendRequest(kRequestLogPageF4, 2));
    EXPECT_EQ(1, frame.logPages()[0].ok);
    EXPECT_EQ(0xF4, frame.logPages()[0].data[0]);
    EXPECT_EQ(static_cast<std::uint8_t>(0xF4 + 511), frame.logPages()[0].data[511]);

    // No page from drive 1: the exchange succeeds, the page is marked missing.
    EXPECT_TRUE(frame.sendRequest(kRequestLogPageF5, 1));
    EXPECT_EQ(0, frame.logPages()[1].ok);
    EXPECT_EQ(1, frame.logPages()[0].ok);  // the other page is untouched
    EXPECT_TRUE(frame.sendRequest(kRequestLogPageF5, 0x102));  // only the low byte is the drive
    EXPECT_EQ(1, frame.logPages()[1].ok);
    EXPECT_EQ(0xF5, frame.logPages()[1].data[0]);
}

TEST_F(ServicePipeClientTest, SettingsAreSentFromTheCache) {
    frame.settings().interval = 4;
    frame.settings().temperature = 0x4101;
    EXPECT_TRUE(frame.sendRequest(kRequestSetInterval));
    EXPECT_TRUE(frame.sendRequest(kRequestSetTemperature));
    frame.isServiceReady();  // served only after the previous requests were handled
    EXPECT_EQ(30'000u, runtime.intervalMilliseconds);
    EXPECT_EQ(0x4101u, runtime.temperatureSetting);
}

TEST_F(ServicePipeClientTest, UnreachablePipeFailsQuietly) {
    ServicePipeClient nowhere("no pipe name");
    const FrameSettings settings;
    PacketTable packets{};
    LogPages pages{};
    pages[0].ok = 1;
    EXPECT_FALSE(nowhere.sendRequest(kRequestLogPageF4, 2, {settings, packets, pages}));
    EXPECT_EQ(0, pages[0].ok);
    EXPECT_FALSE(nowhere.sendRequest(kRequestStatusTable, -1, {settings, packets, pages}));
    EXPECT_FALSE(nowhere.sendRequest(kRequestIsReady, -1, settings));
}

TEST_F(ServicePipeClientTest, FrameLoadsComparesAndClosesAlertsOnStop) {
    runtime.table.setRecord(1, presentPacket(1, kRaidError));
    runtime.table.setRecord(4, presentPacket(4, kRaidNormal));

    // Before the first load a notification does nothing.
    auto update = frame.serviceNotify();
    EXPECT_TRUE(update.popups.empty());
    EXPECT_FALSE(frame.dataInitialized());

    update = frame.initData();
    EXPECT_TRUE(update.loaded);
    EXPECT_TRUE(frame.dataInitialized());
    ASSERT_EQ(1u, update.popups.size());
    EXPECT_EQ(PopupCommand::Kind::Show, update.popups[0].kind);
    EXPECT_EQ(1, update.popups[0].slot);
    EXPECT_EQ(kIconWarning, update.popups[0].iconClass);
    EXPECT_EQ(1, frame.slotSummaries()[1].present);
    EXPECT_EQ(kRaidError, frame.slotSummaries()[1].raidStatus);

    // Controller 1 goes away: its open alert is replaced by the lost-controller alert.
    runtime.table.setRecord(1, testing::absentPacket(1));
    update = frame.serviceNotify();
    EXPECT_TRUE(update.changed);
    ASSERT_EQ(2u, update.popups.size());
    EXPECT_EQ(PopupCommand::Kind::Close, update.popups[0].kind);
    EXPECT_EQ(PopupCommand::Kind::Show, update.popups[1].kind);
    EXPECT_EQ(kIconError, update.popups[1].iconClass);
    EXPECT_NE(std::string::npos, update.popups[1].text.find("モデル名:ZDA-GX460"));

    // Whatever the stop's outcome, every open alert closes.
    const auto stop = frame.stopMonitoring(root.path() / "no such folder");
    ASSERT_EQ(1u, stop.popups.size());
    EXPECT_EQ(PopupCommand::Kind::Close, stop.popups[0].kind);
    EXPECT_EQ(1, stop.popups[0].slot);
}

}  // namespace
}  // namespace lmx::tray
