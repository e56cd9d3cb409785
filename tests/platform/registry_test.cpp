#include "platform/registry.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform::registry {
namespace {

class RegistryTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
};

TEST_F(RegistryTest, MissingKeysAndValuesReportFileNotFound) {
    Key key;
    EXPECT_EQ(kErrorFileNotFound, Key::open("SOFTWARE\\Nothing", kKeyRead, key));
    EXPECT_FALSE(key.isOpen());
    ASSERT_EQ(kErrorSuccess, Key::create("SOFTWARE\\Something", kKeyAllAccess, key));
    std::uint32_t value = 0;
    EXPECT_EQ(kErrorFileNotFound, key.queryDword("Absent", value));
    EXPECT_EQ(kErrorFileNotFound, Key::deleteTree("SOFTWARE\\Nothing"));
}

TEST_F(RegistryTest, PathsAndValueNamesIgnoreCase) {
    Key writer;
    ASSERT_EQ(kErrorSuccess, Key::create("System\\CurrentControlSet\\Services\\Demo", kKeyAllAccess, writer));
    ASSERT_EQ(kErrorSuccess, writer.setDword("IntervalSetting", 16));

    Key reader;
    ASSERT_EQ(kErrorSuccess, Key::open("SYSTEM\\currentcontrolset\\SERVICES\\demo\\", kKeyRead, reader));
    std::uint32_t value = 0;
    ASSERT_EQ(kErrorSuccess, reader.queryDword("intervalsetting", value));
    EXPECT_EQ(16u, value);
#ifndef _WIN32
    // The key keeps the spelling it was created with (Windows names a key as it was opened).
    EXPECT_EQ("System\\CurrentControlSet\\Services\\Demo", reader.path());
#endif
    // Parents exist too.
    EXPECT_EQ(kErrorSuccess, Key::open("system\\currentcontrolset", kKeyRead, reader));
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
    Key key;
    ASSERT_EQ(kErrorSuccess, Key::create("K", kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setString("Name", "ZDA-GX460"));
    const std::uint8_t blob[] = {0, 1, 2, 0, 255};
    ASSERT_EQ(kErrorSuccess, key.set("Blob", ValueType::Binary, blob));
    ASSERT_EQ(kErrorSuccess, key.setString("Empty", ""));

    Value value;
    ASSERT_EQ(kErrorSuccess, key.query("Name", value));
    EXPECT_EQ(ValueType::String, value.type);
    EXPECT_EQ(10u, value.data.size());  // with its terminating zero
    ASSERT_EQ(kErrorSuccess, key.query("Blob", value));
    EXPECT_EQ(std::vector<std::uint8_t>(std::begin(blob), std::end(blob)), value.data);
    std::string text = "x";
    ASSERT_EQ(kErrorSuccess, key.queryString("Empty", text));
    EXPECT_EQ("", text);
    std::uint32_t number = 0;
    EXPECT_EQ(kErrorInvalidData, key.queryDword("Name", number));
    EXPECT_EQ((std::vector<std::string>{"Blob", "Empty", "Name"}), key.valueNames());
}

TEST_F(RegistryTest, DeleteTreeRemovesSubkeysButNotSiblingsWithTheSamePrefix) {
    Key key;
    ASSERT_EQ(kErrorSuccess, Key::create("S\\Svc\\Phy_0", kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setDword("PhysicalNumber", 0));
    ASSERT_EQ(kErrorSuccess, Key::create("S\\Svc2", kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setDword("Kept", 1));

    Key parent;
    ASSERT_EQ(kErrorSuccess, Key::open("S", kKeyRead, parent));
    EXPECT_EQ((std::vector<std::string>{"Svc", "Svc2"}), parent.subKeyNames());

    ASSERT_EQ(kErrorSuccess, Key::deleteTree("s\\svc"));
    EXPECT_EQ(kErrorFileNotFound, Key::open("S\\Svc", kKeyRead, key));
    EXPECT_EQ(kErrorFileNotFound, Key::open("S\\Svc\\Phy_0", kKeyRead, key));
    ASSERT_EQ(kErrorSuccess, Key::open("S\\Svc2", kKeyRead, key));
    std::uint32_t kept = 0;
    EXPECT_EQ(kErrorSuccess, key.queryDword("Kept", kept));
    // A recreated key starts empty: the old values went with the tree.
    ASSERT_EQ(kErrorSuccess, Key::create("S\\Svc\\Phy_0", kKeyAllAccess, key));
    EXPECT_TRUE(key.valueNames().empty());
}

TEST_F(RegistryTest, WritesNeedWriteAccessAndALiveKey) {
    Key key;
    ASSERT_EQ(kErrorSuccess, Key::create("K", kKeyAllAccess, key));
    Key readOnly;
    ASSERT_EQ(kErrorSuccess, Key::open("K", kKeyRead, readOnly));
    EXPECT_EQ(kErrorAccessDenied, readOnly.setDword("V", 1));
    ASSERT_EQ(kErrorSuccess, Key::deleteTree("K"));
    EXPECT_EQ(kErrorKeyDeleted, key.setDword("V", 1));
}

#ifndef _WIN32
// The Linux registry's own file: its view for administrators, its write-ahead log, and writers
// in several processes (the Windows registry is the system's, shared by every process).
TEST_F(RegistryTest, AdministratorsViewShowsDecodedValues) {
    Key key;
    ASSERT_EQ(kErrorSuccess, Key::create("View", kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setDword("Number", 0x12345678));
    ASSERT_EQ(kErrorSuccess, key.setString("Text", "ZDA-GX"));
    key.close();
    const auto output = lmx::testing::captureOutput(
        "sqlite3 '" + (root.path() / "registry.db").string() +
        "' \"SELECT name || '=' || type || '=' || value FROM registry_view WHERE key_path = 'View' ORDER BY name\"");
    EXPECT_EQ("Number=REG_DWORD=0x12345678\nText=REG_SZ=ZDA-GX\n", output);
}

TEST_F(RegistryTest, AnotherProcessEndingLeavesTheWriteAheadLogOfOneThatHoldsTheRegistryOpen) {
    const std::string sqlite = "sqlite3 '" + (root.path() / "registry.db").string() + "' ";
    Key key;
    ASSERT_EQ(kErrorSuccess, Key::create("Held", kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setDword("Before", 1));
    ASSERT_EQ(kErrorSuccess, Key::open("Held", kKeySetValue, key));
    // A process that reads the registry and ends while this one holds it open is not the last
    // one on it: it leaves the -wal and -shm that this process goes on writing.
    lmx::testing::captureOutput(sqlite + "'SELECT count(*) FROM registry_keys'");
    ASSERT_EQ(kErrorSuccess, key.setDword("After", 2));
    EXPECT_TRUE(std::filesystem::exists(root.path() / "registry.db-wal"));
    EXPECT_EQ("After\nBefore\n",
              lmx::testing::captureOutput(sqlite + "\"SELECT name FROM registry_values WHERE key_path = 'Held' ORDER BY name\""));
}

TEST_F(RegistryTest, ConcurrentWritersInSeveralProcessesLoseNothing) {
    {
        Key key;
        ASSERT_EQ(kErrorSuccess, Key::create("Shared", kKeyAllAccess, key));
    }
    constexpr int kProcesses = 4;
    constexpr int kWritesEach = 150;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // The child opens its own connection (the parent's is not shared across fork).
            int failures = 0;
            for (int i = 0; i < kWritesEach; ++i) {
                Key key;
                if (Key::open("Shared", kKeySetValue, key) != kErrorSuccess ||
                    key.setDword("P" + std::to_string(p) + "_" + std::to_string(i), static_cast<std::uint32_t>(i)) !=
                        kErrorSuccess) {
                    ++failures;
                }
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Key key;
    ASSERT_EQ(kErrorSuccess, Key::open("Shared", kKeyRead, key));
    EXPECT_EQ(static_cast<std::size_t>(kProcesses * kWritesEach), key.valueNames().size());
}
#endif

}  // namespace
}  // namespace platform::registry
