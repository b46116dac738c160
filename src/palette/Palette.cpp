#include "palette/Palette.h"

#include <cstdio>

#include "palette/ColorConversion.h"

namespace glyphon {

std::string EntryText(uint32_t E) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", unsigned(E));
    return text;
}

Rgb DisplayColor(uint32_t E) { return YCrCbToRGB(E); }

int EntryLuminance(std::string_view entryText) { return HexToInt(entryText.substr(2, 2)); }

bool IsGreyEntry(std::string_view entryText) { return entryText.substr(4, 4) == "8080"; }

LuminanceBand BandOf(int luminance) {
    if (luminance <= 70) return LuminanceBand::Dark;
    if (luminance <= 200) return LuminanceBand::Middle;
    return LuminanceBand::Bright;
}

DefaultRoles PickDefaultRoles(const std::array<uint32_t, kPaletteSize>& entries) {
    DefaultRoles roles;
    for (int n = 0; n < kPaletteSize; ++n) {
        const std::string text = EntryText(entries[size_t(n)]);
        if (!IsGreyEntry(text)) continue;
        std::optional<int>* mark = nullptr;
        switch (BandOf(EntryLuminance(text))) {
            case LuminanceBand::Dark:
                mark = &roles.dark;
                break;
            case LuminanceBand::Middle:
                mark = &roles.middle;
                break;
            case LuminanceBand::Bright:
                mark = &roles.bright;
                break;
        }
        if (!*mark) *mark = n;
    }
    return roles;
}

const std::array<GenericEntry, kPaletteSize>& GenericPalette() {
    static const std::array<GenericEntry, kPaletteSize> palette = [] {
        std::array<GenericEntry, kPaletteSize> p;
        for (int n = 0; n < kPaletteSize; ++n) {
            if (n < 4) {
                const uint8_t v = uint8_t(85 * n);
                const std::string d = std::to_string(v);
                p[size_t(n)] = GenericEntry{Rgb{v, v, v}, d + d + d, 1};
            } else {
                p[size_t(n)] = GenericEntry{Rgb{0, 0, 0}, "000000", 0};
            }
        }
        return p;
    }();
    return palette;
}

}  // namespace glyphon
