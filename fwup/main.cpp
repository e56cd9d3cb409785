// LMXDuo_fwupTool: the firmware update tool. Without an option it is a dialog program; --list,
// --update N FILE and --help run on the command line, without a desktop.

#include <iostream>
#include <string>
#include <vector>

#include "common/product_version.h"
#include "fwup/core/command_line.h"
#include "fwup/core/console_mode.h"
#include "fwup/core/tool_version.h"
#include "platform/command_line.h"
#include "platform/version_record.h"
#if LMX_WITH_SIMULATOR
#include "simulator/simulated_drive.h"
#endif

#if LMX_FWUP_WITH_DIALOG
#include "fwup/gui/fwup_tool_app.h"
#include "gui/dialog_window.h"
#include "platform/desktop.h"
#endif

LMX_DEFINE_VERSION_RECORD("LMXDuo_fwupTool", LMX_FWUP_VERSION_RECORD, LMX_LEGAL_COPYRIGHT);

int main(int argc, char** argv) {
    const platform::Utf8CommandLine utf8(argc, argv);
#if LMX_WITH_SIMULATOR
    // A drive entry of the system root that is a file is a simulated controller.
    simulator::registerSimulatedDrives();
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const fwup::Launch launch = fwup::parseCommandLine(arguments);
    if (launch.kind != fwup::LaunchKind::Dialog) return fwup::runConsoleMode(launch);

#if LMX_FWUP_WITH_DIALOG
    if (!platform::desktopAvailable()) {
        std::cerr << "LMXDuo_fwupTool: no desktop to show the dialog on. On a server use --list and "
                     "--update N FILE (see --help)."
                  << std::endl;
        return fwup::kExitTrouble;
    }
    platform::releaseOwnConsoleWindow();
    // The toolkit sees the program name alone: the rest of the command line is the image path,
    // whatever it looks like.
    const lmx::gui::GuiApplication application(argv[0]);
    return fwup::gui::CZARKEL_fwupToolApp(launch.directPath).InitInstance();
#else
    std::cerr << "LMXDuo_fwupTool: this build has no dialog. Use --list and --update N FILE (see --help)."
              << std::endl;
    return fwup::kExitTrouble;
#endif
}
