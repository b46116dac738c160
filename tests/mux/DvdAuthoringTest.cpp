// A disc from a film and several subtitle streams: one muxed film read back
// by libavformat, and the written dvdauthor project authored by dvdauthor
// itself from another folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mux/DvdAuthoring.h"
#include "mux/DvdMux.h"
#include "sup/SubPictureEncoder.h"
#include "sup/SyntheticBand.h"
#include "support/DvdMpeg.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

using test::TempDir;

std::vector<TimedUnit> Units(int count, int firstMs, int frameHeight = 576) {
    std::vector<TimedUnit> units;
    SubPictureEncoder encoder(RoleIndices{1, 0, 3, 0}, test::kBandColours);
    for (int i = 0; i < count; ++i) {
        Frame frame(720, frameHeight);
        test::DrawTextBand(frame, 500, 30, uint32_t(i + 7));
        units.push_back({uint32_t((firstMs + i * 3000) * 90), encoder.Encode(frame, 500, 30, 2000)});
    }
    return units;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs dvdauthor on the project from a folder of its own, as a user would;
// returns what it printed and fails the test when it fails or warns.
std::string AuthorFromElsewhere(const TempDir& dir, const std::string& project) {
    std::filesystem::create_directories(dir.File("elsewhere"));
    const std::string command = "cd '" + dir.File("elsewhere") + "' && dvdauthor -o DVD -x '" + project +
                                "' >'" + dir.File("dvdauthor.log") + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = TempDir::Read(dir.File("dvdauthor.log"));
    EXPECT_EQ(status, 0) << "dvdauthor (Debian package dvdauthor) failed:\n" << log;
    EXPECT_EQ(log.find("WARN"), std::string::npos) << log;
    EXPECT_EQ(log.find("ERR"), std::string::npos) << log;
    return log;
}

TEST(DvdAuthoring, TwoLanguagesInOneFilmAndADiscBuiltFromTheProject) {
    TempDir dir;
    DvdAuthoringRequest request;
    request.video = test::DvdMpeg(true);
    request.stem = dir.File("movie");
    // The second stream's bytes wait in a spool file, as a run's do.
    const std::vector<TimedUnit> french = Units(3, 2000);
    UnitSpool spooled(dir.File("movie.muxed.mpg"));
    for (const TimedUnit& unit : french) spooled.Append(unit.pts, -1, unit.bytes);
    ASSERT_TRUE(spooled.Spooled());
    request.streams = {{0, "en", Units(5, 1000)}, {1, "fr", spooled}};
    request.palette = GenericDiscPalette();
    const DvdAuthoringResult result = AuthorDvdFilm(request);
    EXPECT_EQ(result.written,
              (std::vector<std::string>{dir.File("movie.muxed.mpg"), dir.File("movie.palette.yuv"),
                                        dir.File("movie.dvdauthor.xml")}));
    EXPECT_EQ(result.report.units, 8);
    EXPECT_TRUE(result.format.pal);
    EXPECT_FALSE(result.format.widescreen);

    // libavformat sees two sub-picture streams with every unit as written.
    const auto packets = test::DemuxProgramStream(dir.File("movie.muxed.mpg"));
    const auto en = test::UnitsOfStream(packets, 0x20), fr = test::UnitsOfStream(packets, 0x21);
    ASSERT_EQ(en.size(), 5u);
    ASSERT_EQ(fr.size(), 3u);
    for (size_t i = 0; i < fr.size(); ++i) EXPECT_EQ(fr[i].bytes, french[i].bytes);

    AuthorFromElsewhere(dir, dir.File("movie.dvdauthor.xml"));
    // The title set's IFO lists both streams with their languages (VTSI_MAT:
    // stream count at 0x254, 6-byte attributes from 0x256, language code in
    // bytes 2 and 3), and the video as 4:3 PAL (attributes at 0x200).
    const auto ifo = ReadBytes(dir.File("elsewhere/DVD/VIDEO_TS/VTS_01_0.IFO"));
    ASSERT_GT(ifo.size(), 0x300u);
    EXPECT_EQ(ifo[0x254] << 8 | ifo[0x255], 2);
    EXPECT_EQ(std::string(ifo.begin() + 0x256 + 2, ifo.begin() + 0x256 + 4), "en");
    EXPECT_EQ(std::string(ifo.begin() + 0x25C + 2, ifo.begin() + 0x25C + 4), "fr");
    EXPECT_EQ((ifo[0x200] >> 4) & 3, 1);  // PAL
    EXPECT_EQ((ifo[0x200] >> 2) & 3, 0);  // 4:3
    const auto vob = test::DemuxProgramStream(dir.File("elsewhere/DVD/VIDEO_TS/VTS_01_1.VOB"));
    EXPECT_EQ(test::UnitsOfStream(vob, 0x20).size(), 5u);
    EXPECT_EQ(test::UnitsOfStream(vob, 0x21).size(), 3u);

    // Adding a language to the muxed film keeps the earlier streams' logical
    // numbers and languages (from the earlier project beside it).
    DvdAuthoringRequest more;
    more.video = dir.File("movie.muxed.mpg");
    more.stem = dir.File("movie.de");
    more.streams = {{2, "de", Units(2, 1500)}};
    more.palette = GenericDiscPalette();
    AuthorDvdFilm(more);
    std::filesystem::remove_all(dir.File("elsewhere"));
    AuthorFromElsewhere(dir, dir.File("movie.de.dvdauthor.xml"));
    const auto three = ReadBytes(dir.File("elsewhere/DVD/VIDEO_TS/VTS_01_0.IFO"));
    ASSERT_GT(three.size(), 0x300u);
    EXPECT_EQ(three[0x254] << 8 | three[0x255], 3);
    const std::pair<int, std::string> languages[] = {{0x256, "en"}, {0x25C, "fr"}, {0x262, "de"}};
    for (const auto& [at, language] : languages)
        EXPECT_EQ(std::string(three.begin() + at + 2, three.begin() + at + 4), language);
}

TEST(DvdAuthoring, AWidescreenFilmGivesAWidescreenTitleSetFromStreamTwoOn) {
    TempDir dir;
    const VideoFormat format = ReadVideoFormat(test::WideDvdMpeg());
    EXPECT_TRUE(format.widescreen);
    EXPECT_EQ(format.width, 720);
    EXPECT_EQ(format.height, 576);
    EXPECT_FALSE(ReadVideoFormat(test::DvdMpeg(false)).pal);

    DvdAuthoringRequest request;
    request.video = test::WideDvdMpeg();
    request.stem = dir.File("wide & <odd> name");
    request.streams = {{2, "de", Units(2, 1000)}};
    request.palette = GenericDiscPalette();
    AuthorDvdFilm(request);
    AuthorFromElsewhere(dir, dir.File("wide & <odd> name.dvdauthor.xml"));
    const auto ifo = ReadBytes(dir.File("elsewhere/DVD/VIDEO_TS/VTS_01_0.IFO"));
    ASSERT_GT(ifo.size(), 0x300u);
    EXPECT_EQ((ifo[0x200] >> 2) & 3, 3);  // 16:9
    EXPECT_EQ(std::string(ifo.begin() + 0x256 + 2, ifo.begin() + 0x256 + 4), "de");
    const auto vob = test::DemuxProgramStream(dir.File("elsewhere/DVD/VIDEO_TS/VTS_01_1.VOB"));
    EXPECT_EQ(test::UnitsOfStream(vob, 0x22).size(), 2u);
}

// dvdauthor reads the project as UTF-8 XML and makes spaces of raw tabs and
// line ends in attributes: those are written as references, and names it
// could not read are refused.
TEST(DvdAuthoring, ProjectNamesSurviveTheXmlParser) {
    DvdAuthorProject project;
    project.paletteFile = "/films/a\tb/p.yuv";
    project.vobFile = "/films/two\nlines.mpg";
    const std::string xml = DvdAuthorProjectText(project);
    EXPECT_NE(xml.find("a&#9;b/p.yuv"), std::string::npos) << xml;
    EXPECT_NE(xml.find("two&#10;lines.mpg"), std::string::npos) << xml;
    EXPECT_EQ(xml.find('\t'), std::string::npos);
    for (const char* bad : {"/films/caf\xe9", "/films/bell\x07", "/films/\xc2\x85next"})
        EXPECT_TRUE(UnnameableInProject(bad).has_value()) << bad;
    EXPECT_FALSE(UnnameableInProject("/films/caf\xc3\xa9 \t\n").has_value());
}

TEST(DvdAuthoring, LanguageCodesFromFileNames) {
    EXPECT_EQ(LanguageFromFileName("/films/movie.fr.srt"), "fr");
    EXPECT_EQ(LanguageFromFileName("Movie.PT.sub"), "pt");
    EXPECT_EQ(LanguageFromFileName("a.b/movie.srt"), std::nullopt);
    EXPECT_EQ(LanguageFromFileName("movie.eng.srt"), std::nullopt);
    EXPECT_EQ(LanguageFromFileName(".fr.srt"), std::nullopt);
    EXPECT_EQ(LanguageFromFileName("movie.f1.srt"), std::nullopt);
}

}  // namespace
}  // namespace glyphon
