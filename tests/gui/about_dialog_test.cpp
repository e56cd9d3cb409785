#include "gui/about_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include <fstream>
#include <optional>

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
        testing::testApplication();
        resetLanguageForTesting();
    }
    void TearDown() override { resetLanguageForTesting(); }
};

TEST_F(AboutDialogTest, ShowsTheProgramFilesVersionRecord) {
    const auto program = platform::realSystemInfo().programPath();
    ASSERT_TRUE(program);
    AboutDialog about(*program);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(about.controlText(kAboutProductName), QStringLiteral("LMX Duowatch Test Application"));
    EXPECT_EQ(about.controlText(kAboutVersion), QStringLiteral("Version 1.0.2.3"));
    EXPECT_EQ(about.controlText(kAboutLegalCopyright), QStringLiteral("Copyright (C) Lumavex Test"));
    ASSERT_NE(about.controlAs<QLabel>(kAboutIcon), nullptr);
    EXPECT_FALSE(about.controlAs<QLabel>(kAboutIcon)->pixmap().isNull());
}

TEST_F(AboutDialogTest, WithoutARecordTheTemplateTextsStay) {
    lmx::testing::TempRoot root;
    const auto plainFile = root.path() / "no_record.bin";
    std::ofstream(plainFile) << "no version record here";
    ASSERT_TRUE(useLanguageLibrary());
    AboutDialog about(plainFile);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Version information"));  // caption still set
    EXPECT_EQ(about.controlText(kAboutProductName), QStringLiteral("%Product Name"));
    EXPECT_EQ(about.controlText(kAboutVersion), QStringLiteral("%Version"));
    EXPECT_EQ(about.controlText(kAboutLegalCopyright), QStringLiteral("%Copyright"));
}

TEST_F(AboutDialogTest, OkEndsWithOne) {
    AboutDialog about(std::filesystem::path("/nonexistent/program"));
    std::optional<int> result;
    QObject::connect(&about, &QDialog::finished, [&](int value) { result = value; });
    about.showModeless();
    about.controlAs<QPushButton>(kAboutOkButton)->click();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(about.size(), toPixels(234, 71, about.units()));
}

}  // namespace
}  // namespace lmx::gui
