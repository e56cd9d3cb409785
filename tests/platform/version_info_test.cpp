#include "platform/version_info.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/product_version.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

TEST(VersionInfo, ProgramFilesCarryTheirRecord) {
    const auto info = getFileVersionInfo(lmx::testing::programsFolder() / "dwsvc");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(LMX_PRODUCT_VERSION, verQueryValue(*info, "\\StringFileInfo\\041104B0\\ProductVersion").value_or(""));
    EXPECT_EQ("LMX Duowatch Service", verQueryValue(*info, "\\StringFileInfo\\041104b0\\ProductName").value_or(""));
    EXPECT_FALSE(verQueryValue(*info, "\\StringFileInfo\\041104B0\\Missing").has_value());
    EXPECT_FALSE(verQueryValue(*info, "\\StringFileInfo\\040904B0\\ProductVersion").has_value());
}

TEST(VersionInfo, FilesWithoutARecordGiveNone) {
    lmx::testing::TempRoot root;
    EXPECT_FALSE(getFileVersionInfo(root.path() / "missing").has_value());
    // A test executable is an ELF file without the record.
    EXPECT_FALSE(getFileVersionInfo("/proc/self/exe").has_value());
    // Truncated and garbage files are refused, not read past their end.
    const auto truncated = root.path() / "truncated";
    {
        std::ifstream in(lmx::testing::programsFolder() / "dwsvc", std::ios::binary);
        std::string head(200, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        std::ofstream(truncated, std::ios::binary) << head;
    }
    EXPECT_FALSE(getFileVersionInfo(truncated).has_value());
    std::ofstream(root.path() / "text") << "ProductVersion=9, 9, 9, 9\n";
    EXPECT_FALSE(getFileVersionInfo(root.path() / "text").has_value());
}

}  // namespace
}  // namespace platform
