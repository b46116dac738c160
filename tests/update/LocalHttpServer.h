// A tiny HTTP server on 127.0.0.1 for the version-check tests: listens on a
// port the system picks, answers every request with one canned response (or
// never answers at all), and records the request heads it received.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace glyphon::test {

// A complete response: status line, the length and closing headers, body.
inline std::string HttpResponse(const std::string& statusLine, const std::string& body,
                                const std::string& extraHeaders = "") {
    return statusLine + "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

// A port on 127.0.0.1 that nobody listens on: bound, then released.
inline long FreeLocalPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("no free port");
    close(fd);
    return ntohs(addr.sin_port);
}

class LocalHttpServer {
public:
    enum class Mode { Answer, NeverAnswer };

    explicit LocalHttpServer(std::string response, Mode mode = Mode::Answer)
        : response_(std::move(response)), mode_(mode) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(fd_, 8) != 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    static LocalHttpServer Silent() { return LocalHttpServer(std::string(), Mode::NeverAnswer); }

    ~LocalHttpServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) close(fd_);
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    long port() const { return port_; }

    // The request heads received so far, each up to its blank line.
    std::vector<std::string> requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    // Waits until fd is readable or the server stops; false when stopping.
    bool WaitReadable(int fd) const {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }

    std::string ReadHead(int c) const {
        std::string head;
        char buf[1024];
        while (head.find("\r\n\r\n") == std::string::npos && WaitReadable(c)) {
            const ssize_t n = recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            head.append(buf, static_cast<size_t>(n));
        }
        return head;
    }

    void Serve() {
        std::vector<int> held;
        while (WaitReadable(fd_)) {
            const int c = accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            const std::string head = ReadHead(c);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(head);
            }
            if (mode_ == Mode::NeverAnswer) {
                held.push_back(c);  // open and silent until the server stops
                continue;
            }
            size_t sent = 0;
            while (sent < response_.size()) {
                const ssize_t n = send(c, response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            shutdown(c, SHUT_WR);
            close(c);
        }
        for (int c : held) close(c);
    }

    std::string response_;
    Mode mode_;
    int fd_ = -1;
    long port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace glyphon::test
