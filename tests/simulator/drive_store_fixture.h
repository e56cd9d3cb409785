#pragma once
// A scratch root with the file of simulated drive 2.

#include <gtest/gtest.h>

#include <filesystem>

#include "simulator/drive_files.h"
#include "tests/support/temp_root.h"

namespace simulator::testing {

class SimDriveStore : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
    std::filesystem::path file = driveFilePath(root.path(), 2);
};

}  // namespace simulator::testing
