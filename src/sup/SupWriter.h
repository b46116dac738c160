// The ".sup" file: one record per subtitle, each a 10-byte header with the
// start time followed by the sub-picture unit, with nothing between records
// and no file header or trailer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/StagedFile.h"

namespace glyphon {

// "SP", the presentation time (`start` in 1/90,000 s) as an unsigned 32-bit
// little-endian number, then four zero bytes. A negative start gives 0; a
// start beyond the 32-bit range (over 13 hours) is held at its largest value.
std::array<uint8_t, 10> UnitHeader(int64_t start);

// The presentation time of UnitHeader: `start` in 90 kHz ticks, held to 0 ..
// 4294967295. Every output of a run uses it, so they all agree.
uint32_t PresentationTime(int64_t start);

// Writes records as they are produced through a small buffer, so a long run
// never holds the whole file in memory. The records go to a temporary file
// beside the ".sup" (StagedFile), which replaces it only on Close.
class SupWriter {
public:
    SupWriter() = default;
    SupWriter(const SupWriter&) = delete;
    SupWriter& operator=(const SupWriter&) = delete;
    ~SupWriter();  // discards an output that was not closed

    // Starts the file; an existing one stays as it is until Close. Throws
    // FileError.
    void Create(const std::string& path);
    // Appends the header for `start` (90 kHz ticks) and the unit's bytes. Throws FileError
    // when writing fails, std::logic_error when no file is open.
    void Append(int64_t start, const std::vector<uint8_t>& unit);
    // Writes what is buffered and puts the file in place. Throws FileError
    // when that fails (the previous file then stays); does nothing when no
    // file is open.
    void Close();
    // Writes what is buffered without putting the file in place.
    void Seal();
    void Discard();

    bool IsOpen() const { return staged_ != nullptr; }

private:
    void Put(const uint8_t* data, size_t size);
    void Flush();

    std::unique_ptr<StagedFile> staged_;
    int fd_ = -1;  // staged_'s descriptor until sealed
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
};

}  // namespace glyphon
