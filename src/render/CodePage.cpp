#include "render/CodePage.h"

#include <iconv.h>

#include <cerrno>

#include "common/Utf8.h"

namespace glyphon {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool IsDoubleByte(const std::string& codePage) {
    return codePage == "CP932" || codePage == "CP936" || codePage == "CP949" || codePage == "CP950" ||
           codePage == "JOHAB";
}

void FillTable(const std::string& codePage, std::array<uint32_t, 256>& table) {
    for (int b = 0; b < 256; ++b) table[size_t(b)] = uint32_t(b);  // Latin-1
    if (codePage.empty()) return;
    iconv_t cd = iconv_open("UTF-32LE", codePage.c_str());
    if (cd == kNoConverter) return;
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        char* inp = &in;
        size_t inLeft = 1;
        uint32_t out[4] = {};
        char* outp = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        // Some converters (1258) hold a character back to compose it with a
        // following accent: flush it out.
        if (rc != size_t(-1)) iconv(cd, nullptr, nullptr, &outp, &outLeft);
        table[size_t(b)] = rc != size_t(-1) && outLeft < sizeof out ? out[0] : kNoCharacter;
    }
    iconv_close(cd);
}

}  // namespace

CodePageReader::CodePageReader(const std::string& codePage) {
    if (codePage == "UTF-8") {
        multiByte_ = utf8_ = true;
        return;
    }
    if (IsDoubleByte(codePage)) {
        iconv_t cd = iconv_open("UTF-32LE", codePage.c_str());
        if (cd != kNoConverter) {
            iconv_ = cd;
            multiByte_ = true;
            return;
        }
    }
    FillTable(codePage, table_);
}

CodePageReader::~CodePageReader() {
    if (iconv_) iconv_close(static_cast<iconv_t>(iconv_));
}

void CodePageReader::Decode(std::string_view text, std::vector<uint32_t>& out) {
    out.clear();
    if (utf8_) return DecodeUtf8(text, out);
    if (!iconv_) {
        for (const unsigned char b : text) out.push_back(table_[b]);
        return;
    }
    iconv_t cd = static_cast<iconv_t>(iconv_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inp = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    uint32_t buffer[64];
    while (inLeft > 0) {
        char* outp = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        const size_t produced = (sizeof buffer - outLeft) / 4;
        out.insert(out.end(), buffer, buffer + produced);
        if (rc != size_t(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (a lead byte without its trail byte at the end).
        out.push_back(kNoCharacter);
        ++inp;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

}  // namespace glyphon
