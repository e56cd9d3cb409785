#include "simulator/request_exchange.h"

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>

#include "common/ata_pass_through.h"
#include "common/vendor_pages.h"
#include "platform/file_append.h"
#include "platform/physical_drive.h"
#include "platform/win_error.h"
#include "simulator/command_engine.h"
#include "simulator/command_log.h"
#include "simulator/direct_route.h"
#include "simulator/drive_files.h"
#include "simulator/sat_route.h"
#include "simulator/sat_sense.h"
#include "simulator/smart_route.h"

namespace simulator {

namespace {

constexpr std::uint32_t kBlockSize = 512;

// The part of a request's input that is its header (the rest is data the command writes).
std::uint32_t requestHeaderSize(Route route) {
    switch (route) {
        case Route::Sat: return static_cast<std::uint32_t>(lmx::kScsiPassThroughHeaderSize);
        case Route::Smart: return static_cast<std::uint32_t>(sizeof(lmx::SendCmdInParams));
        case Route::Direct: return static_cast<std::uint32_t>(sizeof(lmx::AtaPassThroughDirect));
    }
    return 0;
}

std::uint32_t rejection(const Faults& faults, Route route) {
    switch (route) {
        case Route::Direct: return faults.rejectDirect;
        case Route::Sat: return faults.rejectSat;
        case Route::Smart: return faults.rejectSmart;
    }
    return 0;
}

// The page a request reads when it is a vendor page read, as the controller takes one.
std::optional<std::uint8_t> vendorPageRead(const AtaRequest& ata) {
    if (ata.command() != lmx::pages::kCommandSmart || ata.features() != lmx::pages::kFeatureVendorPageRead ||
        ata.lbaMid() != lmx::pages::kVendorPageLbaMid) {
        return std::nullopt;
    }
    return ata.lbaHigh();
}

bool failsPage(const Faults& faults, const AtaRequest& ata) {
    const auto page = vendorPageRead(ata);
    return page && std::find(faults.failPages.begin(), faults.failPages.end(), *page) != faults.failPages.end();
}

class Exchange {
public:
    Exchange(const std::filesystem::path& driveFile, DriveDescription& drive, const RouteRequest& request,
             const IoBuffers& buffers)
        : driveFile_(driveFile), drive_(drive), request_(request), buffers_(buffers) {
        entry_["route"] = routeName(request.route);
        entry_.update(request.logFields);
        // What the program handed over, byte for byte: the sizes of its buffers and the request
        // header it wrote (the SCSI pass-through header with its command block, the whole legacy
        // SMART input, the ATA task-file descriptor).
        entry_["inSize"] = buffers.inSize;
        entry_["outSize"] = buffers.outSize;
        if (buffers.in && buffers.inSize > 0) {
            const auto headerSize = std::min<std::uint32_t>(buffers.inSize, requestHeaderSize(request.route));
            entry_["requestHeader"] = toSpacedHex(std::span(static_cast<const std::uint8_t*>(buffers.in), headerSize));
        }
        if (!request.problem.empty()) entry_["problem"] = request.problem;
    }

    IoResult run() {
        if (const std::uint32_t error = rejection(drive_.faults, request_.route)) return fail("rejected", error);
        if (request_.bufferError) return fail("invalid", request_.bufferError);
        if (drive_.faults.failNext > 0) {
            --drive_.faults.failNext;
            writeDescriptionFile(driveFile_, drive_);
            return fail("failed", platform::kErrorIoDevice);
        }
        if (request_.illegalRequestAsc) {
            const SenseCode code{lmx::sense::kIllegalRequest, *request_.illegalRequestAsc, 0};
            return answerSatWith(abortedAnswer(), buildSense(drive_.faults.senseFormat, false, code, std::nullopt),
                                 "illegal-request");
        }
        const AtaRequest& ata = *request_.ata;
        if (failsPage(drive_.faults, ata)) {
            entry_["action"] = pageAction(ata.lbaHigh());
            return fail("failed", platform::kErrorIoDevice);
        }
        if (request_.route == Route::Direct && drive_.faults.directErrBit) {
            return answerDirectWith(abortedAnswer(), "error-bit");
        }
        const auto& senseKey = drive_.faults.satSenseKey;
        if (request_.route == Route::Sat && senseKey && *senseKey > lmx::sense::kRecoveredError) {
            return answerSatWith(abortedAnswer(), sense({*senseKey, 0, 0}, abortedAnswer()), "check-condition");
        }
        const Faults& faults = drive_.faults;
        if (request_.route == Route::Sat && faults.scsiStatus && !faults.scsiStatusExecutes) {
            return answerSatWith(abortedAnswer(), std::nullopt, "scsi-status", faults.scsiStatus);
        }
        if (request_.route == Route::Sat && faults.sense && !faults.senseExecutes) {
            return answerSatWith(abortedAnswer(), verbatimSense(), "sense");
        }

        CommandOutcome outcome = executeCommand(drive_, ata);
        entry_["action"] = outcome.action;
        if (outcome.stateChanged) writeDescriptionFile(driveFile_, drive_);
        if (!outcome.firmwareBlocks.empty()) keepFirmware(outcome.firmwareBlocks);
        const AtaAnswer& answer = outcome.answer;
        const char* result = answer.completed ? "ok" : "aborted";

        switch (request_.route) {
            case Route::Direct: return answerDirectWith(answer, result);
            case Route::Sat:
                if (faults.scsiStatus) return answerSatWith(answer, std::nullopt, "scsi-status", faults.scsiStatus);
                if (faults.sense) return answerSatWith(answer, verbatimSense(), "sense");
                if (!answer.completed) {
                    return answerSatWith(answer, sense({lmx::sense::kAbortedCommand, 0, 0}, answer), result);
                }
                if (senseKey) {
                    return answerSatWith(answer, sense({*senseKey, 0, kAscqAtaInformationAvailable}, answer),
                                         "check-condition");
                }
                return answerSatWith(answer, std::nullopt, result);
            case Route::Smart: {
                IoResult io;
                io.succeeded = answerSmart(buffers_.out, buffers_.outSize, answer, io.bytesReturned, io.error);
                return finish(io, result);
            }
        }
        return fail("invalid", platform::kErrorInvalidFunction);
    }

private:
    SenseData sense(SenseCode code, const AtaAnswer& answer) const {
        return buildSense(drive_.faults.senseFormat, drive_.faults.senseValid, code,
                          returnedRegisters(*request_.ata, answer));
    }

    IoResult answerDirectWith(const AtaAnswer& answer, const char* result) {
        IoResult io;
        answerDirect(buffers_.in, buffers_.out, answer, io.bytesReturned);
        io.succeeded = true;
        return finish(io, result);
    }

    // The sense bytes of faults.sense, as they stand.
    SenseData verbatimSense() const {
        SenseData data;
        const Bytes& bytes = *drive_.faults.sense;
        data.length = static_cast<std::uint8_t>(std::min(bytes.size(), sizeof data.bytes));
        std::copy_n(bytes.begin(), data.length, data.bytes);
        return data;
    }

    IoResult answerSatWith(const AtaAnswer& answer, const std::optional<SenseData>& checkCondition,
                           const char* result, std::optional<std::uint8_t> otherStatus = std::nullopt) {
        IoResult io;
        answerSat(buffers_.in, buffers_.inSize, buffers_.out, buffers_.outSize, answer, SatStatus{checkCondition, otherStatus},
                  io.bytesReturned);
        if (otherStatus) entry_["scsiStatus"] = otherStatus.value();
        io.succeeded = true;
        if (checkCondition) entry_["sense"] = toSpacedHex(std::span(checkCondition->bytes, checkCondition->length));
        return finish(io, result);
    }

    // What the drive received is readable by no more users than the drive file itself.
    void keepFirmware(const Bytes& blocks) {
        const auto path = firmwarePath(driveFile_);
        std::error_code error;
        const auto driveMode = std::filesystem::status(driveFile_, error).permissions();
        if (error) throw SimulatorError("cannot examine " + driveFile_.string() + ": " + error.message());
        const auto mode = driveMode & std::filesystem::perms(0666);
        if (!platform::appendToFile(path, std::string_view(reinterpret_cast<const char*>(blocks.data()), blocks.size()),
                                    mode)) {
            throw SimulatorError("cannot write " + path.string() + " (error " + std::to_string(platform::lastError()) + ")");
        }
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error) entry_["block"] = static_cast<std::uint64_t>(size) / kBlockSize;
    }

    IoResult fail(const char* result, std::uint32_t error) {
        IoResult io;
        io.error = error;
        return finish(io, result);
    }

    IoResult finish(const IoResult& io, const char* result) {
        entry_["result"] = result;
        if (!io.succeeded) entry_["error"] = io.error;
        appendCommandLog(driveFile_, entry_);
        return io;
    }

    const std::filesystem::path& driveFile_;
    DriveDescription& drive_;
    const RouteRequest& request_;
    const IoBuffers& buffers_;
    LogEntry entry_ = LogEntry::object();
};

}  // namespace

IoResult carryOut(const std::filesystem::path& driveFile, DriveDescription& drive, const RouteRequest& request,
                  const IoBuffers& buffers) {
    return Exchange(driveFile, drive, request, buffers).run();
}

}  // namespace simulator
