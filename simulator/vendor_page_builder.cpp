#include "simulator/vendor_page_builder.h"

#include <algorithm>
#include <numeric>

#include "common/byte_order.h"
#include "common/vendor_pages.h"

namespace simulator {

namespace pages = lmx::pages;
using lmx::ControllerFamily;

namespace {


constexpr std::uint8_t kPatrolActiveBit = 0x01;
constexpr std::uint8_t kPatrolStoppedBit = 0x02;
constexpr std::uint8_t kErrorSkipBit = 0x80;

// SMART data page: revision word, then the attribute table; byte 511 is the checksum.
constexpr std::uint16_t kSmartRevision = 0x0010;
constexpr std::size_t kSmartEntryFlags = 1;
constexpr std::size_t kSmartEntryCurrent = 3;
constexpr std::size_t kSmartEntryWorst = 4;

void storeText(Sector& page, std::size_t offset, std::size_t length, std::string_view text) {
    for (std::size_t i = 0; i < length; ++i) {
        page[offset + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
    }
}

// Writes code, length and the trailer at `trailer`; a broken frame swaps the trailer bytes.
void frame(Sector& page, const DriveDescription& drive, std::uint8_t code, std::uint8_t length, std::size_t trailer) {
    page[pages::kFrameCode] = code;
    page[pages::kFrameLength] = length;
    const auto& broken = drive.faults.brokenFrames;
    const bool isBroken = std::find(broken.begin(), broken.end(), code) != broken.end();
    page[trailer] = isBroken ? pages::kTrailerSecond : pages::kTrailerFirst;
    page[trailer + 1] = isBroken ? pages::kTrailerFirst : pages::kTrailerSecond;
}

std::uint8_t patrolStateByte(PatrolState patrol) {
    switch (patrol) {
        case PatrolState::None: return 0;
        case PatrolState::Running: return kPatrolActiveBit;
        case PatrolState::Stopped: return kPatrolActiveBit | kPatrolStoppedBit;
    }
    return 0;
}

Sector raidPage(const DriveDescription& drive) {
    Sector page{};
    const std::uint8_t length = drive.pageLengths.raid;
    storeText(page, pages::kRaidModel, lmx::kModelTextLength, drive.model);
    storeText(page, pages::kRaidFirmware, lmx::kFirmwareTextLength, drive.firmware);
    storeText(page, pages::kRaidSerial, lmx::kSerialTextLength, drive.serial);
    lmx::storeBigEndian(&page[pages::kRaidCapacity], drive.capacity);
    page[pages::kRaidOptionFlags] = drive.raid.optionFlags;
    page[pages::kRaidPatrolState] = patrolStateByte(drive.raid.patrol);
    if (drive.raid.errorSkipped) page[pages::kRaidErrorSkip] |= kErrorSkipBit;
    if (const auto offset = pages::patrolProgressOffset(drive.family(), length)) {
        lmx::storeBigEndian(&page[*offset], drive.raid.patrolProgress);
    }
    lmx::storeBigEndian(&page[pages::kRaidFpgaVersion], drive.raid.fpgaVersion);
    frame(page, drive, pages::kRaidInfoPage, length, pages::trailerOffset(length));
    return page;
}

Sector standardPage(const DriveDescription& drive) {
    Sector page{};
    const ControllerFamily family = drive.family();
    const bool longLayout = lmx::usesLongPageLayout(family);
    const auto& members = drive.members;
    page[pages::kStandardRaidStatus] = drive.raid.status & 0x0F;
    page[pages::kStandardDrives01] =
        static_cast<std::uint8_t>(members[0].statusNibble() << 4 | members[1].statusNibble());
    if (members.size() > 2) page[pages::kStandardDrive2] = static_cast<std::uint8_t>(members[2].statusNibble() << 4);
    page[pages::kStandardRebuildProgress] = drive.raid.rebuildProgress;
    if (longLayout) {
        for (std::size_t slot = 0; slot < members.size(); ++slot) {
            page[pages::kStandardStatusExtra + slot] = members[slot].statusExtra();
        }
    }
    const std::uint8_t length = longLayout ? pages::kStandardLengthLong : pages::kStandardLengthShort;
    frame(page, drive, pages::kStandardInfoPage, length, pages::trailerOffset(length));
    return page;
}

Sector drivePage(const DriveDescription& drive) {
    Sector page{};
    const bool threeSlotLayout = lmx::usesLongPageLayout(drive.family());
    for (std::size_t slot = 0; slot < drive.members.size(); ++slot) {
        const MemberDrive& member = drive.members[slot];
        if (!member.present) continue;  // an empty slot's block stays zero
        const std::size_t block = pages::kDriveBlockStart + pages::kDriveBlockSize * slot;
        storeText(page, block + pages::kBlockModel, lmx::kModelTextLength, member.model);
        storeText(page, block + pages::kBlockFirmware, lmx::kFirmwareTextLength, member.firmware);
        storeText(page, block + pages::kBlockSerial, lmx::kSerialTextLength, member.serial);
        lmx::storeBigEndian(&page[block + pages::kBlockCapacity], member.capacity);
    }
    // The trailer sits at the end of the layout whichever of the two lengths the page reports.
    const std::size_t trailer = threeSlotLayout ? pages::kDriveTrailerThreeSlot : pages::kDriveTrailerTwoSlot;
    frame(page, drive, pages::kDriveInfoPage, drive.pageLengths.drive, trailer);
    return page;
}

void storeAttribute(Sector& page, std::size_t index, std::uint8_t id, std::uint16_t flags, std::uint8_t value,
                    std::uint64_t raw) {
    std::uint8_t* entry = &page[pages::kSmartFirstEntry + pages::kSmartEntrySize * index];
    entry[0] = id;
    lmx::storeLittleEndian(&entry[kSmartEntryFlags], flags);
    entry[kSmartEntryCurrent] = value;
    entry[kSmartEntryWorst] = value;
    for (std::size_t i = 0; i < 6; ++i) entry[pages::kSmartEntryRaw + i] = static_cast<std::uint8_t>(raw >> (8 * i));
}

// A member's SMART data: a few ordinary attributes and the temperature attribute, whose raw
// words hold the temperatures less one (the reader adds one back).
Sector smartPage(const MemberDrive& member) {
    Sector page{};
    lmx::storeLittleEndian(&page[0], kSmartRevision);
    std::size_t index = 0;
    storeAttribute(page, index++, 1, 0x000F, 100, 0);    // raw read error rate
    storeAttribute(page, index++, 9, 0x0032, 99, 1000);  // power-on hours
    storeAttribute(page, index++, 12, 0x0032, 100, 42);  // power cycles
    if (member.present && member.temperature) {
        const auto first = static_cast<std::uint16_t>(*member.temperature - 1);
        const auto second = static_cast<std::uint16_t>(member.temperature2 - 1);
        const std::uint64_t raw = first | static_cast<std::uint64_t>(second) << 32;
        storeAttribute(page, index++, pages::kSmartTemperatureAttribute, 0x0022, *member.temperature, raw);
    }
    storeAttribute(page, index++, 197, 0x0012, 100, 0);  // pending sectors
    const unsigned sum = std::accumulate(page.begin(), page.end() - 1, 0u);
    page[511] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    return page;
}

}  // namespace

Sector defaultMirrorLog(std::uint8_t pageCode) {
    Sector page{};
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(pageCode + i);
    return page;
}

std::optional<Sector> buildVendorPage(const DriveDescription& drive, std::uint8_t pageCode) {
    if (drive.kind != DriveKind::Controller) return std::nullopt;
    switch (pageCode) {
        case pages::kRaidInfoPage: return raidPage(drive);
        case pages::kStandardInfoPage: return standardPage(drive);
        case pages::kDriveInfoPage: return drivePage(drive);
        case pages::kMirrorLogPageA:
        case pages::kMirrorLogPageB: {
            const auto& log = drive.mirrorLogs[pageCode - pages::kMirrorLogPageA];
            if (!log) return defaultMirrorLog(pageCode);
            Sector page{};
            std::copy_n(log->begin(), page.size(), page.begin());
            return page;
        }
        default: break;
    }
    if (pageCode >= pages::kFirstSmartPage && pageCode < pages::kFirstSmartPage + drive.members.size()) {
        return smartPage(drive.members[pageCode - pages::kFirstSmartPage]);
    }
    return std::nullopt;
}

}  // namespace simulator
