#include "service/monitor/event_messages.h"

#include <array>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/service_settings.h"
#include "platform/library.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "service/monitor/message_format.h"

namespace dwsvc {

namespace {

constexpr std::array<std::pair<int, std::string_view>, 23> kJapaneseTable = {{
    {1, "Lumavex デュオカード 監視情報\n\n"},
    {2, "物理ドライブ No.%d, RAID No.%d\n"},
    {3, "RAID ステータス: %s\n"},
    {4, "正常"},
    {5, "リビルド中"},
    {6, "リビルド停止中"},
    {7, "異常"},
    {8, "ドライブ%d ステータス: %s\n"},
    {9, "正常"},
    {10, "リビルド中"},
    {11, "検出不可"},
    {12, "Lumavex デュオカードの監視を開始しました [version %s]"},
    {13, "Lumavex デュオカードの監視を停止しました"},
    {14, "新しいデュオカードを検出しました\n\n物理ドライブ No.%d, RAID No.%d\nモデル名:%s\nシリアルナンバー:%s\n"
         "ファームウェア:%s\n\n"},
    {15, "デュオカードが検出できなくなりました\n\n物理ドライブ No.%d, RAID No.%d\nモデル名:%s\nシリアルナンバー:%s\n"
         "ファームウェア:%s"},
    {16, "スケジュール設定によりベリファイを開始しました\n\n物理ドライブ No.%d, RAID No.%d\nモデル名:%s\n"
         "シリアルナンバー:%s\nファームウェア:%s"},
    {17, "スケジュール設定の時間を越えているためベリファイを開始できませんでした\n\n実施予定だった時刻:\n%s"},
    {18, "RAIDステータスが正常ではないためスケジュール設定によるベリファイを開始できませんでした\n\n物理ドライブ No.%d, "
         "RAID No.%d\nモデル名:%s\nシリアルナンバー:%s\nファームウェア:%s"},
    {19, "閾値以上のHDD温度を検出しました\n\n物理ドライブ No.%d, RAID No.%d\n\n閾値: %2d C\n%s"},
    {20, "リビルド元にリードできないセクタがありました\n\n物理ドライブ No.%d, RAID No.%d\nモデル名:%s\n"
         "シリアルナンバー:%s\nファームウェア:%s"},
    {21, "イベントログに書き込めなかったイベントが %d 件ありました\n\n期間:\n%s から\n%s まで"},
    {22, "レジストリが失われていたため、サービスの設定と状態を書き戻しました"},
    {-1, "未定義のイベントログです [LOGID = 0x%04X]"},
}};

constexpr std::size_t kMessageBufferSize = 1024;

// The library stays loaded for as long as the provider lives (one event).
class LoadedLibraryMessages final : public MessageProvider {
public:
    LoadedLibraryMessages(platform::Library library, EventlogStringFunction* function)
        : library_(std::move(library)), messages_(function) {}
    bool getMessage(int index, std::string& text) const override { return messages_.getMessage(index, text); }

private:
    platform::Library library_;
    LibraryMessages messages_;
};

// A text from the library, terminated within the buffer whatever the library wrote.
std::string callLibrary(EventlogStringFunction* function, int index, bool& found) {
    std::vector<char> buffer(kMessageBufferSize, '\0');
    found = function(index, buffer.data(), static_cast<std::int32_t>(buffer.size())) != 0;
    buffer.back() = '\0';
    return std::string(buffer.data());
}

}  // namespace

std::optional<std::string_view> japaneseMessage(int index) {
    for (const auto& [number, text] : kJapaneseTable) {
        if (number == index && number > 0) return text;
    }
    return std::nullopt;
}

std::string_view japaneseMissText() { return kJapaneseTable.back().second; }

bool JapaneseMessages::getMessage(int index, std::string& text) const {
    // The table ends with the pair (-1, miss text): the walk stops there.
    for (const auto& [number, entry] : kJapaneseTable) {
        if (number == index || number == -1) {
            text.assign(entry);
            return number != -1;
        }
    }
    return false;
}

bool LibraryMessages::getMessage(int index, std::string& text) const {
    bool found = false;
    std::string candidate = callLibrary(function_, index, found);
    const auto expected = japaneseMessage(index);
    if (found && expected && conversionKinds(candidate) == conversionKinds(*expected)) {
        text = std::move(candidate);
        return true;
    }
    // A miss: the library's miss text when it holds exactly one integer placeholder.
    if (found) candidate = callLibrary(function_, kMessageMissText, found);
    text = conversionKinds(candidate) == std::optional<std::string>("i") ? candidate : std::string(japaneseMissText());
    return false;
}

std::unique_ptr<MessageProvider> openMessageProvider(std::uint32_t language) {
    if (language != lmx::kLanguageEnglish) return std::make_unique<JapaneseMessages>();
    auto library = platform::Library::load("TXTRES_EN.dll");
    if (!library) {
        platform::debugOutput("DEBUG MSG: TXTRES_EN.dll open failed.");
        return std::make_unique<JapaneseMessages>();
    }
    auto* function = library->function<EventlogStringFunction>("eventlogString");
    if (!function) {
        char text[96];
        std::snprintf(text, sizeof text, "DEBUG MSG: eventlogString function open failed. err=0x%X",
                      platform::lastError());
        platform::debugOutput(text);
        return std::make_unique<JapaneseMessages>();
    }
    return std::make_unique<LoadedLibraryMessages>(std::move(*library), function);
}

}  // namespace dwsvc
