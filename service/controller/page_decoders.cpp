#include "service/controller/page_decoders.h"

#include <cstring>

#include "common/byte_order.h"
#include "common/vendor_pages.h"
#include "platform/system_info.h"

namespace controller {

namespace pages = lmx::pages;
using lmx::ControllerFamily;

namespace {

bool trailerAt(PageBytes page, std::size_t offset) {
    return page[offset] == pages::kTrailerFirst && page[offset + 1] == pages::kTrailerSecond;
}

// Where the RAID page's trailer lies for each of its lengths: bytes 126-127, family 0's short
// page 124-125, family 2's page 146-147, the long page of families 3 and 4 188-189.
constexpr std::size_t kRaidTrailer = pages::trailerOffset(pages::kRaidLength);
constexpr std::size_t kRaidTrailerShort = pages::trailerOffset(pages::kRaidLengthShort);
constexpr std::size_t kRaidTrailerQuessa = pages::trailerOffset(pages::kRaidLengthQuessa);
constexpr std::size_t kRaidTrailerLong = pages::trailerOffset(pages::kRaidLengthLong);

bool hasThreeSlots(ControllerFamily family) { return lmx::memberSlotCount(family) == 3; }

template <std::size_t N>
void copyText(char (&field)[N], PageBytes page, std::size_t offset) {
    std::memcpy(field, page.data() + offset, N);
}

}  // namespace

bool checkRaidPage(PageBytes page, ControllerFamily family) {
    const std::uint8_t length = page[pages::kFrameLength];
    const bool code = page[pages::kFrameCode] == pages::kRaidInfoPage;
    switch (family) {
        case ControllerFamily::Zarkel:
            // The two trailer bytes are each accepted at either of their two places.
            if (code && (length == pages::kRaidLength || length == pages::kRaidLengthShort) &&
                (page[kRaidTrailer] == pages::kTrailerFirst || page[kRaidTrailerShort] == pages::kTrailerFirst) &&
                (page[kRaidTrailer + 1] == pages::kTrailerSecond ||
                 page[kRaidTrailerShort + 1] == pages::kTrailerSecond)) {
                return true;
            }
            platform::debugOutput("get_raid_info: Valid Check Failed. (Zarkel)\n");
            return false;
        case ControllerFamily::ZarkelT:
            if (code && length == pages::kRaidLength && trailerAt(page, kRaidTrailer)) return true;
            platform::debugOutput("get_raid_info: Valid Check Failed. (Zarkel-T)\n");
            return false;
        case ControllerFamily::Quessa:
            if (code && length == pages::kRaidLengthQuessa && trailerAt(page, kRaidTrailerQuessa)) return true;
            platform::debugOutput("get_raid_info: Valid Check Failed. (Quessa)\n");
            return false;
        case ControllerFamily::Mollen:
        case ControllerFamily::MollenThreeSlot:
            if (code && ((length == pages::kRaidLength && trailerAt(page, kRaidTrailer)) ||
                         (length == pages::kRaidLengthLong && trailerAt(page, kRaidTrailerLong)))) {
                return true;
            }
            platform::debugOutput("get_raid_info: Valid Check Failed. (Mollen)\n");
            return false;
    }
    return false;
}

void decodeRaidPage(PageBytes page, ControllerFamily family, lmx::ControllerStatusRecord& record) {
    copyText(record.raidModel, page, pages::kRaidModel);
    copyText(record.raidFirmware, page, pages::kRaidFirmware);
    copyText(record.raidSerial, page, pages::kRaidSerial);
    lmx::setRaidCapacity(record, lmx::loadBigEndian<std::uint64_t>(page.data() + pages::kRaidCapacity));

    const std::uint8_t patrol = page[pages::kRaidPatrolState];
    record.patrolState = !(patrol & 0x01) ? 0 : (patrol & 0x02) ? 2 : 1;
    if (patrol & 0x01) {
        if (const auto offset = pages::patrolProgressOffset(family, page[pages::kFrameLength])) {
            lmx::setProgress(record, lmx::loadBigEndian<std::uint16_t>(page.data() + *offset));
        }
    }
    const bool mollen = family == ControllerFamily::Mollen || family == ControllerFamily::MollenThreeSlot;
    record.raidOptionFlags = mollen ? page[pages::kRaidOptionFlags] & 0x03 : page[pages::kRaidOptionFlags];
    record.errorSkipped = page[pages::kRaidErrorSkip] >> 7;
    lmx::setFpgaVersion(record, lmx::loadBigEndian<std::uint64_t>(page.data() + pages::kRaidFpgaVersion));
}

bool checkStandardPage(PageBytes page, ControllerFamily family) {
    const bool longLayout = lmx::usesLongPageLayout(family);
    const std::uint8_t length = longLayout ? pages::kStandardLengthLong : pages::kStandardLengthShort;
    if (page[pages::kFrameCode] == pages::kStandardInfoPage && page[pages::kFrameLength] == length &&
        trailerAt(page, pages::trailerOffset(length))) {
        return true;
    }
    platform::debugOutput("get_standard_ex_info: Valid Check Failed.\n");
    return false;
}

void decodeStandardPage(PageBytes page, ControllerFamily family, lmx::ControllerStatusRecord& record) {
    record.raidStatus = page[pages::kStandardRaidStatus] & 0x0F;
    record.drive[0].status = page[pages::kStandardDrives01] >> 4;
    record.drive[1].status = page[pages::kStandardDrives01] & 0x0F;
    if (hasThreeSlots(family)) record.drive[2].status = page[pages::kStandardDrive2] >> 4;
    if (record.raidStatus == lmx::kRaidRebuilding || record.raidStatus == lmx::kRaidRebuildStopped) {
        lmx::setProgress(record, page[pages::kStandardRebuildProgress]);
    }
    if (lmx::usesLongPageLayout(family)) {
        for (std::size_t k = 0; k < lmx::kMemberSlotCount; ++k) {
            record.drive[k].statusExtra = page[pages::kStandardStatusExtra + k];
        }
    }
}

bool checkDrivePage(PageBytes page, ControllerFamily family) {
    const std::uint8_t length = page[pages::kFrameLength];
    const bool code = page[pages::kFrameCode] == pages::kDriveInfoPage;
    if (lmx::usesLongPageLayout(family)) {
        if (code && (length == pages::kDriveLengthThreeSlot || length == pages::kDriveLengthThreeSlotAlt) &&
            trailerAt(page, pages::kDriveTrailerThreeSlot)) {
            return true;
        }
        platform::debugOutput("get_hdd1_3_info: Valid Check Failed.\n");
        return false;
    }
    if (code && (length == pages::kDriveLengthTwoSlot || length == pages::kDriveLengthTwoSlotAlt) &&
        trailerAt(page, pages::kDriveTrailerTwoSlot)) {
        return true;
    }
    platform::debugOutput("get_hdd1_2_info: Valid Check Failed.\n");
    return false;
}

void decodeDrivePage(PageBytes page, ControllerFamily family, lmx::ControllerStatusRecord& record) {
    const std::size_t slots = hasThreeSlots(family) ? 3 : 2;
    for (std::size_t k = 0; k < slots; ++k) {
        auto& slot = record.drive[k];
        if (!(slot.status & lmx::kDrivePresentBit)) continue;
        const std::size_t block = pages::kDriveBlockStart + pages::kDriveBlockSize * k;
        copyText(slot.model, page, block + pages::kBlockModel);
        copyText(slot.firmware, page, block + pages::kBlockFirmware);
        copyText(slot.serial, page, block + pages::kBlockSerial);
        lmx::setDriveCapacity(slot, lmx::loadBigEndian<std::uint64_t>(page.data() + block + pages::kBlockCapacity));
    }
}

void decodeSmartTemperature(PageBytes page, lmx::MemberDriveSlot& slot) {
    for (std::size_t i = 0; i < pages::kSmartEntryCount; ++i) {
        const std::uint8_t* entry = page.data() + pages::kSmartFirstEntry + pages::kSmartEntrySize * i;
        if (entry[0] != pages::kSmartTemperatureAttribute) continue;
        const std::uint8_t* raw = entry + pages::kSmartEntryRaw;
        slot.temperature = static_cast<std::uint8_t>(raw[1] * 256 + raw[0] + 1);
        slot.temperature2 = static_cast<std::uint8_t>(raw[5] * 256 + raw[4] + 1);
    }
}

}  // namespace controller
