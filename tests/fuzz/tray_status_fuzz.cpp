// The tray application's handling of a received status table (tray/core): the first load, a
// refresh-and-compare with a second table, the pop-up decisions and their texts, the RAID
// information window's display texts and the window menu's states. The input: the pop-up and
// temperature settings, the slot on view and the service state, then the two tables.
//
// Properties: no text is longer than its control takes (an alert 511 bytes, a window line 64,
// the FPGA cell 8), the progress bar stays within 0-100, and no decision is made about a slot
// that held no controller in either table: every alert, every pop-up command and every
// menu-state source is a slot that is or was present.

#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "lang/japanese/japanese_strings.h"
#include "tray/core/alert_text.h"
#include "tray/core/frame_data.h"
#include "tray/core/info_menu.h"
#include "tray/core/popup_settings.h"
#include "tray/core/popup_table.h"
#include "tray/core/raid_display.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

namespace tray = lmx::tray;

class JapaneseTexts final : public tray::StringSource {
public:
    std::string load(int id) const override { return std::string(lmx::lang::japaneseString(id).value_or("")); }
};

constexpr std::size_t kLineLimit = 64;

tray::PacketTable takeTable(lmx::fuzz::FuzzInput& input) {
    tray::PacketTable table{};
    for (auto& record : table) {
        lmx::StatusRecordBytes bytes;
        input.fill(bytes);
        record = lmx::recordFromBytes(bytes);
    }
    return table;
}

void checkDisplayTexts(const lmx::ControllerStatusRecord& record, std::uint32_t temperatureSetting,
                       const tray::StringSource& texts) {
    FUZZ_CHECK(tray::raidStatusText(record, texts).size() <= kLineLimit);
    FUZZ_CHECK(tray::capacityText(lmx::raidCapacity(record)).size() <= kLineLimit);
    FUZZ_CHECK(tray::fpgaText(record).size() == 8);
    FUZZ_CHECK(tray::raidLabel(record).size() <= kLineLimit);
    const int drives = tray::treeDriveCount(record);
    FUZZ_CHECK(drives == 2 || drives == 3);
    for (int k = 0; k < drives; ++k) {
        const auto& slot = record.drive[k];
        FUZZ_CHECK(tray::driveStatusText(slot, texts).size() <= kLineLimit);
        FUZZ_CHECK(tray::capacityText(lmx::driveCapacity(slot)).size() <= kLineLimit);
        FUZZ_CHECK(tray::judgedTemperatureText(slot, temperatureSetting, texts).size() <= kLineLimit);
        FUZZ_CHECK(tray::plainTemperatureText(slot).size() <= kLineLimit);
        FUZZ_CHECK(tray::driveLabel(k, texts).size() <= kLineLimit);
    }
    const auto progress = tray::progressDisplay(record, texts);
    FUZZ_CHECK(progress.position >= 0 && progress.position <= 100);
    FUZZ_CHECK(progress.text.size() <= kLineLimit);
    FUZZ_CHECK(progress.kind != tray::ProgressDisplay::Kind::None || progress.text.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const JapaneseTexts texts;
    lmx::fuzz::FuzzInput input(data, size);
    const std::uint32_t popMsg = input.u32();
    const std::uint32_t temperature = input.u32();
    const int onView = input.byte() % 8;  // 6 and 7: out of range
    const bool serviceRunning = input.byte() & 1;
    const auto first = takeTable(input);
    const auto second = takeTable(input);

    // Absent: present flag 0. (The first load takes any other flag as present, the rest of the
    // tray only 1; neither may decide anything about a slot whose flag is 0.)
    const auto present = [](const tray::PacketTable& t, int slot) { return t[static_cast<std::size_t>(slot)].present != 0; };

    tray::FrameData frame;
    frame.currentPackets = first;
    std::vector<tray::PopupRaise> raises = tray::applyFirstLoad(frame);
    for (const auto& raise : raises) FUZZ_CHECK(raise.slot >= 0 && raise.slot < 6 && present(first, raise.slot));
    frame.currentPackets = second;
    const auto compared = tray::refreshAndCompare(frame, temperature);
    for (const auto& raise : compared.raises) {
        FUZZ_CHECK(raise.slot >= 0 && raise.slot < 6);
        FUZZ_CHECK(present(first, raise.slot) || present(second, raise.slot));
    }
    raises.insert(raises.end(), compared.raises.begin(), compared.raises.end());

    tray::PopupTable popups;
    std::set<int> raised;
    for (const auto& raise : raises) {
        raised.insert(raise.slot);
        for (const auto& command : popups.show(raise, popMsg, temperature, texts)) {
            FUZZ_CHECK(command.slot == raise.slot);
            if (command.kind != tray::PopupCommand::Kind::Show) continue;
            FUZZ_CHECK(tray::popupDisplay(popMsg, raise.packet.raidStatus).show);
            FUZZ_CHECK(command.text.size() <= tray::kMaxAlertTextBytes);
            FUZZ_CHECK(!command.text.empty());
        }
    }
    for (int slot = 0; slot < 6; ++slot) FUZZ_CHECK(!popups.isOpen(slot) || raised.count(slot));

    for (const auto& record : frame.keptPackets) checkDisplayTexts(record, temperature, texts);

    tray::MenuStates states = tray::initialMenuStates();
    const auto* record = tray::presentRecord(frame.keptPackets, onView);
    FUZZ_CHECK(!record || (onView < 6 && present(second, onView)));
    tray::updateMenuStates(states, record, serviceRunning);
    tray::enableModelClassItems(states, frame.keptPackets);
    FUZZ_CHECK(states.size() == tray::initialMenuStates().size());
    for (int raidNumber = 0; raidNumber < 8; ++raidNumber) {
        if (const auto slot = tray::slotOfRaidNumber(frame.keptPackets, raidNumber)) {
            FUZZ_CHECK(present(second, *slot));
        }
    }
    return 0;
}
