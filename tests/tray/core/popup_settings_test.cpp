// PopMsgSetting classes and display times, and the settings dialog's packing.

#include <gtest/gtest.h>

#include "tests/tray/core/japanese_strings.h"
#include "tray/core/alert_text.h"
#include "tray/core/popup_settings.h"
#include "tray/core/popup_table.h"

namespace lmx::tray {
namespace {

TEST(PopMsgSettingTest, ZeroShowsNothing) {
    for (int status : {0, 1, 2, 3, 255}) EXPECT_FALSE(popupDisplay(0, static_cast<std::uint8_t>(status)).show);
}

TEST(PopMsgSettingTest, ClassesGovernTheirStatuses) {
    // Normal hidden, rebuild shown until closed, abnormal shown for 60 s.
    const std::uint32_t hiddenNormal = 0x848101;
    EXPECT_FALSE(popupDisplay(hiddenNormal, 0).show);
    EXPECT_TRUE(popupDisplay(hiddenNormal, 2).show);
    EXPECT_TRUE(popupDisplay(hiddenNormal, 3).show);
    EXPECT_EQ(0u, popupDisplay(hiddenNormal, 3).displayMilliseconds);
    for (int abnormal : {1, 255}) {
        const auto display = popupDisplay(hiddenNormal, static_cast<std::uint8_t>(abnormal));
        EXPECT_TRUE(display.show);
        EXPECT_EQ(60000u, display.displayMilliseconds);
    }
    EXPECT_FALSE(popupDisplay(0xFFFFFF, 4).show);
    EXPECT_FALSE(popupDisplay(0xFFFFFF, 254).show);
}

TEST(PopMsgSettingTest, LowestTimeBitWins) {
    EXPECT_EQ(30000u, popupDisplay(0x86, 0).displayMilliseconds);
    EXPECT_EQ(0u, popupDisplay(0x81, 0).displayMilliseconds);
    EXPECT_EQ(0u, popupDisplay(0x80, 0).displayMilliseconds);
    EXPECT_EQ(90000u, displayMillisecondsOfClassByte(0x98));
    EXPECT_EQ(120000u, displayMillisecondsOfClassByte(0x90));
    EXPECT_EQ(0u, displayMillisecondsOfClassByte(0xE0));  // bits 5 and 6 are not times
}

TEST(PopupSettingDialogTest, ControlsFromTheValueAndBack) {
    const auto choices = decodePopupSetting(0x100286);
    EXPECT_TRUE(choices[0].shown);
    EXPECT_EQ(1, choices[0].timeIndex);
    EXPECT_FALSE(choices[1].shown);
    EXPECT_EQ(1, choices[1].timeIndex);
    EXPECT_FALSE(choices[2].shown);
    EXPECT_EQ(4, choices[2].timeIndex);

    PopupSettingChoices edited{{{true, 0}, {false, 2}, {true, 4}}};
    EXPECT_EQ(0x900481u, encodePopupSetting(edited));
    // The default survives a round trip; a value with several time bits is normalised.
    EXPECT_EQ(0x818181u, encodePopupSetting(decodePopupSetting(0x818181)));
    EXPECT_EQ(0x82u | 0x01u << 8 | 0x01u << 16, encodePopupSetting(decodePopupSetting(0x86)));
}

TEST(PopupSettingDialogTest, TimeListEntries) {
    const testing::JapaneseStrings texts;
    EXPECT_EQ((std::vector<std::string>{"消さない", " 30秒", " 60秒", " 90秒", "120秒"}), popupTimeListEntries(texts));
}

}  // namespace
}  // namespace lmx::tray

namespace lmx::tray {
namespace {

TEST(PopupDecisionLine, SaysWhetherAndWhyAndKeepsTheTextOnOneLine) {
    PopupCommand shown{PopupCommand::Kind::Show, 2, kIconWarning, "RAID No.1\r\n状態: エラー\tback\\slash\x01", 30'000};
    EXPECT_EQ("Pop-up of drive 2: shown for 30 s, icon 48 (warning), RAID status 1: "
              "RAID No.1\\r\\n状態: エラー\\tback\\\\slash\\x01",
              describePopupDecision(2, 1, 0x818181, &shown));
    shown.displayMilliseconds = 0;
    EXPECT_NE(std::string::npos, describePopupDecision(2, 1, 0x818181, &shown).find("shown until closed"));
    EXPECT_EQ("Pop-up of drive 4: not shown, PopMsgSetting 0x000081 hides abnormal alerts (RAID status 1).",
              describePopupDecision(4, 1, 0x81, nullptr));
    EXPECT_EQ("Pop-up of drive 0: not shown, RAID status 7 raises no alert.", describePopupDecision(0, 7, 0x818181, nullptr));
}

}  // namespace
}  // namespace lmx::tray
