#pragma once
// Drives that answer from memory what the simulator answered once: a first poll cycle runs
// against the simulated drives of a root and each request's answer is kept, keyed by the
// command it carried; after that every request of the same command gets the kept answer at
// once, without the simulator's file reading, writing and logging. So a poll cycle's cost is
// the service's own: its transport, decoding, comparison and publishing.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/drive_backend.h"

namespace lmx::bench {

class CannedDrives {
public:
    // Registers itself as the platform's opener of drive files: recording first.
    CannedDrives();
    ~CannedDrives();
    // From now on requests are answered from what was recorded; an unknown one fails (error 1117).
    void replay();
    std::size_t recordedAnswers() const;

    struct Answer {
        bool succeeded = false;
        std::uint32_t error = 0;
        std::uint32_t bytesReturned = 0;
        std::vector<std::uint8_t> out;   // the output buffer as the drive left it
        std::vector<std::uint8_t> data;  // direct route: what the drive wrote into the data buffer
    };

    // Used by the backends it opens.
    bool replaying() const;
    void keep(const std::string& key, Answer answer);
    const Answer* find(const std::string& key) const;

private:
    mutable std::mutex lock_;
    bool replaying_ = false;
    std::map<std::string, Answer> answers_;
};

}  // namespace lmx::bench
