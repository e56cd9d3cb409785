// Folders root writes into only when nobody else can change them: the textfile folder and the
// system root.

#include "platform/trusted_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/system_root.h"
#include "platform/win_error.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string refusalOf(const fs::path& folder) {
    std::string refusal;
    const auto opened = TrustedFolder::open(folder, refusal);
    EXPECT_EQ(opened.has_value(), refusal.empty());
    return refusal;
}

// The folder is written through the descriptor opened once: a folder swapped for a link
// afterwards leads nowhere else, and a sticky folder above a folder of root's is no weakness.
TEST(TrustedFolder, WritesThroughTheFolderItOpened) {
    lmx::testing::TempRoot root;
    const fs::path shared = root.path() / "shared";
    const fs::path folder = shared / "textfiles";
    const fs::path elsewhere = root.path() / "elsewhere";
    fs::create_directories(folder);
    fs::create_directories(elsewhere);
    fs::permissions(shared, fs::perms(01777));
    std::string refusal;
    auto opened = TrustedFolder::open(folder, refusal);
    ASSERT_TRUE(opened) << refusal;
    fs::rename(folder, shared / "moved");
    fs::create_directory_symlink(elsewhere, folder);
    ASSERT_TRUE(opened->replaceFile("lmxduowatch.prom", "metrics\n"));
    EXPECT_EQ("metrics\n", contents(shared / "moved" / "lmxduowatch.prom"));
    EXPECT_EQ(fs::perms(0644), fs::status(shared / "moved" / "lmxduowatch.prom").permissions());
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(shared / "moved"), fs::directory_iterator()));
}

TEST(TrustedFolder, RefusesLinksFoldersOthersMayWriteAndMissingFolders) {
    lmx::testing::TempRoot root;
    const fs::path real = root.path() / "real";
    fs::create_directories(real / "inner");
    fs::create_directory_symlink(real, root.path() / "link");
    EXPECT_EQ((root.path() / "link").string() + " is a link", refusalOf(root.path() / "link" / "inner"));
    fs::permissions(real / "inner", fs::perms(0775));
    EXPECT_EQ((real / "inner").string() + " may be written by other users", refusalOf(real / "inner"));
    // Sticky is no help for the folder written into, nor for one above that is not sticky.
    fs::permissions(real / "inner", fs::perms(01777));
    EXPECT_NE("", refusalOf(real / "inner"));
    fs::permissions(real / "inner", fs::perms(0755));
    fs::permissions(real, fs::perms(0757));
    EXPECT_EQ(real.string() + " may be written by other users", refusalOf(real / "inner"));
    EXPECT_EQ((root.path() / "missing").string() + " does not exist", refusalOf(root.path() / "missing"));
    EXPECT_EQ(kErrorPathNotFound, lastError());
    EXPECT_NE("", refusalOf("relative/folder"));
}

// A root another user owns, or one in a folder of another user's, or one others may write, is
// refused; a root still to be made in a sound folder is not.
TEST(SystemRoot, ARootAnotherUserCouldChangeIsRefused) {
    lmx::testing::TempRoot root;
    EXPECT_EQ("", systemRootRefusal());
    fs::permissions(root.path(), fs::perms(0777));
    EXPECT_NE(std::string::npos, systemRootRefusal().find(root.path().string() + " may be written by other users"));
    fs::permissions(root.path(), fs::perms(0755));
    const fs::path inner = root.path() / "user" / "root";
    fs::create_directories(inner);
    ::setenv(kSystemRootVariable, inner.c_str(), 1);
    EXPECT_EQ("", systemRootRefusal());
    ::setenv(kSystemRootVariable, (root.path() / "new" / "root").c_str(), 1);
    EXPECT_EQ("", systemRootRefusal());
    if (lmx::testing::canActAsOtherUser()) {
        ASSERT_EQ(0, ::chown((root.path() / "user").c_str(), lmx::testing::kOtherUserId, lmx::testing::kOtherGroupId));
        ::setenv(kSystemRootVariable, inner.c_str(), 1);
        EXPECT_NE(std::string::npos, systemRootRefusal().find((root.path() / "user").string() + " is owned by uid 65534"));
    }
    ::setenv(kSystemRootVariable, root.path().c_str(), 1);
}

}  // namespace
}  // namespace platform
