#pragma once
// A fixture: a fresh system root with a simulated controller of the given model on drive 3,
// opened as a drive through the simulator's backend.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "simulator/drive_store.h"
#include "tests/simulator/simulator_requests.h"
#include "tests/support/temp_root.h"

namespace simulator::testing {

class OpenedController : public ::testing::Test {
protected:
    explicit OpenedController(std::string model) : model_(std::move(model)) {}
    void SetUp() override {
        createController(file, model_);
        drive = openDrive(file);
    }

    lmx::testing::TempRoot root;
    std::filesystem::path file = driveFilePath(root.path(), 3);
    std::unique_ptr<platform::DriveBackend> drive;

private:
    std::string model_;
};

}  // namespace simulator::testing
