// Where a line too wide may be broken, judged by the text: Latin between
// words only, CJK between characters but never before closing punctuation,
// Thai between the words it was written with; the same places in a legacy
// code page as in UTF-8.
#include <gtest/gtest.h>

#include "render/LineBreaks.h"
#include "support/Legacy.h"

namespace glyphon::test {

namespace {

// The pieces of `text` broken at every place it may be broken.
std::vector<std::string> Pieces(const std::string& text, const std::string& codePage = "UTF-8") {
    std::vector<std::string> out;
    size_t at = 0;
    for (const LineBreak& b : LineBreaks(text, codePage)) {
        out.push_back(text.substr(at, b.end - at));
        at = b.begin;
    }
    out.push_back(text.substr(at));
    return out;
}

}  // namespace

TEST(LineBreaks, FallBetweenWordsCharactersAndThaiWords) {
    const std::vector<std::string> cases[] = {
        {"Where", "are", "you", "going,", "Mr.", "Anderson?"},
        {"你", "好，", "我", "们", "走", "吧！"},
        {"「ちょっ", "と", "待っ", "て」", "と", "言っ", "た。"},
        {"แมว", "กิน", "ปลา", "ที่", "ตลาด"},
    };
    for (const std::vector<std::string>& pieces : cases) {
        std::string text;
        for (const std::string& piece : pieces) {
            // Words of scripts with spaces are written with two between them.
            const bool spaced = static_cast<unsigned char>(piece[0]) < 0x80;
            text += (text.empty() || !spaced ? "" : "  ") + piece;
        }
        EXPECT_EQ(Pieces(text), pieces) << text;
    }
}

TEST(LineBreaks, LegacyCodePagesBreakAtTheSameCharacters) {
    const std::string texts[][2] = {{"我们一起去看电影吧。好主意，", "CP936"},
                                    {"おはようございます。今日はいい天気ですね。", "CP932"},
                                    {"Привет! Ты уже слышал новости?", "CP1251"}};
    for (const auto& [utf8, page] : texts) {
        std::vector<std::string> pieces = Pieces(Encoded(utf8, page), page);
        for (std::string& piece : pieces) piece = Encoded(piece, "UTF-8", page.c_str());
        EXPECT_EQ(pieces, Pieces(utf8)) << page;
    }
}

}  // namespace glyphon::test
