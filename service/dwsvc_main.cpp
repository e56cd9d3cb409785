// dwsvc: the monitoring service and its own installer.

#include <cstdio>

#include "common/product_version.h"
#include "platform/command_line.h"
#include "platform/version_record.h"
#include "service/monitor/command_line.h"
#include "service/monitor/monitoring_threads.h"
#if LMX_WITH_SIMULATOR
#include "simulator/simulated_drive.h"
#endif

LMX_DEFINE_VERSION_RECORD("LMX Duowatch Service", LMX_PRODUCT_VERSION, LMX_LEGAL_COPYRIGHT);

int main(int argc, char** argv) {
    const platform::Utf8CommandLine utf8(argc, argv);
#if LMX_WITH_SIMULATOR
    // A drive entry of the system root that is a file is a simulated controller.
    simulator::registerSimulatedDrives();
#endif
    dwsvc::MonitoringThreads workers;
    return dwsvc::runCommandLine(argc, argv, stdout, workers);
}
