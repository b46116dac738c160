// --charset auto (the default) and --wrap on the named command line.
#include <gtest/gtest.h>

#include "cli/CliSupport.h"

namespace glyphon::test {

namespace {

std::string OneCue(const std::string& text) { return "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + text + "\r\n"; }

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

TEST_F(ReadingOptions, AutoReadsUtf8AsUtf8AndEverythingElseAsWindows1252) {
    const std::string utf8 = OneCue("Caf\xC3\xA9 cr\xC3\xA8me");
    const std::string automatic = Sup(utf8, {});
    EXPECT_EQ(automatic, Sup(utf8, {"--charset", "UTF-8"}));
    EXPECT_NE(automatic, Sup(utf8, {"--charset", "DEFAULT"}));  // "CafÃ©"

    // A Windows-1252 file keeps the bytes the DEFAULT set gives it.
    const std::string cp1252 = OneCue("Caf\xE9 cr\xE8me");
    EXPECT_EQ(Sup(cp1252, {"--charset", "auto"}), Sup(cp1252, {"--charset", "DEFAULT"}));
}

TEST_F(ReadingOptions, WrapBreaksALineThatWouldFailTheFile) {
    const std::string path = dir.Write("long.srt", OneCue("wrapping wrapping wrapping wrapping wrapping wrapping wrapping wrapping wrapping wrapping"));
    const RunResult refused = RunNamed({path});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("subtitle 1, line 1 is "), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("try a smaller --size or --wrap"), std::string::npos) << refused.err;
    const RunResult wrapped = RunNamed({"--wrap", path});
    EXPECT_EQ(wrapped.status, 0) << wrapped.err;
    EXPECT_FALSE(TakeOutputs(path).sup.empty());
    EXPECT_NE(UsageText().find("--wrap"), std::string::npos);
}

}  // namespace glyphon::test
