#pragma once
// A scratch system root for a benchmark run, with simulated controllers on drives 0 to 5 that
// the benchmark opens as dwsvc does.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "simulator/drive_store.h"
#include "simulator/simulated_drive.h"

namespace lmx::bench {

class SimulatedRoot {
public:
    explicit SimulatedRoot(int controllers) {
        std::string pattern = (std::filesystem::temp_directory_path() / "lmxbench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        simulator::registerSimulatedDrives();
        setenv("LMXDUOWATCH_ROOT", path_.c_str(), 1);
        const char* models[] = {"Lumavex ZDAP-RS482", "Lumavex ZDAP-RS481", "ZDA-GX460-TT3", "ZDA-JW100"};
        for (int n = 0; n < controllers; ++n) {
            simulator::createController(simulator::driveFilePath(path_, n), models[n % 4]);
        }
    }
    ~SimulatedRoot() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& path() const { return path_; }

    // The command logs grow with every command; benchmarks clear them between batches.
    void clearLogs(int controllers) const {
        for (int n = 0; n < controllers; ++n) simulator::clearCommandLog(simulator::driveFilePath(path_, n));
    }

private:
    std::filesystem::path path_;
};

}  // namespace lmx::bench
