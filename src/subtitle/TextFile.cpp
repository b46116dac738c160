#include "subtitle/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/FileError.h"
#include "common/Utf8.h"

namespace glyphon::textfile {

namespace {

constexpr char kCtrlZ = 26;

// Closes the descriptor on every way out.
class Fd {
public:
    // Opened without waiting (a pipe without a writer would block the open
    // itself); only a regular file or a folder (refused when read, as
    // always) is read.
    explicit Fd(const std::string& FileName)
        : fd_(::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
        if (fd_ < 0) ThrowFileError(errno);
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            ::close(fd_);
            throw FileError(kNotARegularTextFile);
        }
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    }
    ~Fd() { ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

    // Reads up to `size` bytes; 0 at the end of the file.
    size_t Read(char* into, size_t size) const {
        for (;;) {
            const ssize_t n = ::read(fd_, into, size);
            if (n >= 0) return size_t(n);
            if (errno != EINTR) ThrowFileError(errno);
        }
    }

private:
    int fd_;
};

// Characters of four bytes each; one that is no character becomes U+FFFD,
// as do bytes left over at the end.
std::string Utf32ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 4 + 3);
    size_t i = 0;
    for (; i + 4 <= bytes.size(); i += 4) {
        const auto b = [&](size_t k) { return uint32_t(uint8_t(bytes[i + (bigEndian ? 3 - k : k)])); };
        const uint32_t c = b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
        AppendUtf8(out, c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c);
    }
    if (i < bytes.size()) AppendUtf8(out, 0xFFFD);
    return out;
}

[[noreturn]] void TooLarge() {
    throw FileError("The file is larger than " + std::to_string(kLargestTextFile >> 20) +
                    " MB, more than any subtitle file holds");
}

}  // namespace

TextLines::TextLines(Bytes bytes) : text_(std::move(bytes.data)), size_(bytes.size) {
    char* const text = text_.get();
    if (const void* z = std::memchr(text, kCtrlZ, size_)) size_ = size_t(static_cast<const char*>(z) - text);
    size_ = size_t(UnixLineEnds(text, size_) - text);
}

char* UnixLineEnds(char* text, size_t size) {
    char* const end = text + size;
    char* out = static_cast<char*>(std::memchr(text, '\r', size));
    if (!out) return end;
    // Carriage returns, and a line feed after them, end one line.
    for (const char* in = out; in < end;) {
        const char c = *in++;
        if (c != '\r') {
            *out++ = c;
            continue;
        }
        while (in < end && *in == '\r') ++in;
        if (in < end && *in == '\n') ++in;
        *out++ = '\n';
    }
    return out;
}

std::string_view TextLines::ReadLine() {
    if (pos_ >= size_) return {};
    const char* begin = text_.get() + pos_;
    const size_t left = size_ - pos_;
    const void* lf = std::memchr(begin, '\n', left);
    const size_t length = lf ? size_t(static_cast<const char*>(lf) - begin) : left;
    pos_ += lf ? length + 1 : length;
    return std::string_view(begin, length);
}

bool FileExists(const std::string& FileName) {
    struct stat st;
    return ::stat(FileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string UpperExtension(const std::string& FileName) {
    const size_t dot = FileName.rfind('.');
    const size_t slash = FileName.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return {};
    std::string ext = FileName.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return ext;
}

Bytes ReadFileBytes(const std::string& FileName) {
    Fd fd(FileName);
    struct stat st;
    size_t capacity = 0;
    if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) capacity = size_t(st.st_size);
    if (capacity > kLargestTextFile) TooLarge();
    Bytes bytes{std::unique_ptr<char[]>(new char[capacity]), 0};
    for (;;) {
        if (bytes.size == capacity) {
            // Everything the size promised is in: look for more only in a
            // small buffer, so that the usual end costs no reallocation. A file
            // that grows while it is read, or one of unknown size, is read on.
            char probe[1 << 12];
            const size_t n = fd.Read(probe, sizeof probe);
            if (n == 0) break;
            if (capacity + n > kLargestTextFile) TooLarge();
            capacity += std::max<size_t>(capacity / 2, 1 << 16);
            std::unique_ptr<char[]> larger(new char[capacity]);
            std::memcpy(larger.get(), bytes.data.get(), bytes.size);
            bytes.data = std::move(larger);
            std::memcpy(bytes.data.get() + bytes.size, probe, n);
            bytes.size += n;
            continue;
        }
        const size_t n = fd.Read(bytes.data.get() + bytes.size, capacity - bytes.size);
        if (n == 0) break;
        bytes.size += n;
    }
    return bytes;
}

ByteOrderMark MarkOf(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return ByteOrderMark::Utf8;
    if (bytes.substr(0, 4) == std::string_view("\xFF\xFE\0\0", 4)) return ByteOrderMark::Utf32LE;
    if (bytes.substr(0, 4) == std::string_view("\0\0\xFE\xFF", 4)) return ByteOrderMark::Utf32BE;
    if (bytes.substr(0, 2) == "\xFF\xFE") return ByteOrderMark::Utf16LE;
    if (bytes.substr(0, 2) == "\xFE\xFF") return ByteOrderMark::Utf16BE;
    return ByteOrderMark::None;
}

Bytes WithoutMark(Bytes bytes) {
    const std::string_view all(bytes.data.get(), bytes.size);
    const ByteOrderMark mark = MarkOf(all);
    if (mark == ByteOrderMark::None) return bytes;
    if (mark == ByteOrderMark::Utf8) {
        std::memmove(bytes.data.get(), bytes.data.get() + 3, bytes.size - 3);
        bytes.size -= 3;
        return bytes;
    }
    const std::string text = mark == ByteOrderMark::Utf32LE || mark == ByteOrderMark::Utf32BE
                                 ? Utf32ToUtf8(all.substr(4), mark == ByteOrderMark::Utf32BE)
                                 : Utf16ToUtf8(all.substr(2), mark == ByteOrderMark::Utf16BE);
    Bytes converted{std::unique_ptr<char[]>(new char[text.size()]), text.size()};
    std::memcpy(converted.data.get(), text.data(), text.size());
    return converted;
}

Bytes ReadTextFile(const std::string& FileName, bool& unicode) {
    Bytes bytes = ReadFileBytes(FileName);
    unicode = MarkOf(std::string_view(bytes.data.get(), bytes.size)) != ByteOrderMark::None;
    return WithoutMark(std::move(bytes));
}

std::string ReadHead(const std::string& FileName, size_t size) {
    Fd fd(FileName);
    Bytes bytes{std::unique_ptr<char[]>(new char[size]), 0};
    while (bytes.size < size) {
        const size_t n = fd.Read(bytes.data.get() + bytes.size, size - bytes.size);
        if (n == 0) break;
        bytes.size += n;
    }
    TextLines lines(WithoutMark(std::move(bytes)));
    std::string head;
    head.reserve(lines.Size());
    while (!lines.Eof()) (head += lines.ReadLine()) += '\n';
    return head;
}

std::vector<std::string> ReadFirstLines(const std::string& FileName, int count, size_t keep) {
    std::vector<std::string> lines(size_t(std::max(count, 0)));
    if (count <= 0) return lines;
    const std::string head = ReadHead(FileName, kHeadBytes);
    std::string_view rest = head;
    for (std::string& line : lines) {
        const size_t lf = rest.find('\n');
        line = rest.substr(0, std::min(lf, keep));
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
    }
    return lines;
}

}  // namespace glyphon::textfile
