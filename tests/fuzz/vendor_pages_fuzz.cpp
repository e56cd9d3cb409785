// The vendor page decoders of every controller family (service/controller/page_decoders), in the
// order a poll reads them: the RAID, standard and drive pages, then a SMART page per present
// member. The input is the IDENTIFY data whose model selects the family, then the pages.
//
// Properties: each page is read only within its 512 bytes (each is an exactly sized buffer);
// the decoded record keeps the record's rules: RAID and drive statuses are four-bit values, the
// patrol state is 0-2, the error-skip flag 0 or 1, a Mollen controller's option flags two bits,
// the progress at most 16 bits; an absent member or a slot the family does not have carries no
// identity, and nothing is decoded into the record beyond what the pages that passed their
// checks give.

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "common/controller_model.h"
#include "common/controller_status_record.h"
#include "service/controller/identification.h"
#include "service/controller/page_decoders.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using Page = std::array<std::uint8_t, 512>;

std::unique_ptr<Page> takePage(lmx::fuzz::FuzzInput& input) {
    auto page = std::make_unique<Page>();
    input.fill(*page);
    return page;
}

bool allZero(const void* bytes, std::size_t size) {
    const auto* b = static_cast<const std::uint8_t*>(bytes);
    return std::all_of(b, b + size, [](std::uint8_t x) { return x == 0; });
}

bool slotHasNoIdentity(const lmx::MemberDriveSlot& slot) {
    return allZero(slot.model, sizeof slot.model) && allZero(slot.serial, sizeof slot.serial) &&
           allZero(slot.firmware, sizeof slot.firmware) && lmx::driveCapacity(slot) == 0;
}

void checkRecord(const lmx::ControllerStatusRecord& record, lmx::ControllerFamily family) {
    FUZZ_CHECK(record.raidStatus <= 0x0F);
    FUZZ_CHECK(record.patrolState <= 2);
    FUZZ_CHECK(record.errorSkipped <= 1);
    FUZZ_CHECK(lmx::progress(record) <= 0xFFFF);
    if (family == lmx::ControllerFamily::Mollen || family == lmx::ControllerFamily::MollenThreeSlot) {
        FUZZ_CHECK(record.raidOptionFlags <= 3);
    }
    const std::size_t slots = lmx::memberSlotCount(family);
    for (std::size_t k = 0; k < lmx::kMemberSlotCount; ++k) {
        const auto& slot = record.drive[k];
        FUZZ_CHECK(slot.status <= 0x0F);
        if (k >= slots) {
            FUZZ_CHECK(slot.status == 0 && slotHasNoIdentity(slot) && slot.temperature == 0);
        } else if (!(slot.status & lmx::kDrivePresentBit)) {
            FUZZ_CHECK(slotHasNoIdentity(slot));
        }
    }
    // The poll's own fields are not the pages' to set.
    FUZZ_CHECK(record.physicalNumber == 0 && record.present == 0 && record.ordinal == 0);
    FUZZ_CHECK(allZero(record.reserved560, sizeof record.reserved560));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lmx::fuzz::FuzzInput input(data, size);
    const auto identify = takePage(input);
    const auto match = lmx::matchControllerModel(controller::identifyModel(*identify));
    if (!match.family) return 0;  // not a controller: no page is read
    const lmx::ControllerFamily family = *match.family;

    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    const auto raid = takePage(input);
    const auto standard = takePage(input);
    const auto drives = takePage(input);
    if (controller::checkRaidPage(*raid, family)) {
        controller::decodeRaidPage(*raid, family, record);
        if (controller::checkStandardPage(*standard, family)) {
            controller::decodeStandardPage(*standard, family, record);
            if (controller::checkDrivePage(*drives, family)) controller::decodeDrivePage(*drives, family, record);
        }
    } else {
        FUZZ_CHECK(allZero(&record, sizeof record));
    }
    for (std::size_t k = 0; k < lmx::memberSlotCount(family); ++k) {
        if (!(record.drive[k].status & lmx::kDrivePresentBit)) continue;
        const auto smart = takePage(input);
        controller::decodeSmartTemperature(*smart, record.drive[k]);
    }
    checkRecord(record, family);
    return 0;
}
