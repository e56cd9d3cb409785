#include "platform/windows/root_scope.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/system_root.h"
#include "tests/support/temp_root.h"

namespace {

TEST(RootScope, EachRootHasItsOwnNamesWhateverItsPathIsSpelledLike) {
    lmx::testing::TempRoot first;
    const std::string tag = platform::win32::rootTag();
    ASSERT_EQ(tag.size(), 16u);
    EXPECT_EQ(platform::win32::scopedName("LMXDuowatchSvc"), "LMXDuowatchSvc." + tag);
    EXPECT_EQ(platform::win32::registryRootKey(), "Software\\LMXDuowatch roots\\" + tag);

    std::string otherSpelling = first.path().string();
    for (char& c : otherSpelling) c = c == '\\' ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ::_putenv_s("LMXDUOWATCH_ROOT", otherSpelling.c_str());
    EXPECT_EQ(platform::win32::rootTag(), tag);

    lmx::testing::TempRoot second;
    EXPECT_NE(platform::win32::rootTag(), tag);
}

TEST(RootScope, TheDefaultRootKeepsTheSystemsNames) {
    ::_putenv_s("LMXDUOWATCH_ROOT", platform::defaultSystemRoot());
    EXPECT_EQ(platform::win32::rootTag(), "");
    EXPECT_EQ(platform::win32::scopedName("LMXDuowatchSvc"), "LMXDuowatchSvc");
    EXPECT_EQ(platform::win32::registryRootKey(), "");
    ::_putenv_s("LMXDUOWATCH_ROOT", "");
}

}  // namespace
