#pragma once
// A device control request taken apart: which route it came by, the ATA command it carries, or
// why it cannot be carried out.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "simulator/ata_request.h"
#include "simulator/command_log.h"

namespace simulator {

enum class Route { Direct, Sat, Smart };

std::string_view routeName(Route route);

// The route of a device control code, or empty for a code a drive does not know.
std::optional<Route> routeForIoctl(std::uint32_t code);

struct RouteRequest {
    Route route = Route::Direct;
    std::optional<AtaRequest> ata;                  // empty when the request is refused (one of the two below)
    std::uint32_t bufferError = 0;                  // malformed buffers: the request fails with this platform error
    std::optional<std::uint8_t> illegalRequestAsc;  // SAT: the translation refuses the CDB (CHECK CONDITION)
    std::string problem;                            // why the request was refused, for the log
    LogEntry logFields = LogEntry::object();        // what the log shows of the request
};

// Log fields every route has: the task file, the command and the transfer.
void addTaskFileLogFields(RouteRequest& request);

}  // namespace simulator
