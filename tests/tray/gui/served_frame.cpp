#include "tests/tray/gui/served_frame.h"

#include "common/tray_messages.h"
#include "tests/gui/test_application.h"
#include "tests/tray/core/packets.h"

namespace lmx::tray::testing {

namespace {

class AcceptingShell final : public TrayShell {
public:
    bool add(int, std::string_view) override { return true; }
    bool modify(int) override { return true; }
    void remove() override {}
    void setMenu(const std::vector<gui::MenuItem>&) override {}
    void enableMenuItem(int, bool) override {}
};

}  // namespace

MainFrame::Options quietFrameOptions() {
    MainFrame::Options options;
    options.shell = std::make_unique<AcceptingShell>();
    options.startWorker = false;
    return options;
}

void ServedFrameTest::SetUp() {
    gui::testing::startGuiForTests();
    for (int slot = 0; slot < kPhysicalDriveCount; ++slot) runtime.table.setRecord(slot, absentPacket(slot));
    runtime.ready = true;
    server = platform::pipes::PipeServer::create(lmx::kServicePipeName, dwsvc::servicePipeOptions());
    ASSERT_TRUE(server);
    serving = std::thread([this] { dwsvc::servePipe(runtime, *server, actions); });
}

void ServedFrameTest::TearDown() {
    frame_.reset();
    server->stop();
    serving.join();
}

void ServedFrameTest::serve(int slot, const ControllerStatusRecord& record) {
    ControllerStatusRecord served = record;
    served.physicalNumber = static_cast<std::uint8_t>(slot);
    runtime.table.setRecord(slot, served);
}

MainFrame& ServedFrameTest::load() {
    if (!frame_) {
        frame_ = std::make_unique<MainFrame>(quietFrameOptions());
        EXPECT_TRUE(frame_->create());
        frame_->window().sendMessage(UWM_INIT_DATA);
        // The first load raises alerts but does not refresh the forms; a form shown later
        // rebuilds on its own.
        frame_->currentForm()->window().sendMessage(UWM_INFO_REFRESH);
    } else {
        frame_->window().sendMessage(UWM_SVC_NOTIFY);
    }
    return *frame_;
}

}  // namespace lmx::tray::testing
