#include <gtest/gtest.h>

#include "common/Utf8.h"

namespace glyphon {

namespace {
std::vector<uint32_t> Decode(std::string_view s) {
    std::vector<uint32_t> out;
    DecodeUtf8(s, out);
    return out;
}
constexpr uint32_t R = kReplacementCharacter;
}  // namespace

TEST(Utf8, WellFormedSequencesOfEveryLength) {
    EXPECT_EQ(Decode("a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"),
              (std::vector<uint32_t>{'a', 0xE9, 0x4E2D, 0x1F600}));
    std::string s;
    for (uint32_t c : {0x41u, 0xE9u, 0x4E2Du, 0x1F600u, 0xD800u, 0x110000u}) AppendUtf8(s, c);
    EXPECT_EQ(s, "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8, EachMaximalIllFormedPartIsOneReplacement) {
    // Stray continuation, never-lead bytes, a cut sequence, overlong, surrogate, past U+10FFFF.
    EXPECT_EQ(Decode("\x80x"), (std::vector<uint32_t>{R, 'x'}));
    EXPECT_EQ(Decode("\xC0\xAF\xFF"), (std::vector<uint32_t>{R, R, R}));
    EXPECT_EQ(Decode("\xE2\x82x\xF0\x9F\x98"), (std::vector<uint32_t>{R, 'x', R}));
    EXPECT_EQ(Decode("\xE0\x80\x80"), (std::vector<uint32_t>{R, R, R}));
    EXPECT_EQ(Decode("\xED\xA0\x80"), (std::vector<uint32_t>{R, R, R}));
    EXPECT_EQ(Decode("\xF4\x90\x80\x80"), (std::vector<uint32_t>{R, R, R, R}));
    EXPECT_EQ(ValidUtf8("ok\xC3\xA9\xC3"), "ok\xC3\xA9\xEF\xBF\xBD");
}

TEST(Utf8, Utf16BothByteOrdersPairsAndBrokenUnits) {
    EXPECT_EQ(Utf16ToUtf8(std::string("A\0\xE9\0", 4), false), "A\xC3\xA9");
    EXPECT_EQ(Utf16ToUtf8(std::string("\0A\xD8\x3D\xDE\x00", 6), true), "A\xF0\x9F\x98\x80");
    // A low surrogate alone, a high one at the end, an odd last byte.
    EXPECT_EQ(Utf16ToUtf8(std::string("\x00\xDC\x3D\xD8", 4), false), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8("A", false), "\xEF\xBF\xBD");
}

TEST(Utf8, TerminalSafeEscapesEveryControlCharacter) {
    const struct {
        std::string in, out;
    } cases[] = {{"plain é", "plain é"},
                 {"\x1b]0;title\x07", "\\x1b]0;title\\x07"},
                 {"a\x7f\xc2\x9b"
                  "2J",
                  "a\\x7f\\u009b2J"},
                 {"\x9b bad", "\xef\xbf\xbd bad"},
                 {"line\nnext\ttab", "line\\x0anext\\x09tab"}};
    for (const auto& c : cases) EXPECT_EQ(TerminalSafe(c.in), c.out) << c.in;
    EXPECT_EQ(TerminalSafe("a\nb\x1b", "\n"), "a\nb\\x1b");
}

}  // namespace glyphon
