#pragma once
// What the service does with each pipe request, and what it answers.

#include <cstdint>

#include "common/pipe_request.h"
#include "service/monitor/service_runtime.h"

namespace dwsvc {

// The connected client, as the request handler sees it.
class PipeReply {
public:
    virtual ~PipeReply() = default;
    // One write: the bytes stay in the pipe for the client to read in its own time; false when
    // the client could not take them.
    virtual bool write(const void* data, std::uint32_t size) = 0;
};

// The controller actions of the requests (the real controllers in the service).
class ControllerActions {
public:
    virtual ~ControllerActions() = default;
    virtual void sendVendorControl(std::uint8_t code, int physicalNumber, bool presentAtLastPoll) = 0;
    virtual bool readLogPage(std::uint8_t page, int physicalNumber, bool presentAtLastPoll, std::uint8_t* out512) = 0;
};

class DriveActions final : public ControllerActions {
public:
    void sendVendorControl(std::uint8_t code, int physicalNumber, bool presentAtLastPoll) override;
    bool readLogPage(std::uint8_t page, int physicalNumber, bool presentAtLastPoll, std::uint8_t* out512) override;
};

// Acts on one whole request and writes its reply, if it has one.
void handlePipeRequest(ServiceRuntime& runtime, const lmx::PipeRequest& request, PipeReply& reply,
                       ControllerActions& controllers);

}  // namespace dwsvc
