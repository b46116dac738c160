// The palette as the main window shows it and as the colour roles use it:
// entry texts, display colours, the grey test, the luminance bands and the
// default roles taken from a palette's greys; and the generic palette for
// discs without a usable one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/Rgb.h"

namespace glyphon {

inline constexpr int kPaletteSize = 16;

// The four stored bytes in file order as 8 upper-case hexadecimal digits,
// e.g. "00EB8080" for white.
std::string EntryText(uint32_t E);

// The colour the entry is shown, drawn and recognised in.
Rgb DisplayColor(uint32_t E);

// Characters 3 and 4 of the entry text (the Y byte) as a number.
int EntryLuminance(std::string_view entryText);

// An entry is grey when its colour-difference digits (characters 5 to 8)
// are exactly "8080". The reserved byte does not matter.
bool IsGreyEntry(std::string_view entryText);

enum class LuminanceBand { Dark, Middle, Bright };

// Dark 0 to 70, middle 71 to 200, bright 201 to 255 (inclusive).
LuminanceBand BandOf(int luminance);

// The first grey entry of each band, in palette order.
struct DefaultRoles {
    std::optional<int> dark;    // background and outline
    std::optional<int> middle;  // antialias
    std::optional<int> bright;  // text

    // A palette is polychromatic when every band has a grey.
    bool Polychromatic() const { return dark && middle && bright; }
};

DefaultRoles PickDefaultRoles(const std::array<uint32_t, kPaletteSize>& entries);

// One entry of the generic palette as the swatches show it.
struct GenericEntry {
    Rgb color;
    std::string entryText;
    int labelShift;  // the number labels of the four greys sit one pixel to the right
};

// Greys 0, 85, 170, 255 (entry texts "000", "858585", "170170170",
// "255255255"), then twelve black entries ("000000"). On the disc these are
// Y 00, 55, AA, FF with no colour difference.
const std::array<GenericEntry, kPaletteSize>& GenericPalette();

// Generic roles: background 0, text 3, outline 0, antialias 1.
inline constexpr int kGenericBackground = 0;
inline constexpr int kGenericText = 3;
inline constexpr int kGenericOutline = 0;
inline constexpr int kGenericAntialias = 1;

}  // namespace glyphon
