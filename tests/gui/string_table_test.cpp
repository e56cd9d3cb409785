#include "gui/string_table.h"

#include <gtest/gtest.h>

#include <regex>

#include "lang/japanese/japanese_strings.h"

namespace lmx::gui {
namespace {

class StringTableTest : public ::testing::Test {
protected:
    void SetUp() override { resetLanguageForTesting(); }
    void TearDown() override { resetLanguageForTesting(); }
};

TEST_F(StringTableTest, JapaneseTextsAreCompiledIn) {
    EXPECT_FALSE(languageLibraryLoaded());
    EXPECT_EQ(loadString(197), std::string("監視を開始する"));
    EXPECT_EQ(loadString(184), std::string("Duowatch"));
    EXPECT_EQ(loadString(177), std::string("%3d秒"));
    EXPECT_EQ(loadString(216), std::string("システムの負荷が高く、LMX Duowatchを正常に起動できませんでした。\r\n"
                                               " LMX Duowatchを再起動してみて下さい。"));
    EXPECT_EQ(loadString(201), std::string("LMX Duowatch Service\n\n"));
    EXPECT_FALSE(tryLoadString(999));
    EXPECT_TRUE(loadString(999).empty());
}

TEST_F(StringTableTest, EnglishTextsComeFromTheLanguageLibrary) {
    ASSERT_TRUE(useLanguageLibrary());
    EXPECT_TRUE(languageLibraryLoaded());
    EXPECT_EQ(loadString(197), std::string("Start monitoring"));
    EXPECT_EQ(loadString(180), std::string("Version information"));
    EXPECT_FALSE(tryLoadString(999));
    // The program's own resources stay Japanese, as string 216 needs.
    EXPECT_EQ(loadOwnString(197), std::string("監視を開始する"));
}

TEST_F(StringTableTest, MissingLibraryKeepsTheJapaneseTexts) {
    EXPECT_FALSE(useLanguageLibrary("NO_SUCH_LIBRARY.dll"));
    EXPECT_FALSE(languageLibraryLoaded());
    EXPECT_EQ(loadString(200), std::string("終了"));
}

// The conversions (%d, %s, %3.1f, %%) of a format text, in order.
std::vector<std::string> conversions(const std::string& text) {
    static const std::regex conversion("%[-+ #0-9.]*[a-zA-Z%]");
    std::vector<std::string> found;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), conversion); match != std::sregex_iterator(); ++match) {
        found.push_back(match->str());
    }
    return found;
}

TEST_F(StringTableTest, EveryJapaneseStringHasAnEnglishTextWithTheSamePlaceholders) {
    ASSERT_TRUE(useLanguageLibrary());
    for (const int id : lang::japaneseStringIds()) {
        const auto english = tryLoadString(id);
        ASSERT_TRUE(english) << "string " << id;
        EXPECT_FALSE(english->empty()) << "string " << id;
        EXPECT_EQ(conversions(*english), conversions(loadOwnString(id))) << "string " << id;
    }
}

TEST(JapaneseStringsTest, IdsAscendWithoutDuplicates) {
    const std::vector<int> ids = lang::japaneseStringIds();
    ASSERT_FALSE(ids.empty());
    for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_LT(ids[i - 1], ids[i]);
    for (const int id : ids) EXPECT_TRUE(lang::japaneseString(id)) << id;
}

}  // namespace
}  // namespace lmx::gui
