#pragma once
// The tray's main frame against a pipe server of the test's own whose status table the test
// fills: what the test serves reaches the frame's kept table by the frame's own requests (the
// first load, then refresh and compare), as it does from the service.

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "platform/named_pipe.h"
#include "service/monitor/monitoring_threads.h"
#include "tests/support/idle_service_workers.h"
#include "tests/support/temp_root.h"
#include "tray/gui/main_frame.h"

namespace lmx::tray::testing {

// A frame without its worker thread, on a notification area that takes the icon at once.
MainFrame::Options quietFrameOptions();

class ServedFrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The record the service answers for `slot`.
    void serve(int slot, const ControllerStatusRecord& record);
    // The frame takes the served table: its first load when it is new (then the current form
    // rebuilds), a notification's refresh and compare afterwards.
    MainFrame& load();
    MainFrame& frame() { return *frame_; }

    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    dwsvc::ServiceRuntime runtime{workers};
    dwsvc::DriveActions actions;
    std::unique_ptr<platform::pipes::PipeServer> server;
    std::thread serving;
    std::unique_ptr<MainFrame> frame_;
};

}  // namespace lmx::tray::testing
