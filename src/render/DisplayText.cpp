#include "render/DisplayText.h"

#include <iconv.h>

#include <cerrno>

#include "common/Utf8.h"
#include "render/FontTables.h"

namespace glyphon {

namespace {

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Through iconv, one U+FFFD for every byte it cannot read.
std::string Convert(std::string_view bytes, iconv_t cd) {
    std::string out;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outp = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outp, &outLeft);
        out.append(buffer, size_t(outp - buffer));
        if (rc != size_t(-1)) break;
        if (errno == E2BIG) continue;
        AppendUtf8(out, kReplacementCharacter);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // A character held back to be composed with a following accent.
    char* outp = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outp, &outLeft);
    out.append(buffer, size_t(outp - buffer));
    return out;
}

}  // namespace

std::string DisplayText(std::string_view bytes, int charset) {
    const std::string codePage = CodePageOf(charset);
    if (codePage == "UTF-8") return ValidUtf8(bytes);
    if (IsAscii(bytes)) return std::string(bytes);
    iconv_t cd = codePage.empty() ? reinterpret_cast<iconv_t>(-1) : iconv_open("UTF-8", codePage.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::string out;  // Latin-1
        for (const char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
        return out;
    }
    std::string out = Convert(bytes, cd);
    iconv_close(cd);
    return out;
}

}  // namespace glyphon
