#include "common/FileError.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace glyphon {

namespace {

// The one list of system errors and the runtime codes users know them by.
struct ErrorMapping {
    int err;
    int code;
};
constexpr ErrorMapping kErrorMap[] = {
    {ENOENT, 2},
    // A file used as a folder: the runtime would say "path not found" (3), but
    // users of this program have always read "File not found" for it.
    {ENOTDIR, 2},
    {ENAMETOOLONG, 3},
    {EMFILE, 4},
    {ENFILE, 4},
    {EACCES, 5},
    {EPERM, 5},
    {EROFS, 5},
    // A folder cannot be opened as a file; the runtime's system refuses it
    // with "access denied".
    {EISDIR, 5},
    // A file in use by another program: a sharing violation, which the
    // runtime showed as "I/O error 32".
    {ETXTBSY, 32},
    {EBUSY, 32},
    {ENOSPC, 101},
    {EDQUOT, 101},
    {EFBIG, 101},
};

}  // namespace

std::string RuntimeErrorText(int code) {
    switch (code) {
        case 2:
            return "File not found";
        case 3:
            return "Invalid filename";
        case 4:
            return "Too many open files";
        case 5:
            return "File access denied";
        case 100:
            return "Read beyond end of file";
        case 101:
            return "Disk full";
        case 106:
            return "Invalid numeric input";
        default:
            return "I/O error " + std::to_string(code);
    }
}

int RuntimeErrorCode(int err) {
    for (const ErrorMapping& m : kErrorMap)
        if (m.err == err) return m.code;
    return 0;
}

std::string FileErrorText(int err) {
    if (const int code = RuntimeErrorCode(err)) return RuntimeErrorText(code);
    // The system's own English description, whatever the locale.
    const char* description = strerrordesc_np(err);
    return std::string("I/O error: ") + (description ? description : "unknown error " + std::to_string(err));
}

void ThrowFileError(int err) { throw FileError(FileErrorText(err)); }

void WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowFileError(errno);
        }
        p += n;
        size -= size_t(n);
    }
}

}  // namespace glyphon
