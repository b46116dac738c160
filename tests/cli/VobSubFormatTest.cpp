// --format and --language: VobSub written by the named command line, alone
// or beside the ".sup", read back by libavformat.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliSupport.h"
#include "support/DvdSubDecoder.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

TEST(VobSubFormat, BothFormatsCarryTheSameUnitsAndVobSubAloneWritesNoSup) {
    TempDir dir;
    const std::string subtitle = dir.File("film.srt");
    std::filesystem::copy_file(GLYPHON_SOURCE_DIR "/samples/sample.srt", subtitle);

    RunResult r = RunNamed({"--format", "sup,vobsub", "--language", "FR", "--standard", "ntsc", subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto records = SplitSupFile(TempDir::Read(dir.File("film.sup")));
    const auto got = DemuxSubtitles(dir.File("film.idx"));
    EXPECT_EQ(got.height, 480);
    ASSERT_EQ(got.packets.size(), records.size());
    ASSERT_FALSE(records.empty());
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(got.packets[i].ptsMs * 90, records[i].pts);
        EXPECT_EQ(got.packets[i].data, records[i].unit);
    }
    const std::string idx = TempDir::Read(dir.File("film.idx"));
    EXPECT_NE(idx.find("\nid: fr, index: 0\n"), std::string::npos);

    std::filesystem::remove(dir.File("film.sup"));
    r = RunNamed({"--format", "vobsub", "--standard", "ntsc", subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.sup")));
    // The default language; otherwise the same files.
    std::string en = idx;
    en.replace(en.find("id: fr"), 6, "id: en");
    EXPECT_EQ(TempDir::Read(dir.File("film.idx")), en);
    EXPECT_EQ(DemuxSubtitles(dir.File("film.idx")).packets.size(), records.size());
}

TEST(VobSubFormat, TheSixteenArgumentFormWritesTheSupOnlyEvenWithTheBoxStoredTicked) {
    TempDir dir;
    const std::string subtitle = dir.File("film.srt");
    std::filesystem::copy_file(GLYPHON_SOURCE_DIR "/samples/sample.srt", subtitle);
    dir.Write("Glyphon_Settings.ini", "[Form1]\nCheckBoxVobSub_Checked=-1\n");
    const RunResult r = RunSixteen(
        dir, {"-1", "none", subtitle, "-1", "1", "0", "3", "0", "0", "4", "0", "14", "0", "30", "-4", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("film.sup")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.idx")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.sub")));
}

}  // namespace glyphon::test
