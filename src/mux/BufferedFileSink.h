// A file written through a large buffer, for outputs that are copied through
// in bulk (a whole program stream) rather than unit by unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mux/ByteSink.h"

namespace glyphon {

class BufferedFileSink : public ByteSink {
public:
    // Takes over an open descriptor (closed by Close or the destructor).
    explicit BufferedFileSink(int fd);
    BufferedFileSink(const BufferedFileSink&) = delete;
    BufferedFileSink& operator=(const BufferedFileSink&) = delete;
    ~BufferedFileSink() override;  // closes without reporting errors

    // Throws FileError.
    void Write(const uint8_t* data, size_t size) override;
    uint64_t Position() const override { return position_; }
    // Writes what is buffered and closes. Throws FileError; a second call
    // does nothing.
    void Close();

private:
    void Flush();

    int fd_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    uint64_t position_ = 0;
};

}  // namespace glyphon
