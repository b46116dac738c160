#include "palette/IfoReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/FileError.h"

namespace glyphon {

namespace {

constexpr int32_t kPgcTablePointer = 204;  // 0xCC: sector of the program-chain table
constexpr int32_t kSectorSize = 2048;
constexpr int32_t kFirstPgcOffsetField = 12;  // behind the table header and the category field
constexpr int32_t kPgcPalette = 164;          // 0xA4 into the program chain
constexpr int32_t kVideoAttributes = 512;     // 0x200

// 32-bit signed arithmetic that wraps instead of overflowing, as the
// positions of the file format were always computed.
int32_t Wrap32(int64_t v) { return int32_t(uint32_t(uint64_t(v))); }

// A raw read-only file with a current position, read the way the program
// always read IFO files: a read stops quietly at the end of the file.
class RawFile {
public:
    explicit RawFile(const std::string& path) {
        // Opened without waiting: a pipe without a writer would block the
        // open itself.
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) ThrowFileError(errno);
        struct stat st {};
        if (::fstat(fd_, &st) != 0) Fail(errno);
        // A folder cannot be opened as a file of bytes; the user is told
        // that access is denied, as when opening one for reading elsewhere.
        if (S_ISDIR(st.st_mode)) Fail(EACCES);
        if (!S_ISREG(st.st_mode)) {
            Close();
            throw FileError(kNotARegularIfoText);
        }
    }
    ~RawFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    void Seek(int32_t position) {
        if (position < 0) {
            Close();
            throw FileError(kNotAnIfoText);
        }
        position_ = position;
    }

    // Fills the front of `buffer` with up to `count` bytes from the current
    // position; the rest keeps its earlier contents.
    void Read(unsigned char* buffer, size_t count) {
        size_t done = 0;
        while (done < count) {
            const ssize_t n = ::pread(fd_, buffer + done, count - done, off_t(position_) + off_t(done));
            if (n < 0) {
                if (errno == EINTR) continue;
                Fail(errno);
            }
            if (n == 0) break;  // end of file
            done += size_t(n);
        }
        position_ += int64_t(done);
    }

private:
    void Close() {
        ::close(fd_);
        fd_ = -1;
    }
    [[noreturn]] void Fail(int err) {
        Close();
        ThrowFileError(err);
    }

    int fd_ = -1;
    int64_t position_ = 0;
};

uint32_t BigEndian32(const unsigned char* b) {
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

}  // namespace

bool StartsAsTitleSetIfo(const std::string& path) {
    RawFile file(path);
    unsigned char start[12] = {};
    file.Read(start, sizeof start);
    return std::memcmp(start, "DVDVIDEO-VTS", sizeof start) == 0;
}

IfoPalette ReadIfoPalette(const std::string& path) {
    RawFile file(path);
    IfoPalette result;
    unsigned char word[4] = {0, 0, 0, 0};  // shared by every 4-byte read

    file.Seek(kPgcTablePointer);
    file.Read(word, 4);
    const int32_t s = int32_t(BigEndian32(word));
    const int32_t table = Wrap32(int64_t(s) * kSectorSize);

    file.Seek(Wrap32(int64_t(table) + kFirstPgcOffsetField));
    file.Read(word, 4);
    const int32_t p = int32_t(BigEndian32(word));

    file.Seek(Wrap32(int64_t(table) + p + kPgcPalette));
    for (uint32_t& entry : result.entries) {
        file.Read(word, 4);
        entry = BigEndian32(word);
    }

    unsigned char attributes[2] = {0, 0};
    file.Seek(kVideoAttributes);
    file.Read(attributes, 2);
    result.attributes = uint16_t(attributes[0] << 8 | attributes[1]);
    return result;
}

}  // namespace glyphon
