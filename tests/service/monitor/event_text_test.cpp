#include "service/monitor/event_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/system_time.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/service_identity.h"
#include "tests/support/temp_root.h"

namespace dwsvc {
namespace {

lmx::ControllerStatusRecord controller(const char* model, int physical, int ordinal) {
    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    record.physicalNumber = static_cast<std::uint8_t>(physical);
    record.ordinal = static_cast<std::uint8_t>(ordinal);
    record.present = 1;
    std::memset(record.raidModel, ' ', sizeof record.raidModel);
    std::memcpy(record.raidModel, model, std::strlen(model));
    lmx::setField(record.raidSerial, "  ABC123              ");
    lmx::setField(record.raidFirmware, "1.02    ");
    return record;
}

EventTextContext withTemperatureSetting(std::uint32_t setting) {
    EventTextContext context;
    context.temperatureSetting = setting;
    return context;
}

EventTextContext withNextPatrolTime(std::uint64_t time) {
    EventTextContext context;
    context.nextPatrolTime = time;
    return context;
}

const std::string kHeader = "Lumavex デュオカード 監視情報\n\n";

TEST(EventText, StatusChangeOfATwoSlotController) {
    auto record = controller("ZDA-GX460", 2, 1);
    record.raidStatus = lmx::kRaidRebuilding;
    record.drive[0].status = 0x01;
    record.drive[1].status = 0x03;
    record.drive[2].status = 0x01;  // beyond the family's two slots: not listed
    const JapaneseMessages japanese;
    EXPECT_EQ(kHeader + "物理ドライブ No.2, RAID No.2\nRAID ステータス: リビルド中\nドライブ0 ステータス: 正常\n"
                        "ドライブ1 ステータス: リビルド中\n",
              composeEventText(japanese, &record, kEventStatusRebuilding + 2, {}));
}

TEST(EventText, ThreeSlotControllersListTheirThirdDrive) {
    auto record = controller("Lumavex ZDAP-RS482", 0, 0);
    record.raidStatus = lmx::kRaidError;
    record.drive[0].status = 0x01;
    record.drive[1].status = 0x00;
    record.drive[2].status = 0x02;  // rebuilding bit without the present bit: not detected
    const JapaneseMessages japanese;
    EXPECT_EQ(kHeader + "物理ドライブ No.0, RAID No.1\nRAID ステータス: 異常\nドライブ0 ステータス: 正常\n"
                        "ドライブ1 ステータス: 検出不可\nドライブ2 ステータス: 検出不可\n",
              composeEventText(japanese, &record, kEventStatusError, {}));
}

TEST(EventText, NewAndLostControllersNameTheTrimmedFields) {
    auto record = controller("Lumavex ZDA-RS481", 3, 0);
    record.drive[0].status = 0x01;
    record.drive[1].status = 0x01;
    const JapaneseMessages japanese;
    EXPECT_EQ("新しいデュオカードを検出しました\n\n物理ドライブ No.3, RAID No.1\nモデル名:Lumavex ZDA-RS481\n"
              "シリアルナンバー:ABC123\nファームウェア:1.02\n\nRAID ステータス: 正常\nドライブ0 ステータス: 正常\n"
              "ドライブ1 ステータス: 正常\n",
              composeEventText(japanese, &record, kEventControllerFound + 3, {}));
    EXPECT_EQ("デュオカードが検出できなくなりました\n\n物理ドライブ No.3, RAID No.1\nモデル名:Lumavex ZDA-RS481\n"
              "シリアルナンバー:ABC123\nファームウェア:1.02",
              composeEventText(japanese, &record, kEventControllerLost + 3, {}));
}

TEST(EventText, TemperatureListNamesDrivesAtOrAboveTheThreshold) {
    auto record = controller("Lumavex ZDAP-RS482", 1, 0);
    record.drive[0].temperature = 60;
    record.drive[1].temperature = 59;
    record.drive[2].temperature = 75;
    const JapaneseMessages japanese;
    EXPECT_EQ("閾値以上のHDD温度を検出しました\n\n物理ドライブ No.1, RAID No.1\n\n閾値: 60 C\nHDD 0: 60 C\nHDD 2: 75 C\n",
              composeEventText(japanese, &record, kEventOverTemperature + 1, withTemperatureSetting(0x3C01)));
}

TEST(EventText, StartStopAndMissedPatrol) {
    const JapaneseMessages japanese;
    EXPECT_EQ("Lumavex デュオカードの監視を開始しました [version error]",
              composeEventText(japanese, nullptr, kEventMonitoringStarted, {.versionText = "error"}));
    EXPECT_EQ("Lumavex デュオカードの監視を停止しました", composeEventText(japanese, nullptr, kEventMonitoringStopped, {}));
    const auto missed = platform::systemTimeToFileTime({2009, 1, 0, 2, 3, 4, 0, 0}).value();
    EXPECT_EQ("スケジュール設定の時間を越えているためベリファイを開始できませんでした\n\n実施予定だった時刻:\n2009/01/02  03:04",
              composeEventText(japanese, nullptr, kEventPatrolMissed, withNextPatrolTime(missed)));
}

// A provider that lacks one message.
class MissingMessage final : public MessageProvider {
public:
    explicit MissingMessage(int missing) : missing_(missing) {}
    bool getMessage(int index, std::string& text) const override {
        return japanese_.getMessage(index == missing_ ? 0 : index, text);
    }

private:
    int missing_;
    JapaneseMessages japanese_;
};

TEST(EventText, AMissingMessageTurnsTheEntryIntoTheMissText) {
    auto record = controller("ZDA-GX460", 0, 0);
    record.drive[0].status = 0x01;
    EXPECT_EQ("未定義のイベントログです [LOGID = 0x0064]",
              composeEventText(MissingMessage(9), &record, kEventStatusNormal, {}));
    EXPECT_EQ("未定義のイベントログです [LOGID = 0x0000]", composeEventText(MissingMessage(0), &record, 0x40020000, {}));
}

std::uint8_t wrongPlaceholders(std::int32_t index, char* buffer, std::int32_t size) {
    // Message 2 with a string where a number belongs; everything else unknown.
    const char* text = index == 2 ? "Drive %s, RAID %d\n" : "No such text 0x%04X";
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text);
    return index == 2;
}

std::uint8_t unterminatedAndHostile(std::int32_t, char* buffer, std::int32_t size) {
    std::memset(buffer, 'A', static_cast<std::size_t>(size));
    buffer[0] = '%';
    buffer[1] = 'n';
    return 0;
}

TEST(EventText, LibraryTextsWithOtherPlaceholdersAreRefused) {
    const LibraryMessages wrong(&wrongPlaceholders);
    std::string text;
    EXPECT_FALSE(wrong.getMessage(2, text));
    EXPECT_EQ("No such text 0x%04X", text);
    auto record = controller("ZDA-GX460", 0, 0);
    EXPECT_EQ("No such text 0x0064", composeEventText(wrong, &record, kEventStatusNormal, {}));

    // A miss text without exactly one integer placeholder falls back to the Japanese one.
    const LibraryMessages hostile(&unterminatedAndHostile);
    EXPECT_FALSE(hostile.getMessage(1, text));
    EXPECT_EQ(japaneseMissText(), text);
}

TEST(EventText, EnglishTextsComeFromTheLanguageLibrary) {
    lmx::testing::FakeSystemInfo system;
    system.program = lmx::testing::programsFolder() / "dwsvc";
    platform::ScopedSystemInfo scoped(system);
    const auto english = openMessageProvider(1);
    auto record = controller("ZDA-GX460", 2, 1);
    record.drive[0].status = 0x01;
    EXPECT_EQ("Lumavex Duocard monitoring information\n\nPhysical drive No.2, RAID No.2\nRAID status: Normal\n"
              "Drive0 status: Normal\nDrive1 status: Not detected\n",
              composeEventText(*english, &record, kEventStatusNormal + 2, {}));
    EXPECT_EQ("Undefined event log entry [LOGID = 0x0001]", composeEventText(*english, &record, 0x40020001, {}));

    // Every English text matches the placeholders of its Japanese message.
    for (int index = kFirstMessage; index <= kLastMessage; ++index) {
        std::string text;
        EXPECT_TRUE(english->getMessage(index, text)) << index;
    }
}

TEST(EventText, WithoutTheLanguageLibraryTheJapaneseTableServes) {
    lmx::testing::TempRoot root;
    lmx::testing::FakeSystemInfo system;
    system.program = root.path() / ("dwsvc" LMX_PROGRAM_FILE_SUFFIX);
    platform::ScopedSystemInfo scoped(system);
    const auto provider = openMessageProvider(1);
    EXPECT_EQ("Lumavex デュオカードの監視を停止しました", composeEventText(*provider, nullptr, kEventMonitoringStopped, {}));
    EXPECT_EQ("Lumavex デュオカードの監視を停止しました",
              composeEventText(*openMessageProvider(7), nullptr, kEventMonitoringStopped, {}));
}

TEST(EventText, LimitNeverSplitsACharacter) {
    const std::string ascii(kMaxEventTextBytes, 'a');
    EXPECT_EQ(ascii, limitEventText(ascii));
    const std::string straddling = std::string(kMaxEventTextBytes - 1, 'a') + "日本";
    EXPECT_EQ(std::string(kMaxEventTextBytes - 1, 'a'), limitEventText(straddling));
    const std::string fitting = std::string(kMaxEventTextBytes - 3, 'a') + "日本";
    EXPECT_EQ(std::string(kMaxEventTextBytes - 3, 'a') + "日", limitEventText(fitting));
}

TEST(EventText, VersionTextComesFromTheTrayProgramFile) {
    lmx::testing::TempRoot root;
    lmx::testing::FakeSystemInfo system;
    system.program = root.path() / ("dwsvc" LMX_PROGRAM_FILE_SUFFIX);
    platform::ScopedSystemInfo scoped(system);
    EXPECT_EQ("error", trayVersionText());
    // Any program file of the suite carries a record; use dwsvc's under the tray's name.
    std::filesystem::copy_file(lmx::testing::programsFolder() / ("dwsvc" LMX_PROGRAM_FILE_SUFFIX),
                               root.path() / kTrayProgramFile);
    EXPECT_EQ("1. 0. 0. 1", trayVersionText());
}

}  // namespace
}  // namespace dwsvc
