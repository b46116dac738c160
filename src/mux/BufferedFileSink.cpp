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
            WriteAll(fd_, data, size);
            return;
        }
    }
    std::memcpy(buffer_.data() + used_, data, size);
    used_ += size;
}

void BufferedFileSink::Flush() {
    // Dropped before writing, so that closing after a failure does not try
    // again and report the same failure twice.
    const size_t size = used_;
    used_ = 0;
    WriteAll(fd_, buffer_.data(), size);
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
