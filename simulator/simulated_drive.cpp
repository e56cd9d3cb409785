#include "simulator/simulated_drive.h"

namespace simulator {

std::unique_ptr<platform::DriveBackend> openSimulatedDrive(const std::filesystem::path&, std::uint32_t& error) {
    error = 13;
    return nullptr;
}

}  // namespace simulator
