// Where a container writer puts its bytes: a file or memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/StagedFile.h"

namespace glyphon {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends bytes. Throws FileError when they cannot be written.
    virtual void Write(const uint8_t* data, size_t size) = 0;
    // How many bytes have been appended so far.
    virtual uint64_t Position() const = 0;
};

// Collects the bytes in a vector.
class MemorySink : public ByteSink {
public:
    void Write(const uint8_t* data, size_t size) override { bytes_.insert(bytes_.end(), data, data + size); }
    uint64_t Position() const override { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Writes straight to a file, without a buffer of its own: each Write is on
// disk (as far as the system is concerned) when it returns, so a caller that
// writes whole units leaves a file that ends on a unit. The file is written
// under a temporary name (StagedFile) and replaces the named one on Close.
class FileSink : public ByteSink {
public:
    FileSink() = default;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    ~FileSink() override;  // closes without reporting errors

    // Starts the file; an existing one stays until Close. Throws FileError.
    void Create(const std::string& path);
    // Throws FileError, std::logic_error when no file is open.
    void Write(const uint8_t* data, size_t size) override;
    uint64_t Position() const override { return position_; }
    // Cuts the file back to size bytes (to drop a unit that was only partly
    // written). Throws FileError.
    void Truncate(uint64_t size);
    // Closes the file and puts it in place. Throws FileError (the previous
    // file then stays); does nothing when none is open.
    void Close();
    // Closes the file without putting it in place yet. Throws FileError.
    void Seal();
    // Drops the file; the previous one stays. Never throws.
    void Discard();
    bool IsOpen() const { return fd_ >= 0; }

private:
    std::unique_ptr<StagedFile> staged_;
    int fd_ = -1;
    uint64_t position_ = 0;
};

}  // namespace glyphon
