// The other process of the Windows pipe and mutex tests. Its system root is the test's
// (LMXDUOWATCH_ROOT is inherited), so it meets the test's pipe and mutexes.
//   pipe_peer call TAG     one exchange with the test's echoing server; exit 0 when answered
//   pipe_peer serve        holds the pipe's server until its standard input ends; exit 3 when
//                          the pipe was taken
//   pipe_peer hostile      20 clients that stay silent and 20 that never read their replies,
//                          held until its standard input ends
//   pipe_peer mutex NAME   exit 0 when the mutex was someone else's already, 1 when it was free

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/named_mutex.h"
#include "tests/platform/pipe_exchange.h"

using namespace platform::pipes::pipe_testing;

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "call" && argc > 2) return exchange(static_cast<std::uint16_t>(std::atoi(argv[2]))) ? 0 : 1;
    if (mode == "serve") {
        auto server = platform::pipes::PipeServer::create(kPipe, requestsOf(kRecord));
        if (!server) return 3;
        std::puts("serving");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    if (mode == "hostile") {
        std::vector<platform::pipes::PipeClient> held;
        for (int i = 0; i < 20; ++i) {
            if (auto silent = platform::pipes::PipeClient::open(kPipe)) held.push_back(std::move(*silent));
            if (auto deaf = platform::pipes::PipeClient::open(kPipe)) {
                writeAll(*deaf, pattern(kRecord, 7));
                held.push_back(std::move(*deaf));
            }
        }
        std::printf("holding %zu\n", held.size());
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    if (mode == "mutex" && argc > 2) {
        bool alreadyExists = false;
        const auto mutex = platform::NamedMutex::create(argv[2], alreadyExists);
        return alreadyExists ? 0 : 1;
    }
    return 2;
}
