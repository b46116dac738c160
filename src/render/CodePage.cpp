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

void CodePageReader::Decode(std::string_view text, std::vector<uint32_t>& out, std::vector<size_t>& starts) {
    out.clear();
    starts.clear();
    if (!multiByte_) {
        for (size_t i = 0; i < text.size(); ++i) {
            out.push_back(table_[static_cast<unsigned char>(text[i])]);
            starts.push_back(i);
        }
        return;
    }
    std::vector<uint32_t> one;
    if (utf8_) {
        // Each character on its own: a lead byte and the continuation bytes
        // after it (a stray one stands alone).
        for (size_t i = 0; i < text.size();) {
            size_t end = i + 1;
            if (static_cast<unsigned char>(text[i]) >= 0xC0)
                while (end < text.size() && end - i < 4 &&
                       (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
                    ++end;
            DecodeUtf8(text.substr(i, end - i), one);
            for (const uint32_t c : one) {
                out.push_back(c);
                starts.push_back(i);
            }
            one.clear();
            i = end;
        }
        return;
    }
    // One character at a time: an output room of one character makes iconv
    // stop after each.
    iconv_t cd = static_cast<iconv_t>(iconv_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inp = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        const size_t at = text.size() - inLeft;
        uint32_t c = 0;
        char* outp = reinterpret_cast<char*>(&c);
        size_t outLeft = sizeof c;
        const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        if (outLeft == 0) {
            out.push_back(c);
            starts.push_back(at);
            continue;
        }
        if (rc != size_t(-1)) break;
        if (errno == E2BIG) {  // a shift sequence alone: nothing to place
            if (text.size() - inLeft == at) break;
            continue;
        }
        out.push_back(kNoCharacter);
        starts.push_back(at);
        ++inp;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

}  // namespace glyphon
