// The systemd unit: one template, filled in by dwsvc install and by the install rules alike.

#include "platform/linux/systemd_unit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace platform::systemd {
namespace {

TEST(SystemdUnit, FillsInTheServiceAndKeepsTheHardening) {
    const auto unit = serviceUnitText("LMX Duowatch Service", "/opt/lmxduowatch/dwsvc");
    ASSERT_TRUE(unit.has_value());
    EXPECT_NE(std::string::npos, unit->find("\nDescription=LMX Duowatch Service\n"));
    EXPECT_NE(std::string::npos, unit->find("\nExecStart=/opt/lmxduowatch/dwsvc\n"));
    EXPECT_EQ(std::string::npos, unit->find("@DISPLAY_NAME@"));
    EXPECT_EQ(std::string::npos, unit->find("@IMAGE_PATH@"));
    for (const char* line : {"Type=notify", "Restart=on-failure", "NoNewPrivileges=yes", "ProtectSystem=strict",
                             "PrivateTmp=yes", "DevicePolicy=closed", "DeviceAllow=block-sd rw", "DeviceAllow=char-sg rw",
                             "StateDirectory=lmxduowatch", "LogsDirectory=lmxduowatch", "WantedBy=multi-user.target",
                             // The disk drivers are loaded before DeviceAllow= is resolved.
                             "Wants=modprobe@sd_mod.service modprobe@sg.service",
                             "After=modprobe@sd_mod.service modprobe@sg.service"}) {
        EXPECT_NE(std::string::npos, unit->find("\n" + std::string(line) + "\n")) << line;
    }
    EXPECT_NE(std::string::npos, unit->find("\nCapabilityBoundingSet=CAP_SYS_RAWIO "));
}

TEST(SystemdUnit, EscapesWhatAUnitFileReadsAndRefusesLineBreaks) {
    const auto spaced = serviceUnitText("100% sure", "/srv/my programs/dw\"svc");
    ASSERT_TRUE(spaced.has_value());
    EXPECT_NE(std::string::npos, spaced->find("\nDescription=100%% sure\n"));
    EXPECT_NE(std::string::npos, spaced->find("\nExecStart=\"/srv/my programs/dw\\\"svc\"\n"));

    EXPECT_FALSE(serviceUnitText("name", "/opt/x\n[Service]\nExecStartPre=/bin/evil").has_value());
    EXPECT_FALSE(serviceUnitText("name\nUser=nobody", "/opt/x").has_value());
    EXPECT_FALSE(serviceUnitText("name", "").has_value());
}

// The unit the install rules laid into the build folder is the text dwsvc install writes for
// the installed program: the two cannot drift apart.
TEST(SystemdUnit, InstalledUnitIsWhatDwsvcInstallWrites) {
    std::ifstream file(LMX_CONFIGURED_UNIT_FILE);
    ASSERT_TRUE(file) << LMX_CONFIGURED_UNIT_FILE;
    std::stringstream configured;
    configured << file.rdbuf();
    EXPECT_EQ(serviceUnitText("LMX Duowatch Service", LMX_INSTALL_PREFIX "/dwsvc"), configured.str());
}

}  // namespace
}  // namespace platform::systemd
