#include "ConnectionSocket.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace devservice {

namespace {

struct Endpoint {
    std::string address;
    int port = -1;
};

bool endpointOf(int fd, bool peer, Endpoint& out) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    auto* address = reinterpret_cast<sockaddr*>(&storage);
    if ((peer ? ::getpeername(fd, address, &length) : ::getsockname(fd, address, &length)) != 0)
        return false;
    char text[INET6_ADDRSTRLEN] = {};
    if (storage.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&storage);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        out.port = ntohs(v4->sin_port);
    } else if (storage.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&storage);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        out.port = ntohs(v6->sin6_port);
    } else {
        return false;
    }
    out.address = text;
    return true;
}

} // namespace

int ConnectionSocket::find(const httplib::Request& request) {
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int found = -1;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        const int fd = std::atoi(entry->d_name);
        Endpoint local, remote;
        if (fd == ::dirfd(dir) || !endpointOf(fd, false, local) || !endpointOf(fd, true, remote))
            continue;
        if (local.port == request.local_port && remote.port == request.remote_port &&
            remote.address == request.remote_addr && local.address == request.local_addr) {
            found = fd;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

void ConnectionSocket::reset(int fd) {
    // A zero linger time turns the close that follows into a reset; shutting down both
    // directions now makes every further read or write of the server fail quickly.
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::shutdown(fd, SHUT_RDWR);
}

} // namespace devservice
