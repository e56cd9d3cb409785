#include "common/ascii_text.h"

#include <gtest/gtest.h>

namespace lmx {
namespace {

TEST(AsciiText, OnlyAsciiLettersAreComparedWithoutRegardToCase) {
    EXPECT_TRUE(equalIgnoringAsciiCase("DWSVC", "dwsvc"));
    EXPECT_TRUE(equalIgnoringAsciiCase("Install", "iNSTALL"));
    EXPECT_FALSE(equalIgnoringAsciiCase("dwsvc", "dwsvc2"));
    EXPECT_FALSE(equalIgnoringAsciiCase("dwsvc", "dwsv"));
    // '@' and '`' lie next to the letters; bytes beyond ASCII stay as they are.
    EXPECT_FALSE(equalIgnoringAsciiCase("@", "`"));
    EXPECT_FALSE(equalIgnoringAsciiCase("\xC3\x84", "\xC3\xA4"));
    EXPECT_TRUE(equalIgnoringAsciiCase("", ""));
}

}  // namespace
}  // namespace lmx
