// Round-trip time of pipe request 0 (the six status records) against the service's pipe server,
// each on its own connection as the tray application makes them, beside the same exchange over
// a bare local socket (connect, 640 bytes up, six writes of 640 bytes down, close), measured
// alternately in the same run: median and 99th percentile of each, and the ratio of the medians.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "benchmarks/simulated_root.h"
#include "platform/named_pipe.h"
#include "service/monitor/monitoring_threads.h"
#include "tests/support/idle_service_workers.h"

namespace {

constexpr std::size_t kRecord = lmx::kPipeMessageSize;
constexpr int kRecords = 6;

bool sendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool receiveAll(int fd, std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t got = ::recv(fd, data, size, 0);
        if (got <= 0) return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// The same exchange with nothing but the socket calls it needs.
class BareSocketServer {
public:
    explicit BareSocketServer(const std::filesystem::path& path) {
        address_.sun_family = AF_UNIX;
        std::strncpy(address_.sun_path, path.c_str(), sizeof address_.sun_path - 1);
        ::unlink(path.c_str());
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::bind(listener_, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
        ::listen(listener_, SOMAXCONN);
        serving_ = std::thread([this] {
            std::vector<std::uint8_t> request(kRecord);
            std::vector<std::uint8_t> record(kRecord, 0x5A);
            for (;;) {
                const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (client < 0) return;
                if (receiveAll(client, request.data(), kRecord) && request[0] != 0xFF) {
                    for (int i = 0; i < kRecords; ++i) sendAll(client, record.data(), kRecord);
                }
                ::close(client);
                if (request[0] == 0xFF) return;
            }
        });
    }
    ~BareSocketServer() {
        std::vector<std::uint8_t> last(kRecord, 0xFF);
        exchange(last);
        serving_.join();
        ::close(listener_);
    }
    bool exchange(const std::vector<std::uint8_t>& request) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        std::uint8_t reply[kRecords * kRecord];
        const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) == 0 &&
                        sendAll(fd, request.data(), request.size()) &&
                        (request[0] == 0xFF || receiveAll(fd, reply, sizeof reply));
        ::close(fd);
        return ok;
    }

private:
    sockaddr_un address_{};
    int listener_ = -1;
    std::thread serving_;
};

struct Figures {
    double median = 0;
    double p99 = 0;
};

Figures figuresOf(std::vector<double>& microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    const auto at = [&](double p) { return microseconds[static_cast<std::size_t>(p * static_cast<double>(microseconds.size() - 1))]; };
    return {at(0.5), at(0.99)};
}

template <typename Exchange>
double timed(Exchange exchange, int& failures) {
    const auto start = std::chrono::steady_clock::now();
    if (!exchange()) ++failures;
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = argc > 1 ? std::atoi(argv[1]) : 10'000;
    lmx::bench::SimulatedRoot root(0);
    lmx::testing::IdleServiceWorkers workers;
    dwsvc::ServiceRuntime runtime(workers);
    dwsvc::DriveActions actions;
    auto server = platform::pipes::PipeServer::create(lmx::kServicePipeName, dwsvc::servicePipeOptions());
    if (!server) {
        std::fprintf(stderr, "cannot create the pipe\n");
        return 1;
    }
    std::thread serving([&] { dwsvc::servePipe(runtime, *server, actions); });
    BareSocketServer bare(root.path() / "bare.sock");

    const auto request = lmx::makePipeRequest(lmx::kRequestStatusTable);
    const std::vector<std::uint8_t> requestBytes(reinterpret_cast<const std::uint8_t*>(&request),
                                                 reinterpret_cast<const std::uint8_t*>(&request) + sizeof request);
    std::vector<std::uint8_t> reply(kRecords * kRecord);
    std::vector<double> pipeTimes;
    std::vector<double> bareTimes;
    int failures = 0;
    for (int i = 0; i < requests; ++i) {
        pipeTimes.push_back(timed(
            [&] {
                return platform::pipes::callNamedPipe(lmx::kServicePipeName, requestBytes, reply, lmx::kPipeWaitMilliseconds) ==
                       reply.size();
            },
            failures));
        bareTimes.push_back(timed([&] { return bare.exchange(requestBytes); }, failures));
    }

    // The same requests while 20 clients stay silent and 20 never read their replies, all
    // connected at once (a silent client keeps its connection for the pipe's 3 s time-out).
    std::vector<platform::pipes::PipeClient> hostile;
    for (int i = 0; i < 20; ++i) {
        if (auto silent = platform::pipes::PipeClient::open(lmx::kServicePipeName)) hostile.push_back(std::move(*silent));
        if (auto deaf = platform::pipes::PipeClient::open(lmx::kServicePipeName)) {
            std::size_t written = 0;
            deaf->write(requestBytes, written);
            hostile.push_back(std::move(*deaf));
        }
    }
    std::vector<double> besideHostile;
    for (int i = 0; i < 1000; ++i) {
        besideHostile.push_back(timed(
            [&] {
                return platform::pipes::callNamedPipe(lmx::kServicePipeName, requestBytes, reply, lmx::kPipeWaitMilliseconds) ==
                       reply.size();
            },
            failures));
    }
    server->stop();
    serving.join();

    const auto pipe = figuresOf(pipeTimes);
    const auto socket = figuresOf(bareTimes);
    const double slowest = *std::max_element(besideHostile.begin(), besideHostile.end());
    const auto crowded = figuresOf(besideHostile);
    std::printf("pipe request 0 round trip over %d requests: median %.1f us, p99 %.1f us\n", requests, pipe.median, pipe.p99);
    std::printf("bare local socket, same exchange:              median %.1f us, p99 %.1f us\n", socket.median, socket.p99);
    std::printf("ratio of the medians (pipe / bare socket): %.2f\n", pipe.median / socket.median);
    std::printf("beside 20 silent and 20 non-reading clients, 1000 requests: median %.1f us, slowest %.1f us\n",
                crowded.median, slowest);
    std::printf("failures %d\n", failures);
    return failures == 0 ? 0 : 1;
}
