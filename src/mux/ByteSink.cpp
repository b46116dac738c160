#include "mux/ByteSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "common/FileError.h"

namespace glyphon {

FileSink::~FileSink() {
    if (fd_ >= 0) ::close(fd_);
}

void FileSink::Create(const std::string& path) {
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) ThrowFileError(errno);
    fd_ = fd;
    position_ = 0;
}

void FileSink::Write(const uint8_t* data, size_t size) {
    if (fd_ < 0) throw std::logic_error("FileSink::Write without an open file");
    WriteAll(fd_, data, size);
    position_ += size;
}

void FileSink::Truncate(uint64_t size) {
    if (fd_ < 0) return;
    if (::ftruncate(fd_, off_t(size)) != 0 || ::lseek(fd_, off_t(size), SEEK_SET) < 0) ThrowFileError(errno);
    position_ = size;
}

void FileSink::Close() {
    if (fd_ < 0) return;
    const int err = ::close(fd_) != 0 ? errno : 0;
    fd_ = -1;
    if (err != 0) ThrowFileError(err);
}

}  // namespace glyphon
