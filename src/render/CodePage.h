// Subtitle bytes read as characters in the code page of a character set: the
// one reading shared by the text engine (what is drawn and measured) and
// DisplayText (what the list and the messages show).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace glyphon {

// A byte or byte sequence the code page cannot read.
inline constexpr uint32_t kNoCharacter = 0xFFFFFFFFu;

class CodePageReader {
public:
    // `codePage` as CodePageOf gives it: "" reads every byte as Latin-1 (the
    // symbol set without a symbol face), "UTF-8" as UTF-8, the double-byte
    // pages (932, 936, 949, 950, Johab) through iconv, every other page byte
    // by byte from a table. A page iconv does not know reads as Latin-1.
    explicit CodePageReader(const std::string& codePage);
    ~CodePageReader();
    CodePageReader(const CodePageReader&) = delete;
    CodePageReader& operator=(const CodePageReader&) = delete;

    // Whether characters may take more than one byte (Decode must be used).
    bool MultiByte() const { return multiByte_; }
    // The character of one byte of a single-byte page.
    uint32_t ByteCharacter(unsigned char b) const { return table_[b]; }
    const std::array<uint32_t, 256>& ByteTable() const { return table_; }

    // Replaces `out` with the characters of `text`. Each byte the page cannot
    // read (a malformed UTF-8 part: one character) becomes kNoCharacter
    // (U+FFFD for UTF-8).
    void Decode(std::string_view text, std::vector<uint32_t>& out);
    // The same, with the byte offset in `text` each character starts at.
    void Decode(std::string_view text, std::vector<uint32_t>& out, std::vector<size_t>& starts);

private:
    std::array<uint32_t, 256> table_{};
    bool multiByte_ = false;
    bool utf8_ = false;
    void* iconv_ = nullptr;  // iconv_t of a double-byte page
};

}  // namespace glyphon
