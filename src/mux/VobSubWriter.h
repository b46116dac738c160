// VobSub output: "NAME.sub", the sub-picture units in 2048-byte program-stream
// packs, and "NAME.idx", the text index players and muxers read beside it
// (frame size, the 16 display colours, the language, and one timestamp line
// per unit giving the file position of its first pack).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Rgb.h"
#include "mux/ByteSink.h"

namespace glyphon {

struct VobSubHeader {
    int frameHeight = kPalHeight;   // 576 (PAL) or 480 (NTSC); the width is always 720
    std::array<Rgb, 16> palette{};  // the display colour of each palette entry
    std::string language = "en";    // two-letter code of the "id:" line
};

// The index up to and including the "id:" line, lines ended by "\n".
std::string VobSubIndexHeader(const VobSubHeader& header);
// "timestamp: HH:MM:SS:mmm, filepos: 000000000\n": the presentation time
// (1/90,000 s) in whole milliseconds, and the file position as nine lower-case
// hexadecimal digits.
std::string VobSubTimestampLine(uint32_t pts, uint64_t filePosition);

// Writes both files unit by unit. Each unit's packs go to "NAME.sub" in one
// write and its index line follows; a unit that cannot be written in full is
// cut off again, so both files always end on the last whole unit.
class VobSubWriter {
public:
    VobSubWriter() = default;
    VobSubWriter(const VobSubWriter&) = delete;
    VobSubWriter& operator=(const VobSubWriter&) = delete;
    ~VobSubWriter();  // discards files that were not closed

    // Starts both files (under temporary names; existing ones stay until
    // Close) and writes the index header. Throws FileError.
    void Create(const std::string& idxPath, const std::string& subPath, const VobSubHeader& header);
    // Sub-picture stream 0; every pack's SCR is the unit's presentation time.
    void Append(int64_t start, const std::vector<uint8_t>& unit);
    // Puts both files in place; a failure leaves both previous files.
    void Close();
    void Seal();
    void Discard();

private:
    FileSink idx_, sub_;
    uint64_t idxEnd_ = 0, subEnd_ = 0;  // where the last whole unit ends
};

}  // namespace glyphon
