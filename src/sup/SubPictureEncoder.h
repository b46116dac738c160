// DVD sub-picture units: one rendered subtitle band, run-length coded as two
// interlaced fields, followed by the control sequences that show it with the
// chosen palette entries and hide it after the subtitle's duration.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Rgb.h"

namespace glyphon {

class CodeFrame;

// Palette entries (0..15) chosen for the four colour roles.

// The exact RGB colours the renderer paints the three drawn roles in.
struct RoleColours {
    Rgb antialias, outline, text;
};

// The 2-bit code of a pixel inside a unit.
enum PixelCode : uint8_t { kCodeBackground = 0, kCodeText = 1, kCodeOutline = 2, kCodeAntialias = 3 };

// Exact-colour classification. Later tests override earlier ones (antialias,
// then outline, then text), so when two roles share a colour text wins over
// outline and outline over antialias. Pure blue is background whatever it
// matched; any colour that is not a role colour is background too.
PixelCode ClassifyPixel(Rgb pixel, const RoleColours& colours);

// A unit whose size does not fit its 16-bit size field.
class UnitTooLargeError : public std::runtime_error {
public:
    explicit UnitTooLargeError(size_t size);
    size_t Size() const { return size_; }

private:
    size_t size_;
};

// The display time of a unit in the stop delay's units of 1024/90,000 s of a
// millisecond count: ms * 90 / 1024 rounded down, so that the subtitle is
// hidden at or up to 11.4 ms before its end, never after it. Negative
// durations give 0; the field is 16 bits wide, so longer times are held at
// 65,535.
uint16_t DisplayTimeUnits(int64_t durationMs);

// The largest unit the 16-bit size field can describe.
inline constexpr size_t kMaxUnitSize = 65535;

// Encodes frame rows bandTop .. bandTop + bandHeight - 1 as one unit.
// Throws std::invalid_argument when the frame is not 720 pixels wide, the band
// is empty, or any band row lies outside the frame; throws UnitTooLargeError
// when the unit would exceed 65,535 bytes.
std::vector<uint8_t> EncodeSubPicture(const Frame& frame, int BandTop, int BandHeight,
                                      const RoleIndices& indices, const RoleColours& colours,
                                      int64_t durationMs);

// The same encoder as an object that keeps its output buffer between units,
// for a generation run that encodes many subtitles in a row.
class SubPictureEncoder {
public:
    SubPictureEncoder() = default;
    SubPictureEncoder(const RoleIndices& indices, const RoleColours& colours)
        : indices_(indices), colours_(colours) {}

    void SetRoles(const RoleIndices& indices, const RoleColours& colours) {
        indices_ = indices;
        colours_ = colours;
    }

    // Forced units start with the forced start display command (0x00) in
    // place of start display (0x01): players show them even with subtitles
    // switched off (the foreign-language parts of a film).
    void SetForced(bool forced) { forced_ = forced; }

    // Encodes into the encoder's own buffer and returns it; the reference
    // stays valid until the next call.
    const std::vector<uint8_t>& Encode(const Frame& frame, int BandTop, int BandHeight, int64_t durationMs);

    // Encodes into `out` (replacing its contents, keeping its capacity).
    void EncodeInto(const Frame& frame, int BandTop, int BandHeight, int64_t durationMs,
                    std::vector<uint8_t>& out) const;

    // The same from the pixel codes of a CodeFrame: the same unit as from a
    // Frame whose colours classify to those codes.
    const std::vector<uint8_t>& Encode(const CodeFrame& frame, int BandTop, int BandHeight,
                                       int64_t durationMs);
    void EncodeInto(const CodeFrame& frame, int BandTop, int BandHeight, int64_t durationMs,
                    std::vector<uint8_t>& out) const;

private:
    template <class CodeRow>
    void EncodeUnit(int frameWidth, int frameHeight, int BandTop, int BandHeight, int64_t durationMs,
                    std::vector<uint8_t>& out, CodeRow codeRow) const;

    RoleIndices indices_;
    RoleColours colours_;
    bool forced_ = false;
    std::vector<uint8_t> buffer_;
};

}  // namespace glyphon
