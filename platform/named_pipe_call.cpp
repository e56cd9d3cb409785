// CallNamedPipe: one exchange on a connection of its own, the same on every platform.

#include "platform/named_pipe.h"

namespace platform::pipes {

std::optional<std::size_t> callNamedPipe(std::string_view pipeName, std::span<const std::uint8_t> request,
                                         std::span<std::uint8_t> reply, std::uint32_t timeoutMilliseconds) {
    if (!waitNamedPipe(pipeName, timeoutMilliseconds)) return std::nullopt;
    auto client = PipeClient::open(pipeName);
    std::size_t written = 0;
    if (!client || !client->write(request, written)) return std::nullopt;
    std::size_t received = 0;
    while (received < reply.size()) {
        std::size_t got = 0;
        if (!client->read(reply.subspan(received), got) || got == 0) break;
        received += got;
    }
    return received;
}

}  // namespace platform::pipes
