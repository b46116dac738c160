// The display probe: a connection to the display server's socket, made
// without any toolkit. A DISPLAY left over from an ssh or cron session names
// a server that is gone; the toolkit would end the process on it.
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "launch/Launch.h"

namespace glyphon {

namespace {

constexpr int kWaitMs = 5000;  // a server that does not answer in this time is gone

// Waits for a non-blocking connect on `fd` to finish; true when it succeeded.
bool Connected(int fd, int result) {
    if (result == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd p{fd, POLLOUT, 0};
    int n;
    while ((n = ::poll(&p, 1, kWaitMs)) < 0 && errno == EINTR) {
    }
    if (n <= 0) return false;
    int err = 0;
    socklen_t len = sizeof err;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
}

// `abstract`: the name lives in the abstract namespace (a leading NUL).
bool ConnectLocal(const std::string& path, bool abstract) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.empty() || path.size() + offset >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path + offset, path.data(), path.size());
    const socklen_t len =
        socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const bool ok = Connected(fd, ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), len));
    ::close(fd);
    return ok;
}

bool ConnectTcp(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool ok = false;
    for (addrinfo* a = found; a && !ok; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        ok = Connected(fd, ::connect(fd, a->ai_addr, a->ai_addrlen));
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return ok;
}

bool WaylandReachable(const std::string& name) {
    if (name.front() == '/') return ConnectLocal(name, false);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && ConnectLocal(std::string(runtime) + "/" + name, false);
}

// DISPLAY is [host]:number[.screen]; an empty host or "unix" is the local
// socket, any other host the TCP port 6000 + number.
bool XReachable(const std::string& display) {
    const size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    const std::string rest = display.substr(colon + 1);
    char* end = nullptr;
    const long number = std::strtol(rest.c_str(), &end, 10);
    if (end == rest.c_str() || number < 0 || number > 65535 - 6000) return false;
    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        return ConnectLocal(path, false) || ConnectLocal(path, true);
    }
    return ConnectTcp(host, 6000 + int(number));
}

// The toolkit platform asked for with QT_QPA_PLATFORM or -platform (first
// of a ';'-separated list, options after ':' dropped); empty when none.
std::string RequestedPlatform(int argc, char** argv) {
    std::string platform;
    if (const char* env = std::getenv("QT_QPA_PLATFORM")) platform = env;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "-platform" || arg == "--platform") && i + 1 < argc)
            platform = argv[i + 1];
        else if (arg.rfind("-platform=", 0) == 0)
            platform = arg.substr(10);
    }
    platform = platform.substr(0, platform.find(';'));
    return platform.substr(0, platform.find(':'));
}

}  // namespace

bool DisplayReachable(int argc, char** argv) {
    // A platform that draws without a display server (offscreen, vnc,
    // linuxfb, ...) needs none to answer.
    const std::string platform = RequestedPlatform(argc, argv);
    if (!platform.empty() && platform != "xcb" && platform.rfind("wayland", 0) != 0) return true;
    const char* w = std::getenv("WAYLAND_DISPLAY");
    if (w && *w && WaylandReachable(w)) return true;
    const char* x = std::getenv("DISPLAY");
    return x && *x && XReachable(x);
}

}  // namespace glyphon
