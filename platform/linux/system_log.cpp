#include "platform/linux/system_log.h"

#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "platform/linux/socket_io.h"

namespace platform::system_log {

namespace {

// rsyslog and syslog-ng take datagrams of this size by default.
constexpr std::size_t kMostDatagramBytes = 8192;

bool sendToJournal(const std::vector<std::string>& fields) {
    std::vector<iovec> vector;
    vector.reserve(fields.size());
    for (const auto& field : fields) vector.push_back({const_cast<char*>(field.data()), field.size()});
    return sd_journal_sendv(vector.data(), static_cast<int>(vector.size())) == 0;
}

bool sendToSyslog(const std::string& datagram, const std::filesystem::path& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socketPath.string();
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    socket_io::Descriptor socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.valid()) return false;
    const std::size_t length = datagram.size() < kMostDatagramBytes ? datagram.size() : kMostDatagramBytes;
    return ::sendto(socket.get(), datagram.data(), length, MSG_NOSIGNAL | MSG_DONTWAIT,
                    reinterpret_cast<const sockaddr*>(&address), sizeof address) == static_cast<ssize_t>(length);
}

}  // namespace

std::string syslogDatagram(const Entry& entry, std::int64_t unixTime, long processId) {
    const std::time_t when = static_cast<std::time_t>(unixTime);
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%b %e %H:%M:%S", &local);
    return "<" + std::to_string(LOG_DAEMON | entry.priority) + ">" + stamp + " " + entry.identifier + "[" +
           std::to_string(processId) + "]: " + entry.text;
}

bool send(const Entry& entry, const Sockets& sockets) {
    std::error_code error;
    if (std::filesystem::exists(sockets.journal, error) && sendToJournal(entry.journalFields)) return true;
    return sendToSyslog(syslogDatagram(entry, std::time(nullptr), static_cast<long>(::getpid())), sockets.syslog);
}

}  // namespace platform::system_log
