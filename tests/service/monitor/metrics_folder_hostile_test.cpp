// Where root writes the metrics file: only into a folder nobody else can change, and a refusal
// is said in the log once, not after every cycle.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/service/monitor/metrics_writer_fixture.h"
#include "tests/support/other_user.h"

namespace dwsvc {
namespace {

namespace fs = std::filesystem;
using testing::linesOf;
using testing::MetricsWriterTest;

// A user's link where the folder should be, in a folder everybody may write (like /tmp), leads
// root nowhere; a folder of the user's own, or one others may write, neither.
TEST_F(MetricsWriterTest, AFolderAUserCouldChangeIsRefusedAndSaidOnce) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "acting as another user needs root";
    const fs::path shared = root.path() / "p";
    const fs::path rootsFolder = root.path() / "roots";
    fs::create_directories(shared);
    fs::create_directories(rootsFolder);
    fs::permissions(shared, fs::perms(01777));
    lmx::testing::openToOtherUsers(shared);
    runtime.metricsFolder = (shared / "node-exporter").string();
    ASSERT_EQ(0, lmx::testing::runAsOtherUser(
                     [&] { return ::symlink(rootsFolder.c_str(), runtime.metricsFolder.c_str()) == 0 ? 0 : 1; }));

    const std::string linked = writeTwice();
    EXPECT_EQ(1, linesOf(linked)) << linked;
    EXPECT_NE(std::string::npos, linked.find(runtime.metricsFolder + " is a link")) << linked;
    EXPECT_FALSE(fs::exists(rootsFolder / kMetricsFileName));

    // The user's own folder in its place.
    fs::remove(runtime.metricsFolder);
    ASSERT_EQ(0, lmx::testing::runAsOtherUser([&] { return ::mkdir(runtime.metricsFolder.c_str(), 0755); }));
    const std::string owned = writeTwice();
    EXPECT_EQ(1, linesOf(owned)) << owned;
    EXPECT_NE(std::string::npos, owned.find("owned by uid 65534")) << owned;
    EXPECT_FALSE(fs::exists(fs::path(runtime.metricsFolder) / kMetricsFileName));

    // root's folder there is written; made writable by others, it is refused again.
    fs::remove(runtime.metricsFolder);
    fs::create_directory(runtime.metricsFolder);
    fs::permissions(runtime.metricsFolder, fs::perms(0755));
    EXPECT_EQ("", writeTwice());
    EXPECT_TRUE(fs::is_regular_file(fs::path(runtime.metricsFolder) / kMetricsFileName));
    fs::permissions(runtime.metricsFolder, fs::perms(0777));
    const std::string writable = writeTwice();
    EXPECT_EQ(1, linesOf(writable)) << writable;
    EXPECT_NE(std::string::npos, writable.find("may be written by other users")) << writable;
}

}  // namespace
}  // namespace dwsvc
