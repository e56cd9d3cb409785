// Where root writes the metrics file: only into a folder nobody else can change, and a refusal
// is said in the log once, not after every cycle.

#include "service/monitor/metrics_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/idle_service_workers.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_root.h"

namespace dwsvc {
namespace {

namespace fs = std::filesystem;

int linesOf(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

class MetricsWriterTest : public ::testing::Test {
protected:
    // Two cycles' writes; what they said in the log.
    std::string writeTwice() {
        ::testing::internal::CaptureStderr();
        writer.write(runtime);
        writer.write(runtime);
        return ::testing::internal::GetCapturedStderr();
    }

    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    ServiceRuntime runtime{workers};
    MetricsWriter writer;
};

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

// A machine without node_exporter: the folder the drop-in names is not there.
TEST_F(MetricsWriterTest, AMissingFolderIsSaidToBeMissingOnce) {
    runtime.metricsFolder = (root.path() / "prometheus" / "node-exporter").string();
    const std::string said = writeTwice();
    EXPECT_EQ(1, linesOf(said)) << said;
    EXPECT_NE(std::string::npos, said.find("the metrics folder " + runtime.metricsFolder + " is missing")) << said;
}

// The one file the service writes outside its own folders does not outlive it: a folder given
// up loses its file, and deleting the service removes the last one.
TEST_F(MetricsWriterTest, NoMetricsFileIsLeftInAFolderGivenUpOrWhenTheServiceIsDeleted) {
    const fs::path first = root.path() / "first";
    const fs::path second = root.path() / "second";
    fs::create_directories(first);
    fs::create_directories(second);
    runtime.metricsFolder = first.string();
    EXPECT_EQ("", writeTwice());
    ASSERT_TRUE(fs::exists(first / kMetricsFileName));

    MetricsWriter restarted;  // a service started again with another folder
    runtime.metricsFolder = second.string();
    restarted.write(runtime);
    EXPECT_FALSE(fs::exists(first / kMetricsFileName));
    ASSERT_TRUE(fs::exists(second / kMetricsFileName));

    std::FILE* out = std::tmpfile();
    ASSERT_NE(nullptr, out);
    removeMetricsFile(out);
    std::fclose(out);
    EXPECT_FALSE(fs::exists(second / kMetricsFileName));
    EXPECT_FALSE(fs::exists(root.path() / kMetricsRecordName));
}

}  // namespace
}  // namespace dwsvc
