#include "render/DisplayText.h"

#include <vector>

#include "common/Utf8.h"
#include "render/CodePage.h"
#include "render/FontTables.h"

namespace glyphon {

std::string DisplayText(std::string_view bytes, int charset) {
    const std::string codePage = CodePageOf(charset);
    if (codePage == "UTF-8") return ValidUtf8(bytes);
    bool ascii = true;
    for (const char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(bytes);
    CodePageReader reader(codePage);
    std::vector<uint32_t> characters;
    reader.Decode(bytes, characters);
    std::string out;
    for (const uint32_t c : characters) AppendUtf8(out, c == kNoCharacter ? kReplacementCharacter : c);
    return out;
}

}  // namespace glyphon
