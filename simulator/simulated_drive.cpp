#include "simulator/simulated_drive.h"

#include <cerrno>
#include <chrono>
#include <fstream>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/physical_drive.h"
#include "platform/win_error.h"
#include "simulator/command_log.h"
#include "simulator/description_cache.h"
#include "simulator/direct_route.h"
#include "simulator/drive_files.h"
#include "simulator/request_exchange.h"
#include "simulator/sat_route.h"
#include "simulator/smart_route.h"

namespace simulator {

namespace {


RouteRequest decode(Route route, const IoBuffers& buffers) {
    switch (route) {
        case Route::Direct: return decodeDirectRequest(buffers.in, buffers.inSize, buffers.out, buffers.outSize);
        case Route::Sat: return decodeSatRequest(buffers.in, buffers.inSize, buffers.out, buffers.outSize);
        case Route::Smart: return decodeSmartRequest(buffers.in, buffers.inSize, buffers.out, buffers.outSize);
    }
    return {};
}

// The time-out the request asked for, as the driver would wait it out.
std::chrono::milliseconds commandTimeout(const RouteRequest& request) {
    const auto found = request.logFields.find("timeout");
    const std::uint32_t seconds =
        found != request.logFields.end() && found->is_number_unsigned() ? found->get<std::uint32_t>() : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : 10);
}

void logUnderLock(const std::filesystem::path& file, LogEntry entry) {
    DriveLock lock(file);
    appendCommandLog(file, std::move(entry));
}

// A drive whose every request is answered from its file: the description is re-read under the
// drive's lock for each request, so several processes can share one simulated drive (parsed
// again only when the file's bytes changed).
class SimulatedDrive final : public platform::DriveBackend {
public:
    explicit SimulatedDrive(std::filesystem::path file) : file_(file), cache_(std::move(file)) {}

    bool ioControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t& bytesReturned, std::uint32_t& error) override {
        bytesReturned = 0;
        error = 0;
        try {
            const IoResult result = serve(code, IoBuffers{in, inSize, out, outSize});
            bytesReturned = result.bytesReturned;
            error = result.error;
            return result.succeeded;
        } catch (const DriveLockTimeout&) {
            // Someone else held the drive all the while: it did not answer in time.
            error = platform::kErrorSemTimeout;
            return false;
        } catch (const std::exception&) {
            // The file went away or became unreadable under the drive's users; nothing may
            // escape into the program that sent the request.
            error = platform::kErrorIoDevice;
            return false;
        }
    }

private:
    IoResult serve(std::uint32_t code, const IoBuffers& buffers) {
        const auto route = routeForIoctl(code);
        if (!route) return unknownControl(code);
        const RouteRequest request = decode(*route, buffers);

        // Waiting happens outside the lock so that other users of the drive are not held up.
        const DriveDescription before = readDescription();
        if (before.kind == DriveKind::Silent) return timeOut(request, before);
        if (before.faults.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(before.faults.delayMs));

        DriveDescription drive;
        {
            DriveLock lock(file_);
            drive = readDescription();
            if (drive.kind != DriveKind::Silent) return carryOut(file_, drive, request, buffers);
        }
        return timeOut(request, drive);  // it fell silent while this request waited
    }

    DriveDescription readDescription() {
        const std::lock_guard guard(cacheLock_);
        return cache_.read();
    }

    IoResult unknownControl(std::uint32_t code) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", code);
        logUnderLock(
            file_,
            {{"route", "ioctl"}, {"code", text}, {"result", "invalid"}, {"error", platform::kErrorInvalidFunction}});
        return IoResult{false, 0, platform::kErrorInvalidFunction};
    }

    IoResult timeOut(const RouteRequest& request, const DriveDescription& drive) {
        const auto wait =
            drive.answerAfterMs ? std::chrono::milliseconds(*drive.answerAfterMs) : commandTimeout(request);
        std::this_thread::sleep_for(wait);
        LogEntry entry = {{"route", routeName(request.route)}};
        entry.update(request.logFields);
        entry["result"] = "timeout";
        entry["error"] = platform::kErrorSemTimeout;
        logUnderLock(file_, entry);
        return IoResult{false, 0, platform::kErrorSemTimeout};
    }

    std::filesystem::path file_;
    std::mutex cacheLock_;  // the drive may be asked from several threads
    DescriptionCache cache_;
};

}  // namespace

std::unique_ptr<platform::DriveBackend> openSimulatedDrive(const std::filesystem::path& file, std::uint32_t& error) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(file, ignored)) {
        error = platform::kErrorFileNotFound;
        return nullptr;
    }
    // A drive file the caller may not read is a drive it has no rights to.
    std::error_code openError;
    if (!openDriveFileForReading(file, openError) && openError == std::errc::permission_denied) {
        error = platform::kErrorAccessDenied;
        return nullptr;
    }
    try {
        readDescriptionFile(file);
    } catch (const SimulatorError&) {
        error = platform::kErrorInvalidData;
        return nullptr;
    }
    error = 0;
    return std::make_unique<SimulatedDrive>(file);
}

void registerSimulatedDrives() { platform::registerFileDriveOpener(&openSimulatedDrive); }

}  // namespace simulator
