#include "tray/core/popup_settings.h"

#include "tray/core/alert_text.h"
#include "tray/core/text_format.h"

namespace lmx::tray {

namespace {
constexpr std::uint8_t kShowBit = 0x80;
constexpr std::uint32_t kTimeMilliseconds[5] = {0, 30000, 60000, 90000, 120000};

// Index of the lowest set bit among bits 0-4, or 0 when none is set.
int lowestTimeBit(std::uint8_t classByte) {
    for (int bit = 0; bit < 5; ++bit) {
        if (classByte & (1u << bit)) return bit;
    }
    return 0;
}

std::uint8_t classByte(std::uint32_t popMsgSetting, PopupClass popupClass) {
    return static_cast<std::uint8_t>(popMsgSetting >> (8 * static_cast<int>(popupClass)));
}
}  // namespace

std::optional<PopupClass> popupClassForStatus(std::uint8_t raidStatus) {
    switch (raidStatus) {
        case kRaidNormal: return PopupClass::Normal;
        case kRaidRebuilding:
        case kRaidRebuildStopped: return PopupClass::Rebuild;
        case kRaidError:
        case kRaidLost: return PopupClass::Abnormal;
        default: return std::nullopt;
    }
}

std::uint32_t displayMillisecondsOfClassByte(std::uint8_t byte) { return kTimeMilliseconds[lowestTimeBit(byte)]; }

PopupDisplay popupDisplay(std::uint32_t popMsgSetting, std::uint8_t raidStatus) {
    const auto popupClass = popupClassForStatus(raidStatus);
    if (!popupClass) return {};
    const std::uint8_t byte = classByte(popMsgSetting, *popupClass);
    if (!(byte & kShowBit)) return {};
    return {true, displayMillisecondsOfClassByte(byte)};
}

PopupSettingChoices decodePopupSetting(std::uint32_t popMsgSetting) {
    PopupSettingChoices choices;
    for (int i = 0; i < 3; ++i) {
        const std::uint8_t byte = classByte(popMsgSetting, static_cast<PopupClass>(i));
        choices[i] = {(byte & kShowBit) != 0, lowestTimeBit(byte)};
    }
    return choices;
}

std::uint32_t encodePopupSetting(const PopupSettingChoices& choices) {
    std::uint32_t value = 0;
    for (int i = 0; i < 3; ++i) {
        const int index = choices[i].timeIndex >= 0 && choices[i].timeIndex < 5 ? choices[i].timeIndex : 0;
        const std::uint32_t byte = (1u << index) | (choices[i].shown ? kShowBit : 0u);
        value |= (byte & 0xFF) << (8 * i);
    }
    return value;
}

std::vector<std::string> popupTimeListEntries(const StringSource& texts) {
    std::vector<std::string> entries{texts.load(strings::kPopupTimeForever)};
    const std::string seconds = texts.load(strings::kPopupTimeSeconds);
    for (int value : {30, 60, 90, 120}) entries.push_back(formatText(seconds, {std::int64_t{value}}));
    return entries;
}

}  // namespace lmx::tray
