// The whole service with real processes in a temporary system root: dwsvc installed and started
// by monswitch, watching simulated controllers; the event log, the registry, the CSV log, the
// pipe and a listening tray window see every change.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "common/pipe_request.h"
#include "common/tray_messages.h"
#include "platform/event_log.h"
#include "platform/named_pipe.h"
#include "platform/registry.h"
#include "platform/window_directory.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/settings_store.h"
#include "simulator/drive_store.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/tools/program_run.h"

namespace {

using namespace std::chrono_literals;
using lmx::testing::eventually;
namespace fs = std::filesystem;

// The tray application's hidden window, as far as the notifier can tell.
class TrayWindowStandIn {
public:
    TrayWindowStandIn() {
        window_ = platform::windows::WindowThread::start(
            lmx::tray::kMainWindowTitle, [this](std::uint32_t message, std::uintptr_t, std::intptr_t) -> std::intptr_t {
                std::lock_guard lock(lock_);
                messages_.push_back(message);
                return 0;
            });
    }
    bool running() const { return window_ != nullptr; }
    int count(std::uint32_t message) const {
        std::lock_guard lock(lock_);
        return static_cast<int>(std::count(messages_.begin(), messages_.end(), message));
    }

private:
    mutable std::mutex lock_;
    std::vector<std::uint32_t> messages_;
    std::unique_ptr<platform::windows::WindowThread> window_;
};


int countEvents(std::uint32_t id) {
    int count = 0;
    for (const auto& event : platform::eventlog::readEvents()) count += event.eventId == id;
    return count;
}

std::vector<std::uint8_t> exchange(const lmx::PipeRequest& request, std::size_t replySize) {
    std::vector<std::uint8_t> reply(replySize);
    const auto received = platform::pipes::callNamedPipe(
        lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply,
        lmx::kPipeWaitMilliseconds);
    reply.resize(received.value_or(0));
    return reply;
}

TEST(ServiceEndToEnd, WatchesSimulatedControllersFromStartToStop) {
    lmx::testing::TempRoot root;
    // The programs run from a folder of their own in the root, as an installation would: the
    // service writes its CSV logs beside itself.
    const fs::path programs = root.path() / "programs";
    fs::create_directories(programs);
    for (const char* file : {"dwsvc", "monswitch", "traysignal", "TXTRES_EN.so"}) {
        fs::copy_file(lmx::testing::programsFolder() / file, programs / file);
    }
    const auto dwsvc = programs / "dwsvc";
    const auto monswitch = programs / "monswitch";

    ASSERT_EQ(0, lmx::testing::runProgram(dwsvc, "dwsvc", {"install"}).exitCode);
    dwsvc::writeSetting(dwsvc::kTemperatureSetting, 0x3C01);  // alarm on at 60 °C
    simulator::createController(simulator::driveFilePath(root.path(), 0), "Lumavex ZDAP-RS482");
    simulator::createController(simulator::driveFilePath(root.path(), 2), "ZDA-GX460-TT3");
    TrayWindowStandIn tray;
    ASSERT_TRUE(tray.running());

    ASSERT_EQ(0, lmx::testing::runProgram(monswitch, "monswitch", {"start", "LMXDuowatch"}).exitCode);
    ASSERT_TRUE(eventually([] {
        return countEvents(dwsvc::kEventControllerFound + 0) == 1 && countEvents(dwsvc::kEventControllerFound + 2) == 1;
    }));
    EXPECT_TRUE(eventually([&] { return tray.count(lmx::tray::UWM_SVC_NOTIFY) >= 1; }));
    EXPECT_EQ(1u, dwsvc::readSetting(dwsvc::kServiceRunning, 0));

    auto table = exchange(lmx::makePipeRequest(lmx::kRequestStatusTable), 6 * 640);
    ASSERT_EQ(3840u, table.size());
    auto first = lmx::recordFromBytes(std::span<const std::uint8_t, 640>(table.data(), 640));
    EXPECT_EQ(1, first.present);
    EXPECT_EQ("Lumavex ZDAP-RS482", lmx::trimmedField(first.raidModel));

    // The controller starts a rebuild and a member runs hot; a refresh request polls at once.
    const int notifiesBefore = tray.count(lmx::tray::UWM_SVC_NOTIFY);
    simulator::setFields(simulator::driveFilePath(root.path(), 0),
                         {{"raid.status", "2"}, {"raid.rebuildProgress", "128"}, {"members.1.rebuilding", "true"},
                          {"members.0.temperature", "61"}});
    exchange(lmx::makePipeRequest(lmx::kRequestRefresh), 0);
    ASSERT_TRUE(eventually([] { return countEvents(dwsvc::kEventStatusRebuilding) == 1; }));
    EXPECT_TRUE(eventually([] { return countEvents(dwsvc::kEventOverTemperature) == 1; }));
    EXPECT_TRUE(eventually([&] { return tray.count(lmx::tray::UWM_SVC_NOTIFY) > notifiesBefore; }));

    lmx::ControllerStatusRecord published;
    lmx::clearRecord(published);
    dwsvc::loadRecord(0, published);
    EXPECT_EQ(2, published.raidStatus);
    EXPECT_EQ(0x03, published.drive[1].status);
    table = exchange(lmx::makePipeRequest(lmx::kRequestStatusTable), 6 * 640);
    ASSERT_EQ(3840u, table.size());
    first = lmx::recordFromBytes(std::span<const std::uint8_t, 640>(table.data(), 640));
    EXPECT_EQ(128u, lmx::progress(first));
    EXPECT_EQ(61, first.drive[0].temperature);

    // The CSV log of drive 0 lies beside the service and ends with the hot member.
    std::string lastLine;
    for (const auto& entry : fs::directory_iterator(programs)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("temp_log_") || !name.ends_with("_00.csv")) continue;
        std::ifstream csv(entry.path());
        for (std::string line; std::getline(csv, line);) lastLine = line;
    }
    EXPECT_NE(std::string::npos, lastLine.find(",61,")) << lastLine;

    // A log page through the pipe: the header and the 512 bytes of the simulated page.
    const auto log = exchange(lmx::makePipeRequest(lmx::kRequestLogPageF4, 0), 640 + 512);
    ASSERT_EQ(640u + 512u, log.size());
    EXPECT_EQ(1, log[2]);
    EXPECT_EQ(0xF4, log[640]);

    ASSERT_EQ(0, lmx::testing::runProgram(monswitch, "monswitch", {"stop", "LMXDuowatch"}).exitCode);
    EXPECT_EQ(0u, dwsvc::readSetting(dwsvc::kServiceRunning, 1));
    EXPECT_EQ(1, tray.count(lmx::tray::UWM_SVC_STOPPING));
    const auto events = platform::eventlog::readEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(dwsvc::kEventMonitoringStopped, events.back().eventId);
    EXPECT_EQ(2, lmx::testing::runProgram(monswitch, "monswitch", {"stop", "LMXDuowatch"}).exitCode);
}

// An installed suite: its program folder is never written. The temperature logs go to the log
// folder (in a root of one's own, its "logs"), the metrics to the configured textfile folder,
// and lmxpipe reads the records as JSON.
TEST(ServiceEndToEnd, InstalledSuiteKeepsItsFolderCleanAndFeedsScripts) {
    lmx::testing::TempRoot root;
    const fs::path programs = root.path() / "opt";
    const fs::path textfiles = root.path() / "node-exporter";
    fs::create_directories(programs);
    fs::create_directories(textfiles);
    for (const char* file : {"dwsvc", "monswitch", "traysignal", "lmxpipe", "TXTRES_EN.so"}) {
        fs::copy_file(lmx::testing::programsFolder() / file, programs / file);
    }
    std::ofstream(programs / "lmxduowatch-installed") << "installed\n";
    ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode);
    dwsvc::writeSetting(dwsvc::kTemperatureSetting, 0x3C01);
    {
        platform::registry::Key key;
        ASSERT_EQ(0u, platform::registry::Key::open(lmx::kServiceKeyPath, platform::registry::kKeySetValue, key));
        ASSERT_EQ(0u, key.setString(dwsvc::kTextfileCollectorFolder, textfiles.string()));
    }
    simulator::createController(simulator::driveFilePath(root.path(), 1), "Lumavex ZDAP-RS482");
    simulator::setFields(simulator::driveFilePath(root.path(), 1), {{"members.0.temperature", "61"}});
    std::vector<std::string> namesBefore;
    for (const auto& entry : fs::directory_iterator(programs)) namesBefore.push_back(entry.path().filename());

    ASSERT_EQ(0, lmx::testing::runProgram(programs / "monswitch", "monswitch", {"start", "LMXDuowatch"}).exitCode);
    const auto metricsFile = textfiles / "lmxduowatch.prom";
    const auto metrics = [&] {
        std::ifstream in(metricsFile);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    // The first cycle finds the controller, the second logs its temperature.
    exchange(lmx::makePipeRequest(lmx::kRequestRefresh), 0);
    ASSERT_TRUE(eventually([&] {
        exchange(lmx::makePipeRequest(lmx::kRequestRefresh), 0);
        return metrics().find("lmxduowatch_member_temperature_celsius{drive=\"1\",slot=\"0\"} 61\n") != std::string::npos &&
               fs::exists(root.path() / "logs");
    })) << metrics();
    EXPECT_NE(std::string::npos, metrics().find("lmxduowatch_controller_present{drive=\"1\"} 1\n"));
    EXPECT_NE(std::string::npos, metrics().find("lmxduowatch_events_total{event_id=\"0x400201F5\"} 1\n"));

    const auto json = lmx::testing::runProgram(programs / "lmxpipe", "lmxpipe", {"status", "--json"});
    ASSERT_EQ(0, json.exitCode);
    const auto table = nlohmann::json::parse(json.output, nullptr, false);
    ASSERT_TRUE(table.is_array() && table.size() == 6) << json.output;
    EXPECT_EQ(1, table[1]["present"]);
    EXPECT_EQ("Lumavex ZDAP-RS482", table[1]["raidModel"]);
    EXPECT_EQ(61, table[1]["drive"][0]["temperature"]);
    EXPECT_EQ(0, table[0]["present"]);

    ASSERT_TRUE(eventually([&] {
        for (const auto& entry : fs::directory_iterator(root.path() / "logs")) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("temp_log_") && name.ends_with("_01.csv")) return true;
        }
        return false;
    }));
    ASSERT_EQ(0, lmx::testing::runProgram(programs / "monswitch", "monswitch", {"stop", "LMXDuowatch"}).exitCode);
    std::vector<std::string> namesAfter;
    for (const auto& entry : fs::directory_iterator(programs)) namesAfter.push_back(entry.path().filename());
    std::sort(namesBefore.begin(), namesBefore.end());
    std::sort(namesAfter.begin(), namesAfter.end());
    EXPECT_EQ(namesBefore, namesAfter);
}

}  // namespace
