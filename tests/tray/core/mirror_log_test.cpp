// The mirror-log file: default name, image and write.

#include "tray/core/mirror_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "tests/support/temp_root.h"
#include "tests/tray/core/packets.h"

namespace lmx::tray {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(MirrorLog, DefaultNameFromTheLocalTime) {
    platform::SystemTime time;
    time.year = 2026;
    time.month = 12;
    time.day = 6;
    time.hour = 10;
    time.minute = 30;
    time.second = 5;
    EXPECT_EQ("12062026_103005_mirrorlog", mirrorLogDefaultName(time));
    time.month = 1;
    time.day = 2;
    time.hour = 0;
    time.minute = 0;
    time.second = 9;
    EXPECT_EQ("01022026_000009_mirrorlog", mirrorLogDefaultName(time));
}

TEST(MirrorLog, ImageIsTheRecordThenThePagesReceived) {
    const ControllerStatusRecord record = testing::presentPacket(3, kRaidRebuilding, "Lumavex ZDAP-RS482");
    LogPages pages{};
    pages[0].ok = 1;
    pages[0].data.fill(0xF4);
    pages[1].ok = 0;  // not received: whatever the buffer holds stays out of the file
    pages[1].data.fill(0xF5);
    MirrorLogFile image = mirrorLogImage(record, pages);
    EXPECT_TRUE(sameRecord(record, image.record));
    EXPECT_EQ(std::vector<std::uint8_t>(512, 0xF4), std::vector<std::uint8_t>(std::begin(image.page[0]), std::end(image.page[0])));
    EXPECT_EQ(std::vector<std::uint8_t>(512, 0x00), std::vector<std::uint8_t>(std::begin(image.page[1]), std::end(image.page[1])));
    pages[1].ok = 1;
    image = mirrorLogImage(record, pages);
    EXPECT_EQ(0xF5, image.page[1][511]);
}

TEST(MirrorLog, WriteReplacesTheWholeFileAndReportsWhatFailed) {
    lmx::testing::TempRoot root;
    const fs::path path = root.path() / "log.txt";
    std::ofstream(path) << std::string(5000, 'x');  // a longer file before
    LogPages pages{};
    pages[0].ok = 1;
    pages[0].data.fill(0xAB);
    const MirrorLogFile image = mirrorLogImage(testing::presentPacket(0, kRaidNormal), pages);
    ASSERT_EQ(MirrorLogWrite::Written, writeMirrorLog(path, image));
    const auto bytes = fileBytes(path);
    ASSERT_EQ(1664u, bytes.size());
    EXPECT_EQ(1, bytes[2]);  // the record's present byte
    EXPECT_EQ(0xAB, bytes[640]);
    EXPECT_EQ(0x00, bytes[1663]);

    EXPECT_EQ(MirrorLogWrite::NotCreated, writeMirrorLog(root.path(), image));  // a folder
    EXPECT_EQ(MirrorLogWrite::NotCreated, writeMirrorLog(root.path() / "missing" / "log.bin", image));
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(MirrorLogWrite::NotWritten, writeMirrorLog("/dev/full", image));  // a full disk
    }
}

}  // namespace
}  // namespace lmx::tray
