#include "lang/japanese/japanese_event_texts.h"

#include <array>
#include <utility>

namespace lmx::lang {

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

}  // namespace

std::optional<std::string_view> japaneseEventText(int index) {
    for (const auto& [number, text] : kJapaneseTable) {
        if (number == index && number > 0) return text;
    }
    return std::nullopt;
}

// The table ends with the pair (-1, miss text).
std::string_view japaneseEventMissText() { return kJapaneseTable.back().second; }

}  // namespace lmx::lang
