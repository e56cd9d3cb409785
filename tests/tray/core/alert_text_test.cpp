// Alert texts byte for byte, icon classes, and the table-driven formatting they rest on.

#include <gtest/gtest.h>

#include "tests/tray/core/japanese_strings.h"
#include "tests/tray/core/packets.h"
#include "tray/core/alert_text.h"
#include "tray/core/text_format.h"

namespace lmx::tray {
namespace {

using testing::JapaneseStrings;
using testing::presentPacket;

const JapaneseStrings kTexts;

TEST(AlertTextTest, RebuildOfATwoDriveModelWithoutTemperatures) {
    auto packet = presentPacket(3, kRaidRebuilding, "ZDA-GX460", 1);
    packet.drive[1].status = kDrivePresentBit | kDriveRebuildingBit;
    packet.drive[2].status = kDrivePresentBit;  // a third slot is not shown for a two-drive model
    const auto alert = buildAlert(packet, kIconInformation, kRaidNormal, 0x3C01, kTexts);
    EXPECT_EQ(
        "\nLMX Duowatch Service\n\n"
        "物理ドライブ No.3, RAID No.2\n"
        "RAID ステータス: リビルド中\n"
        "ドライブ0 ステータス: 正常\r\n"
        "ドライブ1 ステータス: リビルド中\r\n",
        alert.text);
    EXPECT_EQ(kIconInformation, alert.iconClass);
}

// A language whose texts are long: every text is 200 three-byte characters.
class VerboseStrings final : public StringSource {
public:
    std::string load(int id) const override {
        std::string text;
        for (int i = 0; i < 200; ++i) text += "長";
        return id == 204 ? "%d %s" + text : text;
    }
};

TEST(AlertTextTest, LongTranslationsAreCutOnACharacterBoundary) {
    const auto packet = presentPacket(1, kRaidRebuilding, "ZDA-GX460", 0);
    const auto alert = buildAlert(packet, kIconInformation, kRaidNormal, 0, VerboseStrings());
    EXPECT_LE(alert.text.size(), kMaxAlertTextBytes);
    EXPECT_GT(alert.text.size(), kMaxAlertTextBytes - 3);
    // Every character is whole: the text ends with the last byte of a "長".
    EXPECT_EQ("長", alert.text.substr(alert.text.size() - 3));
}

TEST(AlertTextTest, LostControllerShowsItsLastModelSerialAndFirmwareTrimmed) {
    auto packet = presentPacket(5, kRaidLost, "  ZDA-GX460      ", 0);
    const auto alert = buildAlert(packet, kIconError, kRaidNormal, 0, kTexts);
    EXPECT_EQ(
        "LMX Duowatch Service\n\n"
        "デュオカードが検出できなくなりました。\r\nしばらくしても再検出されない場合、購入元サポート窓口までご連絡下さい。"
        "\n\n物理ドライブ No.5, RAID No.1\nモデル名:ZDA-GX460\nシリアルナンバー:SN0042\nファームウェア:1.20",
        alert.text);
    EXPECT_EQ(kIconError, alert.iconClass);
}

TEST(AlertTextTest, SpareDrivesAndTemperatureWordsOfAThreeDriveModel) {
    auto packet = presentPacket(0, kRaidError, "Lumavex ZDAP-RS482");
    packet.drive[0].temperatureValid = 1;
    packet.drive[0].temperature = 59;
    packet.drive[1].statusExtra = kDriveSpareBit;  // present spare, temperature not read
    packet.drive[2].status = 0;
    packet.drive[2].statusExtra = kDriveSpareBit;  // missing spare at the threshold
    packet.drive[2].temperatureValid = 1;
    packet.drive[2].temperature = 60;
    const auto alert = buildAlert(packet, kIconWarning, kRaidNormal, 0x3C01, kTexts);
    EXPECT_EQ(
        "\nLMX Duowatch Service\n\n"
        "物理ドライブ No.0, RAID No.1\n"
        "RAID ステータス: 異常\n"
        "ドライブ0 ステータス: 正常 温度: 正常\r\n"
        "ドライブ1 ステータス: 正常（スペア） 温度: 検出不可\r\n"
        "ドライブ2 ステータス: 検出不可（スペア） 温度: 異常\r\n",
        alert.text);

    // With the alarm off the same temperature is normal.
    const auto alarmOff = buildAlert(packet, kIconWarning, kRaidNormal, 0x3C00, kTexts);
    EXPECT_NE(std::string::npos, alarmOff.text.find("ドライブ2 ステータス: 検出不可（スペア） 温度: 正常\r\n"));
}

TEST(AlertTextTest, RebuildEndingWithSkippedSectorsWarns) {
    auto packet = presentPacket(1, kRaidNormal);
    packet.errorSkipped = 1;
    const std::string warning = "\r\nリビルド元にリードできないセクタがありました。\r\n購入元サポート窓口までご連絡下さい。";

    for (std::uint8_t old : {kRaidRebuilding, kRaidRebuildStopped}) {
        const auto alert = buildAlert(packet, kIconInformation, old, 0, kTexts);
        EXPECT_EQ(kIconWarning, alert.iconClass);
        ASSERT_GE(alert.text.size(), warning.size());
        EXPECT_EQ(warning, alert.text.substr(alert.text.size() - warning.size()));
    }
    // Not after a rebuild, or without the flag: no warning.
    EXPECT_EQ(kIconInformation, buildAlert(packet, kIconInformation, kRaidError, 0, kTexts).iconClass);
    packet.errorSkipped = 0;
    const auto clean = buildAlert(packet, kIconInformation, kRaidRebuilding, 0, kTexts);
    EXPECT_EQ(kIconInformation, clean.iconClass);
    EXPECT_EQ(std::string::npos, clean.text.find("リビルド元"));
}

TEST(AlertTextTest, UnknownStatusLeavesTheNameEmpty) {
    const auto alert = buildAlert(presentPacket(0, 7), 0, 0, 0, kTexts);
    EXPECT_NE(std::string::npos, alert.text.find("RAID ステータス: \n"));
}

TEST(AlertTextTest, IconClassPerStatus) {
    EXPECT_EQ(kIconInformation, popupIconForStatus(0));
    EXPECT_EQ(kIconWarning, popupIconForStatus(1));
    EXPECT_EQ(kIconInformation, popupIconForStatus(2));
    EXPECT_EQ(kIconWarning, popupIconForStatus(3));
    EXPECT_EQ(kIconError, popupIconForStatus(255));
    EXPECT_EQ(0, popupIconForStatus(4));
}

TEST(TextFormatTest, WidthsAndPlaceholdersWithoutMatchingArguments) {
    EXPECT_EQ(" 30秒", formatText("%3d秒", {std::int64_t{30}}));
    EXPECT_EQ("120秒", formatText("%3d秒", {std::int64_t{120}}));
    EXPECT_EQ("100% a", formatText("100%% %s", {std::string_view("a")}));
    // A text with more or other placeholders than arguments keeps them literally.
    EXPECT_EQ("1 %s %d", formatText("%d %s %d", {std::int64_t{1}}));
    EXPECT_EQ("%d", formatText("%d", {std::string_view("x")}));
    EXPECT_EQ("%x", formatText("%x", {std::int64_t{1}}));
}

}  // namespace
}  // namespace lmx::tray
