#include "mux/PaletteFile.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "common/StagedFile.h"

namespace glyphon {

DiscPalette GenericDiscPalette() {
    DiscPalette palette;
    // Video range: black is Y' 16 and white Y' 235 on the disc.
    palette.fill(0x108080);
    palette[1] = 0x558080;
    palette[2] = 0xAA8080;
    palette[3] = 0xEB8080;
    return palette;
}

std::string PaletteFileText(const DiscPalette& palette) {
    std::string text;
    for (const uint32_t entry : palette) {
        char line[8];
        std::snprintf(line, sizeof line, "%06X\n", unsigned(entry & 0xFFFFFF));
        text += line;
    }
    return text;
}

void WritePaletteFile(const std::string& path, const DiscPalette& palette) {
    WriteFileReplacing(path, PaletteFileText(palette));
}

}  // namespace glyphon
