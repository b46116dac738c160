// File errors as the user sees them in the error box.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace glyphon {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The runtime's text for one of its own file error codes (the Windows error
// numbers, and 100 to 106 of its own): 2 "File not found", 3 "Invalid
// filename", 4 "Too many open files", 5 "File access denied", 100 "Read beyond
// end of file", 101 "Disk full", 106 "Invalid numeric input", any other code
// "I/O error %d".
std::string RuntimeErrorText(int code);

// The runtime's code for an errno value, or 0 when the runtime has none that
// means the same.
int RuntimeErrorCode(int err);

// The text users are shown for an errno value: the runtime's text for its
// code; without one, "I/O error: " and the system's description (never a
// number that would mean something else to users of the runtime).
std::string FileErrorText(int err);

// Throws FileError with FileErrorText(err).
[[noreturn]] void ThrowFileError(int err);

// Writes all of data to the file descriptor, again after an interrupted or
// partial write; throws FileError for the first failure.
void WriteAll(int fd, const void* data, size_t size);

}  // namespace glyphon
