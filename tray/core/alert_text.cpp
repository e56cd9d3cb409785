#include "tray/core/alert_text.h"

#include "common/controller_model.h"
#include "common/service_settings.h"
#include "common/status_change.h"
#include "common/utf8_text.h"
#include "tray/core/text_format.h"

namespace lmx::tray {

int popupIconForStatus(std::uint8_t raidStatus) {
    switch (raidStatus) {
        case kRaidNormal:
        case kRaidRebuilding: return kIconInformation;
        case kRaidError:
        case kRaidRebuildStopped: return kIconWarning;
        case kRaidLost: return kIconError;
        default: return 0;
    }
}

namespace {

std::int64_t number(int value) { return value; }

std::string raidStatusName(std::uint8_t status, const StringSource& texts) {
    switch (status) {
        case kRaidNormal: return texts.load(strings::kStatusNormal);
        case kRaidError: return texts.load(strings::kStatusAbnormal);
        case kRaidRebuilding: return texts.load(strings::kStatusRebuilding);
        case kRaidRebuildStopped: return texts.load(strings::kStatusRebuildStopped);
        default: return {};
    }
}

std::string driveState(const MemberDriveSlot& drive, const StringSource& texts) {
    const bool spare = drive.statusExtra & kDriveSpareBit;
    if (drive.status & kDrivePresentBit) {
        if (drive.status & kDriveRebuildingBit) return texts.load(strings::kDriveRebuilding);
        return texts.load(spare ? strings::kDriveNormalSpare : strings::kDriveNormal);
    }
    return texts.load(spare ? strings::kNotDetectedSpare : strings::kNotDetected);
}

std::string temperatureWord(const MemberDriveSlot& drive, std::uint32_t temperatureSetting, const StringSource& texts) {
    if (drive.temperatureValid == 0) return texts.load(strings::kNotDetected);
    const TemperatureAlarm alarm = decodeTemperatureSetting(temperatureSetting);
    if (alarm.enabled && drive.temperature >= alarm.thresholdCelsius) return texts.load(strings::kTemperatureAbnormal);
    return texts.load(strings::kDriveNormal);
}

AlertContent composeAlert(const ControllerStatusRecord& packet, int iconClass, std::uint8_t oldStatus,
                          std::uint32_t temperatureSetting, const StringSource& texts) {
    AlertContent alert{{}, iconClass};
    const int phyNum = packet.physicalNumber;
    const int raidNumber = packet.ordinal + 1;
    const std::string_view model = trimmedField(packet.raidModel);

    if (packet.raidStatus == kRaidLost) {
        alert.text = texts.load(strings::kAlertHeader) +
                     formatText(texts.load(strings::kAlertLost),
                                {number(phyNum), number(raidNumber), model, trimmedField(packet.raidSerial),
                                 trimmedField(packet.raidFirmware)});
        return alert;
    }

    alert.text = "\n" + texts.load(strings::kAlertHeader) +
                 formatText(texts.load(strings::kAlertDriveLine), {number(phyNum), number(raidNumber)});
    const std::string statusName = raidStatusName(packet.raidStatus, texts);
    alert.text += formatText(texts.load(strings::kAlertRaidStatus), {std::string_view(statusName)});

    // The model tests compare prefixes of the model as stored.
    const std::string_view storedModel = fieldText(packet.raidModel);
    const std::size_t driveCount = memberSlotCount(storedModel);
    const bool temperatures = isTemperatureModel(storedModel);
    for (std::size_t k = 0; k < driveCount; ++k) {
        const MemberDriveSlot& drive = packet.drive[k];
        const std::string state = driveState(drive, texts);
        alert.text +=
            formatText(texts.load(strings::kAlertMemberDrive), {static_cast<std::int64_t>(k), std::string_view(state)});
        if (temperatures) {
            const std::string label = texts.load(strings::kTemperature);
            const std::string word = temperatureWord(drive, temperatureSetting, texts);
            alert.text += formatText(" %s: %s", {std::string_view(label), std::string_view(word)});
        }
        alert.text += "\r\n";
    }

    if (rebuildEndedWithSkippedSectors(oldStatus, packet)) {
        alert.iconClass = kIconWarning;
        alert.text += "\r\n" + texts.load(strings::kUnreadableSectors);
    }
    return alert;
}

}  // namespace

AlertContent buildAlert(const ControllerStatusRecord& packet, int iconClass, std::uint8_t oldStatus,
                        std::uint32_t temperatureSetting, const StringSource& texts) {
    AlertContent alert = composeAlert(packet, iconClass, oldStatus, temperatureSetting, texts);
    alert.text = std::string(utf8Prefix(alert.text, kMaxAlertTextBytes));
    return alert;
}

}  // namespace lmx::tray
