#include "simulator/sat_route.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win_error.h"

namespace simulator {

namespace {

constexpr std::uint32_t kBlockSize = 512;
constexpr std::uint8_t kTDirBit = 0x08;
constexpr std::uint8_t kBytBlokBit = 0x04;
constexpr std::uint8_t kTLengthMask = 0x03;
constexpr std::uint8_t kTLengthInCount = 2;

struct Header {
    std::uint16_t length = 0;
    std::uint8_t cdbLength = 0;
    std::uint8_t senseLength = 0;
    std::uint8_t dataIn = 0;
    std::uint32_t transferLength = 0;
    std::uint32_t timeout = 0;
    std::uint32_t dataOffset = 0;
    std::uint32_t senseOffset = 0;
    std::uint8_t cdb[16] = {};
};

Header readHeader(const std::uint8_t* bytes) {
    Header header;
    header.length = lmx::loadLittleEndian<std::uint16_t>(bytes);
    header.cdbLength = bytes[offsetof(lmx::ScsiPassThroughRequest, CdbLength)];
    header.senseLength = bytes[offsetof(lmx::ScsiPassThroughRequest, SenseInfoLength)];
    header.dataIn = bytes[offsetof(lmx::ScsiPassThroughRequest, DataIn)];
    header.transferLength =
        lmx::loadLittleEndian<std::uint32_t>(bytes + offsetof(lmx::ScsiPassThroughRequest, DataTransferLength));
    header.timeout = lmx::loadLittleEndian<std::uint32_t>(bytes + offsetof(lmx::ScsiPassThroughRequest, TimeOutValue));
    header.dataOffset =
        lmx::loadLittleEndian<std::uint32_t>(bytes + offsetof(lmx::ScsiPassThroughRequest, DataBufferOffset));
    header.senseOffset =
        lmx::loadLittleEndian<std::uint32_t>(bytes + offsetof(lmx::ScsiPassThroughRequest, SenseInfoOffset));
    std::memcpy(header.cdb, bytes + offsetof(lmx::ScsiPassThroughRequest, Cdb), sizeof header.cdb);
    return header;
}

RouteRequest refused(RouteRequest request, std::string problem) {
    request.ata.reset();
    request.bufferError = platform::kErrorInvalidParameter;
    request.problem = std::move(problem);
    return request;
}

RouteRequest illegal(RouteRequest request, std::uint8_t asc, std::string problem) {
    request.ata.reset();
    request.illegalRequestAsc = asc;
    request.problem = std::move(problem);
    return request;
}

AtaRequest ataFromCdb(const Header& header) {
    const std::uint8_t* cdb = header.cdb;
    AtaRequest ata;
    ata.extended = (cdb[lmx::kCdbProtocol] & 0x01) != 0;
    lmx::AtaRegisters& registers = ata.registers;
    registers.features = cdb[lmx::kCdbFeatures];
    registers.count = cdb[lmx::kCdbCount];
    registers.lbaLow = cdb[lmx::kCdbLbaLow];
    registers.lbaMid = cdb[lmx::kCdbLbaMid];
    registers.lbaHigh = cdb[lmx::kCdbLbaHigh];
    registers.device = cdb[lmx::kCdbDevice];
    registers.command = cdb[lmx::kCdbCommand];
    if (ata.extended) {
        registers.featuresHigh = cdb[lmx::kCdbFeaturesHigh];
        registers.countHigh = cdb[lmx::kCdbCountHigh];
        registers.lba24 = cdb[lmx::kCdbLbaHigh24];
        registers.lba32 = cdb[lmx::kCdbLbaHigh32];
        registers.lba40 = cdb[lmx::kCdbLbaHigh40];
    }
    ata.transferLength = header.transferLength;
    ata.timeoutSeconds = header.timeout;
    return ata;
}

std::optional<DataDirection> directionOfProtocol(std::uint8_t protocol) {
    switch (protocol) {
        case lmx::kSatProtocolNonData: return DataDirection::None;
        case lmx::kSatProtocolPioIn:
        case lmx::kSatProtocolDmaIn: return DataDirection::In;
        case lmx::kSatProtocolPioOut:
        case lmx::kSatProtocolDmaOut: return DataDirection::Out;
        default: return std::nullopt;
    }
}

// What the translation layer checks before it hands the command to the device: a protocol it
// knows, transfer fields that agree with the protocol and the request, and a sector count
// that moves exactly the bytes the request has room for.
std::optional<std::string> cdbProblem(const Header& header, DataDirection direction, const AtaRequest& ata) {
    const std::uint8_t transfer = header.cdb[lmx::kCdbTransfer];
    const std::uint8_t tLength = transfer & kTLengthMask;
    if (direction == DataDirection::None) {
        if (tLength != 0) return "non-data protocol with T_LENGTH " + std::to_string(tLength);
        if (header.transferLength != 0) return "non-data protocol with a transfer length";
        return std::nullopt;
    }
    const bool toHost = (transfer & kTDirBit) != 0;
    if (toHost != (direction == DataDirection::In)) return "T_DIR disagrees with the protocol";
    const std::uint8_t expectedDataIn = direction == DataDirection::In ? lmx::kScsiDataIn : lmx::kScsiDataOut;
    if (header.dataIn != expectedDataIn) return "DataIn disagrees with the protocol";
    if (tLength != kTLengthInCount || (transfer & kBytBlokBit) == 0) {
        return "transfer length not given in sectors of the count field";
    }
    std::uint32_t sectors = ata.count();
    if (ata.extended) sectors |= static_cast<std::uint32_t>(ata.registers.countHigh) << 8;
    if (sectors * kBlockSize != header.transferLength) {
        return "sector count " + std::to_string(sectors) + " moves " + std::to_string(sectors * kBlockSize) +
               " bytes, the request's transfer length is " + std::to_string(header.transferLength);
    }
    return std::nullopt;
}

}  // namespace

RouteRequest decodeSatRequest(const void* in, std::uint32_t inSize, const void* out, std::uint32_t outSize) {
    RouteRequest request;
    request.route = Route::Sat;
    if (!in || inSize < lmx::kScsiPassThroughHeaderSize) return refused(request, "input smaller than the header");
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    const Header header = readHeader(bytes);
    AtaRequest ata = ataFromCdb(header);
    request.ata = ata;
    addTaskFileLogFields(request);
    request.logFields["cdb"] =
        toSpacedHex(std::span<const std::uint8_t>(header.cdb, std::min<std::size_t>(header.cdbLength, 16)));
    request.logFields["dataIn"] = header.dataIn;
    request.logFields["timeout"] = header.timeout;

    if (header.length != lmx::kScsiPassThroughHeaderSize) {
        return refused(request, "header Length is " + std::to_string(header.length));
    }
    if (!out) return refused(request, "no output buffer");
    if (header.senseLength > 0 && std::uint64_t{header.senseOffset} + header.senseLength > outSize) {
        return refused(request, "sense area outside the output buffer");
    }
    switch (header.dataIn) {
        case lmx::kScsiDataIn:
            if (std::uint64_t{header.dataOffset} + header.transferLength > outSize) {
                return refused(request, "data area outside the output buffer");
            }
            break;
        case lmx::kScsiDataOut:
            if (std::uint64_t{header.dataOffset} + header.transferLength > inSize) {
                return refused(request, "data area outside the input buffer");
            }
            break;
        case lmx::kScsiDataUnspecified:
            if (header.transferLength != 0) return refused(request, "a transfer length without a direction");
            break;
        default: return refused(request, "DataIn is " + std::to_string(header.dataIn));
    }

    if (header.cdbLength != 16 || header.cdb[0] != lmx::kAtaPassThrough16) {
        return illegal(request, kAscInvalidOperationCode, "not ATA PASS-THROUGH(16)");
    }
    const auto direction = directionOfProtocol(static_cast<std::uint8_t>(header.cdb[lmx::kCdbProtocol] >> 1 & 0x0F));
    if (!direction) return illegal(request, kAscInvalidFieldInCdb, "unsupported protocol");
    if (auto problem = cdbProblem(header, *direction, ata)) return illegal(request, kAscInvalidFieldInCdb, *problem);

    request.ata->direction = *direction;
    if (*direction == DataDirection::Out) {
        request.ata->dataOut.assign(bytes + header.dataOffset, bytes + header.dataOffset + header.transferLength);
    }
    return request;
}

void answerSat(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize, const AtaAnswer& answer,
               const SatStatus& status, std::uint32_t& bytesReturned) {
    // One system buffer as large as the larger of the two: the input copied in, the driver's
    // answer written into it, and the output's length copied back.
    std::vector<std::uint8_t> buffer(std::max(inSize, outSize), 0);
    std::memcpy(buffer.data(), in, inSize);
    const Header header = readHeader(buffer.data());

    buffer[offsetof(lmx::ScsiPassThroughRequest, ScsiStatus)] =
        status.otherStatus ? *status.otherStatus
                           : (status.checkCondition ? lmx::kScsiStatusCheckCondition : lmx::kScsiStatusGood);
    std::uint8_t senseWritten = 0;
    if (status.checkCondition) {
        senseWritten = std::min(header.senseLength, status.checkCondition->length);
        if (senseWritten > 0) {
            std::memcpy(buffer.data() + header.senseOffset, status.checkCondition->bytes, senseWritten);
        }
    }
    buffer[offsetof(lmx::ScsiPassThroughRequest, SenseInfoLength)] = senseWritten;

    std::uint32_t transferred = 0;
    if (answer.completed && header.dataIn == lmx::kScsiDataIn) {
        transferred = static_cast<std::uint32_t>(std::min<std::size_t>(header.transferLength, answer.dataIn.size()));
        if (transferred > 0) std::memcpy(buffer.data() + header.dataOffset, answer.dataIn.data(), transferred);
    } else if (answer.completed && header.dataIn == lmx::kScsiDataOut) {
        transferred = header.transferLength;
    }
    lmx::storeLittleEndian(buffer.data() + offsetof(lmx::ScsiPassThroughRequest, DataTransferLength), transferred);

    std::memcpy(out, buffer.data(), outSize);
    bytesReturned = outSize;
}

}  // namespace simulator
