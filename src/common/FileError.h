// File errors as the user sees them in the error box.
#pragma once

#include <stdexcept>
#include <string>

namespace glyphon {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The runtime's text for an errno value: ENOENT "File not found",
// EACCES/EPERM "File access denied", anything else "I/O error %d".
std::string FileErrorText(int err);

// Throws FileError with FileErrorText(err).
[[noreturn]] void ThrowFileError(int err);

}  // namespace glyphon
