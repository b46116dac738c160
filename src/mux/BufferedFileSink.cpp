#include "mux/BufferedFileSink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/FileError.h"

namespace glyphon {

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

BufferedFileSink::BufferedFileSink(int fd) : fd_(fd), buffer_(kBufferSize) {}

BufferedFileSink::~BufferedFileSink() {
    if (fd_ >= 0) ::close(fd_);
}

void BufferedFileSink::Write(const uint8_t* data, size_t size) {
    position_ += size;
    if (used_ + size > buffer_.size()) {
        Flush();
        if (size >= buffer_.size()) {
            // Large blocks go straight to the file.
            size_t done = 0;
            while (done < size) {
                const ssize_t n = ::write(fd_, data + done, size - done);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    ThrowFileError(errno);
                }
                done += size_t(n);
            }
            return;
        }
    }
    std::memcpy(buffer_.data() + used_, data, size);
    used_ += size;
}

void BufferedFileSink::Flush() {
    size_t done = 0;
    while (done < used_) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            used_ = 0;  // not tried again when closing
            ThrowFileError(err);
        }
        done += size_t(n);
    }
    used_ = 0;
}

void BufferedFileSink::Close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    try {
        Flush();
    } catch (const FileError&) {
        ::close(fd);
        fd_ = -1;
        throw;
    }
    fd_ = -1;
    if (::close(fd) != 0) ThrowFileError(errno);
}

}  // namespace glyphon
