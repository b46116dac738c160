// Files that start with a byte-order mark: Unicode text whatever character
// set is chosen, read by both readers and recognised by both probes.
#include <gtest/gtest.h>

#include "SubtitleFiles.h"
#include "subtitle/TextFile.h"

namespace glyphon::test {
namespace {

using ByteOrderMark = SubtitleFiles;

const std::string kUtf8Mark = "\xEF\xBB\xBF";

// Each character of `ascii` as one UTF-16 unit, with the mark first.
std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

const std::string kSrt = "1\r\n00:00:01,000 --> 00:00:02,500\r\nA\r\nB\r\n\r\n";

TEST_F(ByteOrderMark, EveryMarkReadsAsTheSameSubRipEntries) {
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"utf8.srt", kUtf8Mark + kSrt}, {"le.srt", Utf16(kSrt, false)}, {"be.srt", Utf16(kSrt, true)}}) {
        SCOPED_TRACE(name);
        subs.Clear();
        Load(name, bytes);
        EXPECT_TRUE(sink.shown.empty());
        EXPECT_TRUE(subs.Utf8);
        ASSERT_EQ(subs.Count(), 1);
        ExpectEntry(1, "1000", "2500", "A", "B");
    }
    Load("plain.srt", kSrt);
    EXPECT_FALSE(subs.Utf8);
}

TEST_F(ByteOrderMark, Utf16IsConvertedToUtf8WithSurrogatesAndBrokenUnits) {
    // U+00E9, U+4E2D, U+1F600 as a pair, a lone high surrogate, an odd byte.
    const std::string le = std::string(
                               "\xFF\xFE{\0"
                               "1\0}\0{\0"
                               "1\0}\0"
                               "2\0"
                               "5\0\n\0{\0"
                               "5\0}\0{\0"
                               "9\0}\0",
                               32) +
                           std::string("\xE9\0\x2D\x4E\x3D\xD8\x00\xDE\x3D\xD8x\0\n", 13);
    Load("wide.sub", le);
    ASSERT_TRUE(subs.Loaded);
    ASSERT_EQ(subs.Count(), 1);
    ExpectEntry(1, "200", "360", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xEF\xBF\xBDx\xEF\xBF\xBD");
}

TEST_F(ByteOrderMark, MicroDvdFirstLineAfterTheMarkIsTheFrameRate) {
    Load("mark.sub", kUtf8Mark + "{1}{1}25\n{100}{200}Caf\xC3\xA9\n");
    EXPECT_TRUE(sink.shown.empty());
    ASSERT_EQ(subs.Count(), 1);
    ExpectEntry(1, "4000", "8000", "Caf\xC3\xA9");
    Load("wide.sub", Utf16("{1}{1}25\n{100}{200}Hi\n", true));
    ExpectEntry(1, "4000", "8000", "Hi");
}

TEST_F(ByteOrderMark, OnlyAMarkOrInvalidUtf8HasAClearOutcome) {
    for (const std::string name : {"a.srt", "b.sub"}) {
        for (const std::string& mark : {kUtf8Mark, std::string("\xFF\xFE"), std::string("\xFE\xFF")}) {
            sink.shown.clear();
            Load(name, mark);
            EXPECT_EQ(sink.shown, std::vector<std::string>{kUnsupported}) << name;
            EXPECT_FALSE(subs.Loaded);
        }
    }
    // Broken sequences are kept as they are: drawing shows them as U+FFFD.
    Load("broken.srt", kUtf8Mark + "1\n00:00:01,000 --> 00:00:02,000\n\xC3(\xFF\xE2\x82\n");
    ExpectEntry(1, "1000", "2000", "\xC3(\xFF\xE2\x82");
}

TEST_F(ByteOrderMark, ProbesSeeTheLinesAfterTheMark) {
    const std::string path = dir.Write("p.srt", Utf16(kSrt, false));
    EXPECT_TRUE(TSubtitle::IsSrtFile(path));
    EXPECT_EQ(textfile::ReadFirstLines(path, 3, 4), (std::vector<std::string>{"1", "00:0", "A"}));
    EXPECT_EQ(textfile::ReadFirstLines(dir.Write("q.sub", kUtf8Mark + "{1}"), 1, 8),
              std::vector<std::string>{"{1}"});
}

}  // namespace
}  // namespace glyphon::test
