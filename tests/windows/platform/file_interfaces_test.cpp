// The file interfaces on Windows: what is written lands whole, links and anything but a plain
// file are refused, and failures carry the system's error codes.

#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/file_append.h"
#include "platform/file_replace.h"
#include "platform/log_folder.h"
#include "platform/plain_file.h"
#include "platform/trusted_folder.h"
#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// A directory symbolic link, where the system lets this user make one.
bool linkTo(const fs::path& target, const fs::path& link) {
    std::error_code error;
    fs::create_directory_symlink(target, link, error);
    return !error;
}

// Gives `folder` the access list `sddl` (a DACL in SDDL text); false when the system keeps none.
bool setAccessList(const fs::path& folder, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return false;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    std::wstring path = folder.wstring();
    const bool set = ::SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                                             DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                             nullptr, dacl, nullptr) == ERROR_SUCCESS;
    ::LocalFree(descriptor);
    return set;
}

TEST(FileAppend, AppendsAtTheEndAndRefusesWhatIsNotAPlainFile) {
    lmx::testing::TempRoot root;
    const auto log = root.path() / "temperature.csv";
    ASSERT_TRUE(appendToFile(log, "a,1\r\n"));
    ASSERT_TRUE(appendToFile(log, "b,2\r\n", fs::perms(0600)));
    EXPECT_EQ("a,1\r\nb,2\r\n", contents(log));

    // A second name of the log is not written through.
    fs::create_hard_link(log, root.path() / "second.csv");
    EXPECT_FALSE(appendToFile(root.path() / "second.csv", "x"));
    EXPECT_EQ(kErrorAccessDenied, lastError());
    fs::create_directory(root.path() / "folder.csv");
    EXPECT_FALSE(appendToFile(root.path() / "folder.csv", "x"));
    EXPECT_FALSE(appendToFile(root.path() / "missing" / "t.csv", "x"));
    EXPECT_EQ(kErrorPathNotFound, lastError());
}

TEST(FileReplace, ReplacesTheWholeFileAndLeavesNothingBeside) {
    lmx::testing::TempRoot root;
    const auto file = root.path() / "lmxduowatch.prom";
    ASSERT_TRUE(replaceFile(file, "old contents that are longer\n"));
    ASSERT_TRUE(replaceFile(file, "new\n"));
    EXPECT_EQ("new\n", contents(file));
    EXPECT_EQ(1u, entries(root.path()));
    {
        // A reader that does not let the file be deleted while it reads keeps the old contents.
        const HANDLE reader = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, reader);
        EXPECT_FALSE(replaceFile(file, "newer\n"));
        EXPECT_NE(kErrorSuccess, lastError());
        ::CloseHandle(reader);
    }
    EXPECT_EQ("new\n", contents(file));
    EXPECT_EQ(1u, entries(root.path()));
    EXPECT_FALSE(replaceFile(root.path() / "missing" / "x.prom", "x"));
    EXPECT_EQ(kErrorPathNotFound, lastError());
}

TEST(PlainFile, ReadsAPlainFileWholeAndRefusesFoldersLargeAndMissingFiles) {
    lmx::testing::TempRoot root;
    const auto image = root.path() / "firmware.bin";
    std::ofstream(image, std::ios::binary) << std::string(100, '\x5a');
    std::vector<std::uint8_t> buffer(128);
    EXPECT_EQ(std::optional<std::size_t>(100), readPlainFile(image, buffer));
    EXPECT_EQ(0x5a, buffer[99]);

    std::vector<std::uint8_t> small(99);
    EXPECT_FALSE(readPlainFile(image, small));
    EXPECT_EQ(kErrorInvalidData, lastError());
    EXPECT_FALSE(readPlainFile(root.path(), buffer));
    EXPECT_EQ(kErrorAccessDenied, lastError());
    EXPECT_FALSE(readPlainFile(root.path() / "absent.bin", buffer));
    EXPECT_EQ(kErrorFileNotFound, lastError());
}

TEST(TrustedFolder, WritesIntoTheFolderItOpenedAndRefusesMissingFoldersAndLinks) {
    lmx::testing::TempRoot root;
    const auto folder = root.path() / "textfiles";
    fs::create_directory(folder);
    {
        std::string refusal;
        auto opened = TrustedFolder::open(folder, refusal);
        ASSERT_TRUE(opened) << refusal;
        ASSERT_TRUE(opened->replaceFile("lmxduowatch.prom", "metrics\n"));
        ASSERT_TRUE(opened->replaceFile("lmxduowatch.prom", "again\n"));
        EXPECT_EQ("again\n", contents(folder / "lmxduowatch.prom"));
        EXPECT_EQ(1u, entries(folder));
        // The folder it holds cannot be renamed away meanwhile.
        std::error_code error;
        fs::rename(folder, root.path() / "moved", error);
        EXPECT_TRUE(error);
    }
    EXPECT_EQ("", untrustedFolderReason(folder / "not" / "yet"));

    std::string refusal;
    EXPECT_FALSE(TrustedFolder::open(root.path() / "missing", refusal));
    EXPECT_EQ(kErrorPathNotFound, lastError());
    EXPECT_NE(std::string::npos, refusal.find("does not exist")) << refusal;
    EXPECT_FALSE(TrustedFolder::open(fs::path("relative"), refusal));
}

// Wine keeps a file's access list as its Unix mode: the system, the owner and everybody, which
// is enough for a folder every user may change.
TEST(TrustedFolder, RefusesAFolderEveryUserMayChangeAndTakesItOnceItIsTheOwnersAlone) {
    lmx::testing::TempRoot root;
    const auto shared = root.path() / "shared";
    const auto folder = shared / "textfiles";
    fs::create_directories(folder);
    ASSERT_TRUE(setAccessList(shared, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;OW)(A;OICI;FA;;;WD)"));
    std::string refusal;
    EXPECT_FALSE(TrustedFolder::open(folder, refusal));
    EXPECT_NE(std::string::npos, refusal.find(shared.string() + " may be changed by other users")) << refusal;
    EXPECT_NE("", untrustedFolderReason(folder / "later"));

    ASSERT_TRUE(setAccessList(shared, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;OW)(A;OICI;FR;;;WD)"));
    EXPECT_TRUE(TrustedFolder::open(folder, refusal)) << refusal;
    EXPECT_EQ("", untrustedFolderReason(folder / "later"));
}

TEST(TrustedFolder, RefusesAFolderLink) {
    lmx::testing::TempRoot root;
    const auto folder = root.path() / "textfiles";
    fs::create_directory(folder);
    if (!linkTo(folder, root.path() / "link")) GTEST_SKIP() << "no symbolic links for this user";
    std::string refusal;
    EXPECT_FALSE(TrustedFolder::open(root.path() / "link", refusal));
    EXPECT_NE(std::string::npos, refusal.find("is a link")) << refusal;
}

TEST(LogFolder, AProgramOutsideAnInstalledSuiteLogsBesideItself) {
    lmx::testing::TempRoot root;
    const std::string folder = programLogFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ('\\', folder.back());
    EXPECT_EQ(root.path() / "logs", systemLogFolder());
    EXPECT_TRUE(fs::is_directory(root.path() / "logs"));
}

}  // namespace
}  // namespace platform
