#include "common/FileError.h"

#include <cerrno>

namespace glyphon {

std::string FileErrorText(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return "File not found";
        case EACCES:
        case EPERM:
        case EROFS:
            return "File access denied";
        default:
            return "I/O error " + std::to_string(err);
    }
}

void ThrowFileError(int err) { throw FileError(FileErrorText(err)); }

}  // namespace glyphon
