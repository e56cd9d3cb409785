#include "benchmarks/canned_drives.h"

#include <cstring>

#include "common/ata_pass_through.h"
#include "platform/win_error.h"
#include "simulator/simulated_drive.h"

namespace lmx::bench {

namespace {

CannedDrives* gDrives = nullptr;

std::string bytesKey(const void* bytes, std::size_t size) {
    return std::string(static_cast<const char*>(bytes), size);
}

// What identifies a request's command: the drive, the route, and the registers or command
// block it carries (not the addresses of the caller's buffers).
std::string commandKey(const std::string& drive, std::uint32_t code, const void* in, std::uint32_t inSize) {
    std::string key = drive + "|" + std::to_string(code) + "|";
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    if (code == kIoctlAtaPassThroughDirect && inSize >= sizeof(AtaPassThroughDirect)) {
        AtaPassThroughDirect request;
        std::memcpy(&request, in, sizeof request);
        key += bytesKey(request.PreviousTaskFile, 8) + bytesKey(request.CurrentTaskFile, 8) +
               std::to_string(request.DataTransferLength) + "|" + std::to_string(request.AtaFlags);
    } else if (code == kIoctlScsiPassThrough && inSize >= kScsiPassThroughHeaderSize) {
        key += bytesKey(bytes, kScsiPassThroughHeaderSize);
    } else {
        key += bytesKey(bytes, inSize);
    }
    return key;
}

class CannedDrive final : public platform::DriveBackend {
public:
    CannedDrive(std::string name, std::unique_ptr<platform::DriveBackend> simulated)
        : name_(std::move(name)), simulated_(std::move(simulated)) {}

    bool ioControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t& bytesReturned, std::uint32_t& error) override {
        const std::string key = commandKey(name_, code, in, inSize);
        const auto data = dataBufferOf(code, in, inSize);
        if (gDrives->replaying()) {
            const auto* answer = gDrives->find(key);
            if (!answer) {
                error = 1117;
                return false;
            }
            std::memcpy(out, answer->out.data(), std::min<std::size_t>(outSize, answer->out.size()));
            if (data.first) std::memcpy(data.first, answer->data.data(), std::min<std::size_t>(data.second, answer->data.size()));
            bytesReturned = answer->bytesReturned;
            error = answer->error;
            return answer->succeeded;
        }
        CannedDrives::Answer answer;
        const bool succeeded = simulated_->ioControl(code, in, inSize, out, outSize, bytesReturned, error);
        answer.succeeded = succeeded;
        answer.error = error;
        answer.bytesReturned = bytesReturned;
        answer.out.assign(static_cast<std::uint8_t*>(out), static_cast<std::uint8_t*>(out) + outSize);
        if (data.first) answer.data.assign(data.first, data.first + data.second);
        gDrives->keep(key, std::move(answer));
        return succeeded;
    }

private:
    // The direct route's data buffer, which the request points to.
    static std::pair<std::uint8_t*, std::size_t> dataBufferOf(std::uint32_t code, const void* in, std::uint32_t inSize) {
        if (code != kIoctlAtaPassThroughDirect || inSize < sizeof(AtaPassThroughDirect)) return {nullptr, 0};
        AtaPassThroughDirect request;
        std::memcpy(&request, in, sizeof request);
        return {static_cast<std::uint8_t*>(request.DataBuffer), request.DataBuffer ? request.DataTransferLength : 0};
    }

    std::string name_;
    std::unique_ptr<platform::DriveBackend> simulated_;
};

std::unique_ptr<platform::DriveBackend> openCanned(const std::filesystem::path& file, std::uint32_t& error) {
    // The simulated drive answers while recording; replaying, nothing of it is needed.
    std::unique_ptr<platform::DriveBackend> simulated;
    if (!gDrives->replaying()) {
        simulated = simulator::openSimulatedDrive(file, error);
        if (!simulated) return nullptr;
    }
    return std::make_unique<CannedDrive>(file.filename().string(), std::move(simulated));
}

}  // namespace

CannedDrives::CannedDrives() {
    gDrives = this;
    platform::registerFileDriveOpener(openCanned);
}

CannedDrives::~CannedDrives() {
    simulator::registerSimulatedDrives();
    gDrives = nullptr;
}

void CannedDrives::replay() {
    std::lock_guard lock(lock_);
    replaying_ = true;
}

bool CannedDrives::replaying() const {
    std::lock_guard lock(lock_);
    return replaying_;
}

std::size_t CannedDrives::recordedAnswers() const {
    std::lock_guard lock(lock_);
    return answers_.size();
}

void CannedDrives::keep(const std::string& key, Answer answer) {
    std::lock_guard lock(lock_);
    answers_[key] = std::move(answer);
}

const CannedDrives::Answer* CannedDrives::find(const std::string& key) const {
    std::lock_guard lock(lock_);
    const auto found = answers_.find(key);
    return found == answers_.end() ? nullptr : &found->second;
}

}  // namespace lmx::bench
