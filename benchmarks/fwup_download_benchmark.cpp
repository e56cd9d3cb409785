// The firmware tool's download of a 4 MiB image (8,192 DOWNLOAD MICROCODE blocks) to a simulated
// controller, beside the same 8,192 requests handed straight to the simulator (the simulator's
// share) and the same download to a drive that takes every request at once (the tool's own share).

#include <benchmark/benchmark.h>

#include <atomic>
#include <fstream>
#include <vector>

#include "benchmarks/simulated_root.h"
#include "fwup/core/drive_accessor.h"
#include "fwup/core/firmware_download.h"
#include "platform/drive_backend.h"
#include "simulator/simulated_drive.h"

namespace {

constexpr std::size_t kImageSize = 4 * 1024 * 1024;
constexpr int kBlocks = static_cast<int>(kImageSize / 512);

class NoProgress final : public fwup::DownloadProgress {
public:
    void blockStarting(int, int) override {}
    void lastBlockStarting() override {}
};

std::filesystem::path writeImage(const std::filesystem::path& root) {
    const auto path = root / "image.bin";
    std::vector<char> bytes(kImageSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void clearDrive(const std::filesystem::path& file) {
    simulator::clearCommandLog(file);
    simulator::clearFirmware(file);
}

// The whole download as the tool runs it: the image read, the drive opened, 8,192 blocks sent.
void BM_FirmwareDownload4MiB(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(1);
    const auto drive = simulator::driveFilePath(root.path(), 0);
    const auto image = writeImage(root.path());
    const auto accessor = fwup::DriveAccessor::create({});
    std::atomic<bool> cancel{false};
    NoProgress progress;
    for (auto _ : state) {
        const auto result = fwup::download_firmware(*accessor, image, 0, cancel, progress);
        if (result != fwup::DownloadResult::Success) state.SkipWithError("the download failed");
        state.PauseTiming();
        clearDrive(drive);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kImageSize));
}
BENCHMARK(BM_FirmwareDownload4MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The simulator's share: the same 8,192 direct requests handed to the simulated drive itself.
void BM_SimulatorMicrocodeBlocks4MiB(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(1);
    const auto drive = simulator::driveFilePath(root.path(), 0);
    std::uint32_t error = 0;
    const auto backend = simulator::openSimulatedDrive(drive, error);
    std::vector<std::uint8_t> image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
    for (auto _ : state) {
        for (int block = 0; block < kBlocks; ++block) {
            const std::uint8_t* data = &image[static_cast<std::size_t>(block) * 512];
            lmx::AtaPassThroughDirect request = fwup::downloadMicrocodeRequest(data);
            lmx::AtaPassThroughDirect reply{};
            std::uint32_t returned = 0;
            if (!backend->ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &reply, sizeof reply,
                                    returned, error)) {
                state.SkipWithError("a block was refused");
                break;
            }
        }
        state.PauseTiming();
        clearDrive(drive);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kImageSize));
}
BENCHMARK(BM_SimulatorMicrocodeBlocks4MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// A drive that accepts every request at once and answers nothing.
class AcceptingDrive final : public platform::DriveBackend {
public:
    bool ioControl(std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t, std::uint32_t& bytesReturned,
                   std::uint32_t& error) override {
        bytesReturned = 0;
        error = 0;
        return true;
    }
};

std::unique_ptr<platform::DriveBackend> openAcceptingDrive(const std::filesystem::path&, std::uint32_t& error) {
    error = 0;
    return std::make_unique<AcceptingDrive>();
}

// The tool's own share: the same download to a drive that costs nothing.
void BM_FirmwareDownload4MiBToolAlone(benchmark::State& state) {
    lmx::bench::SimulatedRoot root(1);
    platform::registerFileDriveOpener(&openAcceptingDrive);
    const auto image = writeImage(root.path());
    const auto accessor = fwup::DriveAccessor::create({});
    std::atomic<bool> cancel{false};
    NoProgress progress;
    for (auto _ : state) {
        const auto result = fwup::download_firmware(*accessor, image, 0, cancel, progress);
        if (result != fwup::DownloadResult::Success) state.SkipWithError("the download failed");
    }
    simulator::registerSimulatedDrives();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kImageSize));
}
BENCHMARK(BM_FirmwareDownload4MiBToolAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
