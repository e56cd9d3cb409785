#include "tray/app/alert_text.h"

#include "common/controller_model.h"
#include "common/utf8_text.h"
#include "tray/app/text_format.h"

namespace lmx::tray {

int popupIconForStatus(std::uint8_t raidStatus) {
    switch (raidStatus) {
        case 0:
        case 2: return kIconInformation;
        case 1:
        case 3: return kIconWarning;
        case kRaidLost: return kIconError;
        default: return 0;
    }
}

namespace {

std::int64_t number(int value) { return value; }

std::string raidStatusName(std::uint8_t status, const StringSource& texts) {
    switch (status) {
        case 0: return texts.load(strings::kStatusNormal);
        case 1: return texts.load(strings::kStatusAbnormal);
        case 2: return texts.load(strings::kStatusRebuilding);
        case 3: return texts.load(strings::kStatusRebuildStopped);
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
    const bool alarmOn = temperatureSetting & 1;
    const unsigned threshold = (temperatureSetting >> 8) & 0xFF;
    if (alarmOn && drive.temperature >= threshold) return texts.load(strings::kTemperatureAbnormal);
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
    const int driveCount = isThreeDriveModel(storedModel) ? 3 : 2;
    const bool temperatures = isTemperatureModel(storedModel);
    for (int k = 0; k < driveCount; ++k) {
        const MemberDriveSlot& drive = packet.drive[k];
        const std::string state = driveState(drive, texts);
        alert.text += formatText(texts.load(strings::kAlertMemberDrive), {number(k), std::string_view(state)});
        if (temperatures) {
            const std::string label = texts.load(strings::kTemperature);
            const std::string word = temperatureWord(drive, temperatureSetting, texts);
            alert.text += formatText(" %s: %s", {std::string_view(label), std::string_view(word)});
        }
        alert.text += "\r\n";
    }

    const bool rebuildEnded = (oldStatus == 2 || oldStatus == 3) && packet.raidStatus == 0;
    if (rebuildEnded && packet.errorSkipped != 0) {
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
