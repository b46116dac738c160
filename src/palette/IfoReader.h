// Reading the sub-picture palette and video standard from a title set's
// information file (VTS_xx_0.IFO). Pure file access, no window state.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace glyphon {

// What a title set's IFO file tells the subtitle encoder.
struct IfoPalette {
    // The first program chain's 16 palette entries, each the four stored
    // bytes (reserved, Y, Cr, Cb) read as one big-endian number.
    std::array<uint32_t, 16> entries{};
    // The title set's video attributes word (big-endian, at 0x200).
    uint16_t attributes = 0;

    // Bit 12 of the attributes: PAL (720 x 576) when set, NTSC otherwise.
    bool IsPal() const { return (attributes & 0x1000) != 0; }
};

// The error number reported for a seek to a negative position. The runtime
// the program grew up on positioned files with SetFilePointer, which refuses
// a negative position with ERROR_NEGATIVE_SEEK (131), and reported it as
// "I/O error 131"; users and batch logs know that text, so it is kept.
inline constexpr int kNegativeSeekError = 131;
// What is said instead: the sentence, with the number those users know.
inline constexpr const char* kNotAnIfoText =
    "The file is not a DVD IFO file: the palette it points to lies outside the file (I/O error 131)";

// What is said of a pipe, device or socket given as the IFO.
inline constexpr const char* kNotARegularIfoText =
    "Not a regular file (a pipe, device or socket); an IFO is read from a file on disk";

// Whether the file starts as a DVD title set's IFO does ("DVDVIDEO-VTS").
// Throws FileError as ReadIfoPalette.
bool StartsAsTitleSetIfo(const std::string& path);

// Reads, in this order: S (4 bytes at 204, the sector of the program-chain
// table), P (4 bytes at S * 2048 + 12, the first program chain's offset in
// that table), the 16 palette entries from S * 2048 + P + 164 on, and the
// attributes word (2 bytes at 512). Positions are computed in 32-bit signed
// arithmetic and wrap as such.
//
// Reading past the end of the file is not an error: bytes beyond the end are
// simply not delivered, and the part of the read buffer they would have
// filled keeps what it held. One 4-byte buffer, zero at the start, serves S,
// P and every entry in turn; the 2-byte buffer of the attributes starts as
// zero. A short or foreign file thus yields some palette, never a failure.
//
// Throws FileError with the runtime's texts ("File not found", "File access
// denied", ...; FileErrorText), and kNotAnIfoText for a negative position.
IfoPalette ReadIfoPalette(const std::string& path);

}  // namespace glyphon
