// --charset auto (the default) and wrapping (the default) on the named
// command line.
#include <gtest/gtest.h>

#include "cli/CliSupport.h"
#include "support/DvdSubDecoder.h"
#include "support/Legacy.h"

namespace glyphon::test {

namespace {

std::string OneCue(const std::string& text) {
    return "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + text + "\r\n";
}

}  // namespace

class ReadingOptions : public ::testing::Test {
protected:
    TempDir dir;
    // The ".sup" of `bytes` converted with `options`.
    std::string Sup(const std::string& bytes, std::vector<std::string> options) {
        const std::string path = dir.Write("file.srt", bytes);
        options.push_back(path);
        const RunResult r = RunNamed(options);
        EXPECT_EQ(r.status, 0) << r.err;
        return TakeOutputs(path).sup;
    }
};

TEST_F(ReadingOptions, AutoReadsUtf8AsUtf8AndWindows1252AsDefault) {
    const std::string utf8 = OneCue("Caf\xC3\xA9 cr\xC3\xA8me");
    const std::string automatic = Sup(utf8, {});
    EXPECT_EQ(automatic, Sup(utf8, {"--charset", "UTF-8"}));
    EXPECT_NE(automatic, Sup(utf8, {"--charset", "DEFAULT"}));  // "CafÃ©"

    // A Windows-1252 file keeps the bytes the DEFAULT set gives it.
    const std::string cp1252 = OneCue("Caf\xE9 cr\xE8me");
    EXPECT_EQ(Sup(cp1252, {"--charset", "auto"}), Sup(cp1252, {"--charset", "DEFAULT"}));
}

// Files in legacy code pages, found as uchardet finds them, are read in the
// item that reads them (or converted to UTF-8) and look as their UTF-8 text.
TEST_F(ReadingOptions, LegacyFilesDrawThePicturesOfTheirTextInUtf8) {
    const std::vector<Dialogue> dialogues = Dialogues();
    ASSERT_GE(dialogues.size(), 10u);
    for (const Dialogue& d : dialogues) {
        SCOPED_TRACE(d.code);
        const std::string utf8 = Sup(d.srt, {});
        const std::string path = dir.Write("legacy.srt", Encoded(d.srt, d.code));
        const RunResult r = RunNamed({path});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("(read as " + d.item + ")"), std::string::npos) << r.err;
        EXPECT_EQ(TakeOutputs(path).sup, utf8);
    }
    // --charset overrides: the Windows-1251 file read as DEFAULT is mojibake,
    // and the 16-argument line keeps the set it is given.
    const std::string path = dir.Write("legacy.srt", Encoded(dialogues[1].srt, dialogues[1].code));
    const RunResult r = RunNamed({"--charset", "DEFAULT", path});
    EXPECT_EQ(r.err.find("character set"), std::string::npos) << r.err;
    const std::string mojibake = TakeOutputs(path).sup;
    EXPECT_NE(mojibake, Sup(dialogues[1].srt, {}));
    ASSERT_EQ(RunSixteen(dir, {"-1", "none", path, "-1", "1", "0", "3", "0", "0", "4", "0", "14", "0", "30",
                               "-4", "1"})
                  .status,
              0);
    EXPECT_EQ(TakeOutputs(path).sup, mojibake);
}

// A line of words and a Chinese line without spaces, both too wide, are
// shown on two lines within the frame at the defaults; --no-wrap refuses.
TEST_F(ReadingOptions, LinesTooWideAreWrappedUnlessNoWrapIsGiven) {
    const std::pair<std::string, std::string> cases[] = {
        {"wrapping wrapping wrapping wrapping wrapping wrapping wrapping wrapping wrapping wrapping",
         "wrapping"},
        {"我们一起去看电影吧。好主意，我听说那部新片很好看。那我七点在车站等你，别迟到哦！", "我们"}};
    DvdSubDecoder decoder;
    const auto picture = [&](const std::string& path) {
        const std::vector<SupRecord> units = SplitSupFile(TakeOutputs(path).sup);
        EXPECT_EQ(units.size(), 1u);
        return units.empty() ? std::nullopt : decoder.Decode(units.front().unit);
    };
    for (const auto& [text, start] : cases) {
        const std::string path = dir.Write("long.srt", OneCue(text));
        const RunResult refused = RunNamed({"--no-wrap", path});
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("subtitle 1, line 1 is "), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("leave out --no-wrap"), std::string::npos) << refused.err;
        ASSERT_EQ(RunNamed({path}).status, 0);
        const auto wrapped = picture(path);
        ASSERT_EQ(RunNamed({dir.Write("long.srt", OneCue(start))}).status, 0);
        const auto line = picture(path);
        ASSERT_TRUE(wrapped && line);
        EXPECT_GE(wrapped->x, 0);
        EXPECT_LE(wrapped->x + wrapped->w, 720);
        EXPECT_GT(wrapped->h, line->h * 3 / 2) << "two lines";
        EXPECT_LT(wrapped->h, line->h * 5 / 2) << "not three";
    }
}

}  // namespace glyphon::test
