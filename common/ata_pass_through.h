#pragma once
// The byte layouts of an ATA command on its way to a controller: the task-file descriptor of the
// direct ATA route, the SCSI pass-through request carrying ATA PASS-THROUGH(16), and the legacy
// SMART request. Offsets are checked at compile time.

#include <cstddef>
#include <cstdint>

#include "common/ata_registers.h"
#include "common/byte_order.h"

namespace lmx {

// ---------------------------------------------------------------------------------------------
// Direct ATA route: the task-file descriptor (ATA_PASS_THROUGH_DIRECT).

inline constexpr std::uint16_t kAtaFlagsDrdyRequired = 0x01;
inline constexpr std::uint16_t kAtaFlagsDataIn = 0x02;
inline constexpr std::uint16_t kAtaFlagsDataOut = 0x04;
inline constexpr std::uint16_t kAtaFlags48BitCommand = 0x08;
inline constexpr std::uint16_t kAtaFlagsUseDma = 0x10;

// Indexes into CurrentTaskFile / PreviousTaskFile.
inline constexpr std::size_t kTaskFeatures = 0;  // on return: error register
inline constexpr std::size_t kTaskSectorCount = 1;
inline constexpr std::size_t kTaskLbaLow = 2;
inline constexpr std::size_t kTaskLbaMid = 3;
inline constexpr std::size_t kTaskLbaHigh = 4;
inline constexpr std::size_t kTaskDevice = 5;
inline constexpr std::size_t kTaskCommand = 6;  // on return: status register

inline constexpr std::uint8_t kAtaStatusErr = 0x01;

// The platform's structure with its natural alignment: 40 bytes in a 32-bit process, 48 in a
// 64-bit one (the data pointer is pointer-aligned).
struct AtaPassThroughDirect {
    std::uint16_t Length;
    std::uint16_t AtaFlags;
    std::uint8_t PathId;
    std::uint8_t TargetId;
    std::uint8_t Lun;
    std::uint8_t ReservedAsUchar;
    std::uint32_t DataTransferLength;
    std::uint32_t TimeOutValue;
    std::uint32_t ReservedAsUlong;
    void* DataBuffer;
    std::uint8_t PreviousTaskFile[8];
    std::uint8_t CurrentTaskFile[8];
};

static_assert(offsetof(AtaPassThroughDirect, AtaFlags) == 2);
static_assert(offsetof(AtaPassThroughDirect, PathId) == 4);
static_assert(offsetof(AtaPassThroughDirect, DataTransferLength) == 8);
static_assert(offsetof(AtaPassThroughDirect, TimeOutValue) == 12);
static_assert(offsetof(AtaPassThroughDirect, DataBuffer) == (sizeof(void*) == 8 ? 24 : 20));
static_assert(offsetof(AtaPassThroughDirect, PreviousTaskFile) == (sizeof(void*) == 8 ? 32 : 24));
static_assert(offsetof(AtaPassThroughDirect, CurrentTaskFile) == (sizeof(void*) == 8 ? 40 : 32));
static_assert(sizeof(AtaPassThroughDirect) == (sizeof(void*) == 8 ? 48 : 40));

// The registers a descriptor holds: CurrentTaskFile, and PreviousTaskFile's high-order bytes.
inline AtaRegisters taskFileRegisters(const AtaPassThroughDirect& descriptor) {
    const auto* current = descriptor.CurrentTaskFile;
    const auto* previous = descriptor.PreviousTaskFile;
    AtaRegisters registers;
    registers.features = current[kTaskFeatures];
    registers.count = current[kTaskSectorCount];
    registers.lbaLow = current[kTaskLbaLow];
    registers.lbaMid = current[kTaskLbaMid];
    registers.lbaHigh = current[kTaskLbaHigh];
    registers.device = current[kTaskDevice];
    registers.command = current[kTaskCommand];
    registers.featuresHigh = previous[kTaskFeatures];
    registers.countHigh = previous[kTaskSectorCount];
    registers.lba24 = previous[kTaskLbaLow];
    registers.lba32 = previous[kTaskLbaMid];
    registers.lba40 = previous[kTaskLbaHigh];
    return registers;
}

// Both task files cleared, then the registers stored; the high-order bytes only with `highOrder`
// (a 48-bit command).
inline void storeTaskFile(const AtaRegisters& registers, bool highOrder, AtaPassThroughDirect& descriptor) {
    auto* current = descriptor.CurrentTaskFile;
    auto* previous = descriptor.PreviousTaskFile;
    for (std::size_t i = 0; i < 8; ++i) current[i] = previous[i] = 0;
    current[kTaskFeatures] = registers.features;
    current[kTaskSectorCount] = registers.count;
    current[kTaskLbaLow] = registers.lbaLow;
    current[kTaskLbaMid] = registers.lbaMid;
    current[kTaskLbaHigh] = registers.lbaHigh;
    current[kTaskDevice] = registers.device;
    current[kTaskCommand] = registers.command;
    if (!highOrder) return;
    previous[kTaskFeatures] = registers.featuresHigh;
    previous[kTaskSectorCount] = registers.countHigh;
    previous[kTaskLbaLow] = registers.lba24;
    previous[kTaskLbaMid] = registers.lba32;
    previous[kTaskLbaHigh] = registers.lba40;
}

// ---------------------------------------------------------------------------------------------
// SAT route: the SCSI pass-through request buffer, laid out as a 32-bit process builds it.

inline constexpr std::size_t kScsiPassThroughHeaderSize = 44;
inline constexpr std::size_t kSatSenseOffset = 48;
inline constexpr std::size_t kSatSenseSize = 32;
inline constexpr std::size_t kSatDataOffset = 80;
inline constexpr std::size_t kSatDataSize = 512;
inline constexpr std::size_t kSatRequestSize = kSatDataOffset + kSatDataSize;  // 592

inline constexpr std::uint8_t kScsiDataOut = 0;
inline constexpr std::uint8_t kScsiDataIn = 1;
inline constexpr std::uint8_t kScsiDataUnspecified = 2;

inline constexpr std::uint8_t kScsiStatusGood = 0x00;
inline constexpr std::uint8_t kScsiStatusCheckCondition = 0x02;

// The sense data in Sense: common/sense_data.h.

// SCSI_PASS_THROUGH with its sense and data areas. 32-bit fields are byte arrays (little-endian)
// so that the layout is the same whatever the host.
struct ScsiPassThroughRequest {
    std::uint8_t Length[2];
    std::uint8_t ScsiStatus;
    std::uint8_t PathId;
    std::uint8_t TargetId;
    std::uint8_t Lun;
    std::uint8_t CdbLength;
    std::uint8_t SenseInfoLength;
    std::uint8_t DataIn;
    std::uint8_t padding9[3];
    std::uint8_t DataTransferLength[4];
    std::uint8_t TimeOutValue[4];
    std::uint8_t DataBufferOffset[4];
    std::uint8_t SenseInfoOffset[4];
    std::uint8_t Cdb[16];
    std::uint8_t padding44[4];
    std::uint8_t Sense[kSatSenseSize];
    std::uint8_t Data[kSatDataSize];
};

static_assert(alignof(ScsiPassThroughRequest) == 1);
static_assert(offsetof(ScsiPassThroughRequest, ScsiStatus) == 2);
static_assert(offsetof(ScsiPassThroughRequest, CdbLength) == 6);
static_assert(offsetof(ScsiPassThroughRequest, SenseInfoLength) == 7);
static_assert(offsetof(ScsiPassThroughRequest, DataIn) == 8);
static_assert(offsetof(ScsiPassThroughRequest, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThroughRequest, TimeOutValue) == 16);
static_assert(offsetof(ScsiPassThroughRequest, DataBufferOffset) == 20);
static_assert(offsetof(ScsiPassThroughRequest, SenseInfoOffset) == 24);
static_assert(offsetof(ScsiPassThroughRequest, Cdb) == 28);
static_assert(offsetof(ScsiPassThroughRequest, Sense) == kSatSenseOffset);
static_assert(offsetof(ScsiPassThroughRequest, Data) == kSatDataOffset);
static_assert(sizeof(ScsiPassThroughRequest) == kSatRequestSize);

inline std::uint32_t u32(const std::uint8_t (&field)[4]) { return loadLittleEndian<std::uint32_t>(field); }
inline void setU32(std::uint8_t (&field)[4], std::uint32_t value) { storeLittleEndian(field, value); }

// ATA PASS-THROUGH(16) command block.
inline constexpr std::uint8_t kAtaPassThrough16 = 0x85;
inline constexpr std::uint8_t kAtaPassThrough12 = 0xA1;  // the 12-byte form, which the suite does not send
inline constexpr std::size_t kCdbProtocol = 1;       // PROTOCOL << 1 | EXTEND
inline constexpr std::size_t kCdbTransfer = 2;       // T_DIR << 3 | BYT_BLOK << 2 | T_LENGTH
inline constexpr std::size_t kCdbFeaturesHigh = 3;
inline constexpr std::size_t kCdbFeatures = 4;
inline constexpr std::size_t kCdbCountHigh = 5;
inline constexpr std::size_t kCdbCount = 6;
inline constexpr std::size_t kCdbLbaHigh24 = 7;  // LBA(31:24)
inline constexpr std::size_t kCdbLbaLow = 8;     // LBA(7:0)
inline constexpr std::size_t kCdbLbaHigh32 = 9;  // LBA(39:32)
inline constexpr std::size_t kCdbLbaMid = 10;    // LBA(15:8)
inline constexpr std::size_t kCdbLbaHigh40 = 11; // LBA(47:40)
inline constexpr std::size_t kCdbLbaHigh = 12;   // LBA(23:16)
inline constexpr std::size_t kCdbDevice = 13;
inline constexpr std::size_t kCdbCommand = 14;
inline constexpr std::size_t kCdbControl = 15;

inline constexpr std::uint8_t kSatProtocolNonData = 3;
inline constexpr std::uint8_t kSatProtocolPioIn = 4;
inline constexpr std::uint8_t kSatProtocolPioOut = 5;
inline constexpr std::uint8_t kSatProtocolDmaIn = 10;
inline constexpr std::uint8_t kSatProtocolDmaOut = 11;

// Byte 2: CK_COND asks for the ATA registers back in the sense data even when the command
// succeeds; T_DIR, BYT_BLOK and T_LENGTH describe the transfer.
inline constexpr std::uint8_t kCdbCheckCondition = 0x20;
inline constexpr std::uint8_t kCdbTransferNone = 0x0C;  // T_DIR 1, BYT_BLOK 1, no length
inline constexpr std::uint8_t kCdbTransferIn = 0x0E;    // T_DIR 1, BYT_BLOK 1, length in the count field
inline constexpr std::uint8_t kCdbTransferOut = 0x06;   // T_DIR 0, BYT_BLOK 1, length in the count field

// The ATA PASS-THROUGH(16) command block for a task-file descriptor, registers as they are
// (CK_COND clear).
inline void fillAtaPassThrough16(const AtaPassThroughDirect& request, std::uint8_t (&cdb)[16]) {
    const bool dataIn = request.AtaFlags & kAtaFlagsDataIn;
    const bool dataOut = request.AtaFlags & kAtaFlagsDataOut;
    const bool dma = request.AtaFlags & kAtaFlagsUseDma;
    const bool extend = request.AtaFlags & kAtaFlags48BitCommand;
    std::uint8_t protocol = kSatProtocolNonData;
    std::uint8_t transfer = kCdbTransferNone;
    if (dataIn) {
        protocol = dma ? kSatProtocolDmaIn : kSatProtocolPioIn;
        transfer = kCdbTransferIn;
    } else if (dataOut) {
        protocol = dma ? kSatProtocolDmaOut : kSatProtocolPioOut;
        transfer = kCdbTransferOut;
    }
    const AtaRegisters registers = taskFileRegisters(request);
    cdb[0] = kAtaPassThrough16;
    cdb[kCdbProtocol] = static_cast<std::uint8_t>(protocol << 1 | (extend ? 1 : 0));
    cdb[kCdbTransfer] = transfer;
    cdb[kCdbFeaturesHigh] = registers.featuresHigh;
    cdb[kCdbFeatures] = registers.features;
    cdb[kCdbCountHigh] = registers.countHigh;
    cdb[kCdbCount] = registers.count;
    cdb[kCdbLbaHigh24] = registers.lba24;
    cdb[kCdbLbaLow] = registers.lbaLow;
    cdb[kCdbLbaHigh32] = registers.lba32;
    cdb[kCdbLbaMid] = registers.lbaMid;
    cdb[kCdbLbaHigh40] = registers.lba40;
    cdb[kCdbLbaHigh] = registers.lbaHigh;
    cdb[kCdbDevice] = registers.device;
    cdb[kCdbCommand] = registers.command;
    cdb[kCdbControl] = 0;
}

// The header of the SCSI pass-through request for a task-file descriptor: the request cleared,
// then Length 44, a 16-byte command block, 32 bytes of sense at offset 48 and the data at 80, the
// direction from the descriptor's flags (data in, else data out, else none), its transfer length
// and time-out; the command block is left for the caller.
inline void fillScsiPassThroughHeader(const AtaPassThroughDirect& request, ScsiPassThroughRequest& sat) {
    sat = ScsiPassThroughRequest{};
    storeLittleEndian<std::uint16_t>(sat.Length, kScsiPassThroughHeaderSize);
    sat.CdbLength = 16;
    sat.SenseInfoLength = kSatSenseSize;
    sat.DataIn = (request.AtaFlags & kAtaFlagsDataIn)    ? kScsiDataIn
                 : (request.AtaFlags & kAtaFlagsDataOut) ? kScsiDataOut
                                                         : kScsiDataUnspecified;
    setU32(sat.DataTransferLength, request.DataTransferLength);
    setU32(sat.TimeOutValue, request.TimeOutValue);
    setU32(sat.DataBufferOffset, kSatDataOffset);
    setU32(sat.SenseInfoOffset, kSatSenseOffset);
}

// The sizes one SCSI pass-through request is sent with (the same buffer is input and output):
// data in sends the header and takes back the header, sense and data; data out sends the data
// too and takes back the header and sense; without data, the header out and header and sense back.
struct ScsiPassThroughSizes {
    std::uint32_t in = 0;
    std::uint32_t out = 0;
};

inline ScsiPassThroughSizes scsiPassThroughSizes(std::uint8_t dataIn, std::uint32_t length) {
    constexpr auto header = static_cast<std::uint32_t>(kScsiPassThroughHeaderSize);
    constexpr auto data = static_cast<std::uint32_t>(kSatDataOffset);
    if (dataIn == kScsiDataIn) return {header, data + length};
    if (dataIn == kScsiDataOut) return {data + length, data};
    return {header, data};
}

// ---------------------------------------------------------------------------------------------
// Legacy SMART route: SENDCMDINPARAMS / SENDCMDOUTPARAMS (byte-packed).

struct IdeRegisters {
    std::uint8_t bFeaturesReg;
    std::uint8_t bSectorCountReg;
    std::uint8_t bSectorNumberReg;
    std::uint8_t bCylLowReg;
    std::uint8_t bCylHighReg;
    std::uint8_t bDriveHeadReg;
    std::uint8_t bCommandReg;
    std::uint8_t bReserved;
};

struct SendCmdInParams {
    std::uint8_t cBufferSize[4];
    IdeRegisters irDriveRegs;
    std::uint8_t bDriveNumber;
    std::uint8_t bReserved[3];
    std::uint8_t dwReserved[16];
    std::uint8_t bBuffer[1];
};

struct SmartDriverStatus {
    std::uint8_t bDriverError;
    std::uint8_t bIDEError;
    std::uint8_t bReserved[2];
    std::uint8_t dwReserved[8];
};

struct SendCmdOutParams {
    std::uint8_t cBufferSize[4];
    SmartDriverStatus DriverStatus;
    std::uint8_t bBuffer[512];
};

static_assert(sizeof(IdeRegisters) == 8);
static_assert(offsetof(SendCmdInParams, irDriveRegs) == 4);
static_assert(offsetof(SendCmdInParams, bDriveNumber) == 12);
static_assert(offsetof(SendCmdInParams, dwReserved) == 16);
static_assert(offsetof(SendCmdInParams, bBuffer) == 32);
static_assert(sizeof(SendCmdInParams) == 33);
static_assert(offsetof(SendCmdOutParams, DriverStatus) == 4);
static_assert(offsetof(SendCmdOutParams, bBuffer) == 16);
static_assert(sizeof(SendCmdOutParams) == 528);

// The request sizes the legacy SMART request is sent with.
inline constexpr std::uint32_t kSendCmdInSize = 32;
inline constexpr std::uint32_t kSendCmdOutSize = 528;

// ---------------------------------------------------------------------------------------------
// Device control codes of the three routes.

inline constexpr std::uint32_t kIoctlAtaPassThroughDirect = 0x4D030;
inline constexpr std::uint32_t kIoctlScsiPassThrough = 0x4D004;
inline constexpr std::uint32_t kSmartSendDriveCommand = 0x7C084;

}  // namespace lmx
