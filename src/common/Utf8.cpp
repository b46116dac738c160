#include "common/Utf8.h"

namespace glyphon {

namespace {

// Length of a well-formed sequence starting at `s[i]`, or the length of its
// maximal ill-formed prefix as a negative number (at least one byte).
int SequenceAt(std::string_view s, size_t i, uint32_t& c) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = at(i);
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    int length;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        c = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
        if (b0 == 0xED) hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        c = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
    } else {
        return -1;
    }
    for (int k = 1; k < length; ++k) {
        if (i + size_t(k) >= s.size()) return -k;
        const unsigned char b = at(i + size_t(k));
        if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) return -k;
        c = (c << 6) | (b & 0x3F);
    }
    return length;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void DecodeUtf8(std::string_view text, std::vector<uint32_t>& out) {
    for (size_t i = 0; i < text.size();) {
        uint32_t c = 0;
        const int n = SequenceAt(text, i, c);
        out.push_back(n > 0 ? c : kReplacementCharacter);
        i += size_t(n > 0 ? n : -n);
    }
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t c = 0;
        const int n = SequenceAt(text, i, c);
        if (n > 0)
            out.append(text.substr(i, size_t(n)));
        else
            AppendUtf8(out, kReplacementCharacter);
        i += size_t(n > 0 ? n : -n);
    }
    return out;
}

std::string TerminalSafe(std::string_view text, std::string_view keep) {
    bool plain = true;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F) plain = false;
    }
    if (plain) return std::string(text);
    std::vector<uint32_t> chars;
    DecodeUtf8(text, chars);
    std::string out;
    out.reserve(text.size());
    static const char kHex[] = "0123456789abcdef";
    for (const uint32_t c : chars) {
        if (c < 0x20 && keep.find(char(c)) != std::string_view::npos) {
            out += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c >= 0x80 && c < 0xA0) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const auto unit = [&](size_t k) {
        const auto a = static_cast<unsigned char>(bytes[k]), b = static_cast<unsigned char>(bytes[k + 1]);
        return uint32_t(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, c);  // a lone surrogate becomes U+FFFD
    }
    if (i < bytes.size()) AppendUtf8(out, kReplacementCharacter);
    return out;
}

}  // namespace glyphon
