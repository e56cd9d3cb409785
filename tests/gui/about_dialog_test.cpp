#include "gui/about_dialog.h"

#include <gtest/gtest.h>

#include <fstream>

#include "gui/string_table.h"
#include "platform/system_info.h"
#include "platform/version_record.h"
#include "tests/gui/test_application.h"
#include "tests/support/temp_root.h"

// The test program's own version record, read back by the About box.
LMX_DEFINE_VERSION_RECORD("LMX Duowatch Test Application", "1,0,2,3", "Copyright (C) Lumavex Test");

namespace lmx::gui {
namespace {

class AboutDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::startGuiForTests();
        resetLanguageForTesting();
    }
    void TearDown() override { resetLanguageForTesting(); }
};

TEST_F(AboutDialogTest, ShowsTheProgramFilesVersionRecord) {
    const auto program = platform::realSystemInfo().programPath();
    ASSERT_TRUE(program);
    AboutDialog about(*program);
    DialogWindow& window = about.window();
    EXPECT_EQ(window.caption(), "バージョン情報");
    EXPECT_EQ(window.text(kAboutProductName), "LMX Duowatch Test Application");
    EXPECT_EQ(window.text(kAboutVersion), "Version 1.0.2.3");
    EXPECT_EQ(window.text(kAboutLegalCopyright), "Copyright (C) Lumavex Test");
    EXPECT_TRUE(window.showsIcon(kAboutIcon));
}

TEST_F(AboutDialogTest, WithoutARecordTheTemplateTextsStay) {
    lmx::testing::TempRoot root;
    const auto plainFile = root.path() / "no_record.bin";
    std::ofstream(plainFile) << "no version record here";
    ASSERT_TRUE(useLanguageLibrary());
    AboutDialog about(plainFile);
    DialogWindow& window = about.window();
    EXPECT_EQ(window.caption(), "Version information");  // caption still set
    EXPECT_EQ(window.text(kAboutProductName), "%Product Name");
    EXPECT_EQ(window.text(kAboutVersion), "%Version");
    EXPECT_EQ(window.text(kAboutLegalCopyright), "%Copyright");
}

TEST_F(AboutDialogTest, OkEndsWithOne) {
    AboutDialog about(std::filesystem::path("/nonexistent/program"));
    DialogWindow& window = about.window();
    window.show();
    window.click(kAboutOkButton);
    EXPECT_EQ(window.result(), 1);
    EXPECT_FALSE(window.isVisible());
    const PixelRect size = window.toPixels({0, 0, 234, 71});
    EXPECT_EQ(window.clientRect(), (PixelRect{0, 0, size.width, size.height}));
}

}  // namespace
}  // namespace lmx::gui
