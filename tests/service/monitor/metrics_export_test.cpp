// Where the metrics file goes: a missing folder is said once, and no file outlives the folder
// or the service.

#include "service/monitor/metrics_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/service/monitor/metrics_writer_fixture.h"

namespace dwsvc {
namespace {

namespace fs = std::filesystem;
using testing::linesOf;
using testing::MetricsWriterTest;

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
