#include "simulator/route_request.h"

#include <cstdio>

#include "common/ata_pass_through.h"

namespace simulator {

std::string_view routeName(Route route) {
    switch (route) {
        case Route::Direct: return "direct";
        case Route::Sat: return "sat";
        case Route::Smart: return "smart";
    }
    return "direct";
}

std::optional<Route> routeForIoctl(std::uint32_t code) {
    switch (code) {
        case lmx::kIoctlAtaPassThroughDirect: return Route::Direct;
        case lmx::kIoctlScsiPassThrough: return Route::Sat;
        case lmx::kSmartSendDriveCommand: return Route::Smart;
        default: return std::nullopt;
    }
}

void addTaskFileLogFields(RouteRequest& request) {
    if (!request.ata) return;
    const AtaRequest& ata = *request.ata;
    char command[4];
    std::snprintf(command, sizeof command, "%02X", ata.command());
    request.logFields["command"] = command;
    // The registers in the descriptor's task-file order, as the log has always shown them.
    lmx::AtaPassThroughDirect taskFile{};
    lmx::storeTaskFile(ata.registers, ata.extended, taskFile);
    request.logFields["taskFile"] = toSpacedHex(taskFile.CurrentTaskFile);
    if (request.route != Route::Smart) request.logFields["previousTaskFile"] = toSpacedHex(taskFile.PreviousTaskFile);
    request.logFields["dataLength"] = ata.transferLength;
}

}  // namespace simulator
