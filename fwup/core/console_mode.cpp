#include "fwup/core/console_mode.h"

#include <filesystem>
#include <iostream>
#include <string>

#include "fwup/core/device_list.h"
#include "fwup/core/firmware_download.h"
#include "fwup/core/fwup_texts.h"
#include "fwup/core/single_instance.h"
#include "platform/console.h"
#include "platform/win_error.h"

namespace fwup {

namespace {

MessageSink messagesTo(std::ostream& err) {
    return [&err](std::string_view text) { err << plainLines(text) << std::endl; };
}

void printRow(std::ostream& out, const DeviceListRow& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) out << (i ? "\t" : "") << cells[i];
    out << '\n';
}

class ConsoleProgress final : public DownloadProgress {
public:
    explicit ConsoleProgress(const ConsoleStreams& streams) : streams_(streams) {}

    void blockStarting(int block, int blocks) override {
        if (streams_.errIsConsole) {
            streams_.err << '\r' << progressText(block, blocks) << std::flush;
        } else {
            streams_.err << progressText(block, blocks) << '\n' << std::flush;
        }
        shown_ = true;
    }
    void lastBlockStarting() override {}

    // Ends the line that rewrote itself.
    void finish() {
        if (streams_.errIsConsole && shown_) streams_.err << '\n' << std::flush;
    }

private:
    const ConsoleStreams& streams_;
    bool shown_ = false;
};

}  // namespace

int runList(const ConsoleStreams& streams) {
    const auto accessor = DriveAccessor::create(messagesTo(streams.err));
    if (!accessor) {
        streams.err << plainLines(kCannotGetBuffer) << std::endl;
        return kExitTrouble;
    }
    DeviceTable table;
    accessor->enumerate_devices(table);

    DeviceListRow titles;
    for (std::size_t i = 0; i < titles.size(); ++i) titles[i] = kDeviceListColumnTitles[i].title;
    printRow(streams.out, titles);
    for (const DeviceListRow& row : deviceListRows(table)) printRow(streams.out, row);
    streams.out << std::flush;
    if (deniedAllDrives(table)) {
        streams.err << plainLines(kNoRightsToDrives) << std::endl;
        return kExitTrouble;
    }
    return kExitDone;
}

int runUpdate(int drive, const std::string& image, const ConsoleStreams& streams, std::atomic<bool>& cancelRequest) {
    const auto accessor = DriveAccessor::create(messagesTo(streams.err));
    if (!accessor) {
        streams.err << plainLines(kCannotGetBuffer) << std::endl;
        return kExitTrouble;
    }
    ConsoleProgress progress(streams);
    // The name is UTF-8; a path made from a plain string would read it in Windows' code page.
    const std::filesystem::path imagePath(std::u8string(image.begin(), image.end()));
    const DownloadResult result = download_firmware(*accessor, imagePath, drive, cancelRequest, progress);
    progress.finish();
    if (result == DownloadResult::DeviceOpenError && accessor->lastOpenError() == platform::kErrorAccessDenied) {
        streams.err << plainLines(kNoRightsToDrive) << std::endl;
    }
    streams.out << resultMessage(result).text << std::endl;
    return result == DownloadResult::Success ? kExitDone : static_cast<int>(result);
}

int runConsoleMode(const Launch& launch) {
    if (launch.kind == LaunchKind::Help) {
        std::cout << helpText() << std::flush;
        return kExitDone;
    }
    if (launch.kind == LaunchKind::UsageError) {
        std::cerr << kProgramName << ": " << launch.error << "\nTry " << kProgramName << " --help." << std::endl;
        return kExitTrouble;
    }
    const SingleInstance instance = claimSingleInstance();
    if (instance.alreadyRunning) {
        std::cerr << kProgramAlreadyRunning << std::endl;
        return kExitTrouble;
    }
    if (instance.unavailable) {
        std::cerr << guardUnavailableText(instance.error) << std::endl;
        return kExitTrouble;
    }
    const ConsoleStreams streams{std::cout, std::cerr, platform::standardErrorIsConsole()};
    if (launch.kind == LaunchKind::List) return runList(streams);

    std::atomic<bool> cancelRequest{false};
    platform::catchConsoleInterrupts(cancelRequest);
    const int status = runUpdate(launch.drive, launch.image, streams, cancelRequest);
    platform::releaseConsoleInterrupts();
    return status;
}

}  // namespace fwup
