// glyphon convert for a DVD: several languages muxed into one film with a
// dvdauthor project, text drawn for 16:9 pictures, colours by name and
// forced subtitles, each judged by libavformat, libavcodec's dvdsub decoder,
// ffmpeg's colour conversion and dvdauthor.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/CliSupport.h"
#include "support/DvdMpeg.h"
#include "support/DvdSubDecoder.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

namespace {

constexpr const char* kEnglish =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello there\r\n\r\n"
    "2\r\n00:00:04,000 --> 00:00:06,000\r\nTwo\r\nlines\r\n\r\n"
    "3\r\n00:00:08,000 --> 00:00:09,000\r\nThree\r\n\r\n";
constexpr const char* kFrench =
    "1\r\n00:00:01,500 --> 00:00:03,000\r\nBonjour\r\n\r\n"
    "2\r\n00:00:05,000 --> 00:00:07,000\r\nAu revoir\r\n\r\n";
constexpr const char* kLongLine =
    "1\r\n00:00:01,000 --> 00:00:03,000\r\nThe quick brown fox jumps over the lazy dog\r\n\r\n";

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// dvdauthor from a folder of its own; fails the test on an error or warning.
void AuthorFromElsewhere(const TempDir& dir, const std::string& project) {
    std::filesystem::create_directories(dir.File("elsewhere"));
    const int status = std::system(("cd '" + dir.File("elsewhere") + "' && dvdauthor -o DVD -x '" + project +
                                    "' >'" + dir.File("dvdauthor.log") + "' 2>&1")
                                       .c_str());
    const std::string log = TempDir::Read(dir.File("dvdauthor.log"));
    EXPECT_EQ(status, 0) << "dvdauthor (Debian package dvdauthor):\n" << log;
    EXPECT_EQ(log.find("WARN"), std::string::npos) << log;
}

// The columns between the leftmost and the rightmost text pixel (code 1) of
// the first unit of a ".sup".
int TextWidth(const std::string& sup) {
    DvdSubDecoder decoder;
    const auto picture = decoder.Decode(SplitSupFile(sup).at(0).unit);
    if (!picture) return 0;
    int left = picture->w, right = -1;
    for (const auto& row : picture->codes)
        for (int x = 0; x < int(row.size()); ++x)
            if (row[size_t(x)] == 1) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return right - left + 1;
}

// The palette file's Y Cr Cb entries as ffmpeg converts them to RGB (its
// default for video without colour information: BT.601, video range).
std::array<uint32_t, 16> PaletteAsFfmpegSeesIt(const TempDir& dir, const std::string& paletteFile) {
    const std::string text = TempDir::Read(paletteFile);
    std::string planes(48, '\0');  // a 16x1 yuv444p picture: Y, Cb, Cr planes
    for (size_t i = 0; i < 16; ++i) {
        const uint32_t e = uint32_t(std::stoul(text.substr(i * 7, 6), nullptr, 16));
        planes[i] = char(e >> 16);
        planes[32 + i] = char(e >> 8);  // Cr
        planes[16 + i] = char(e);       // Cb
    }
    dir.Write("palette.yuv444p", planes);
    EXPECT_TRUE(Run("ffmpeg -nostdin -y -f rawvideo -pix_fmt yuv444p -s 16x1 -i '" +
                    dir.File("palette.yuv444p") + "' -f rawvideo -pix_fmt rgb24 '" + dir.File("palette.rgb") +
                    "'"))
        << "ffmpeg (Debian package ffmpeg)";
    const std::string rgb = TempDir::Read(dir.File("palette.rgb"));
    std::array<uint32_t, 16> palette{};
    for (size_t i = 0; i < 16 && rgb.size() >= 48; ++i)
        palette[i] = uint32_t(uint8_t(rgb[3 * i])) << 16 | uint32_t(uint8_t(rgb[3 * i + 1])) << 8 |
                     uint8_t(rgb[3 * i + 2]);
    return palette;
}

}  // namespace

TEST(DvdAuthoringOptions, EveryFileIsOneLanguageOfOneFilmAndTheProjectBuildsTheDisc) {
    TempDir dir;
    const std::string en = dir.Write("movie.srt", kEnglish);
    const std::string fr = dir.Write("movie.fr.srt", kFrench);
    const RunResult r = RunNamed({"--mux", DvdMpeg(true), "-o", dir.File("out"), en, fr});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/movie.fr.muxed.mpg")));
    // Each help file names only files that were written.
    for (const char* help : {"out/movie.Glyphon_Help.txt", "out/movie.fr.Glyphon_Help.txt"}) {
        std::istringstream lines(TempDir::Read(dir.File(help)));
        int named = 0;
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind(dir.File("out/"), 0) != 0) continue;
            ++named;
            EXPECT_TRUE(std::filesystem::exists(line)) << help << " names " << line;
        }
        EXPECT_GE(named, 2) << help;
    }
    EXPECT_NE(TempDir::Read(dir.File("out/movie.Glyphon_Help.txt")).find("streams 0 (en), 1 (fr)"),
              std::string::npos);

    const auto packets = DemuxProgramStream(dir.File("out/movie.muxed.mpg"));
    EXPECT_EQ(UnitsOfStream(packets, 0x20).size(), 3u);
    EXPECT_EQ(UnitsOfStream(packets, 0x21).size(), 2u);
    // The ".sup" of each file holds the units of its stream.
    EXPECT_EQ(UnitsOfStream(packets, 0x21).at(1).bytes,
              SplitSupFile(TempDir::Read(dir.File("out/movie.fr.sup"))).at(1).unit);

    AuthorFromElsewhere(dir, dir.File("out/movie.dvdauthor.xml"));
    const auto ifo = Bytes(TempDir::Read(dir.File("elsewhere/DVD/VIDEO_TS/VTS_01_0.IFO")));
    ASSERT_GT(ifo.size(), 0x300u);
    EXPECT_EQ(ifo[0x254] << 8 | ifo[0x255], 2);  // sub-picture streams of the title set
    EXPECT_EQ(std::string(ifo.begin() + 0x258, ifo.begin() + 0x25A), "en");
    EXPECT_EQ(std::string(ifo.begin() + 0x25E, ifo.begin() + 0x260), "fr");

    // --language names them in file order, from --stream on.
    const RunResult named = RunNamed({"--mux", DvdMpeg(true), "--stream", "3", "--language", "DE,it",
                                      "--format", "sup,vobsub", "-o", dir.File("named"), en, fr});
    ASSERT_EQ(named.status, 0) << named.err;
    const std::string project = TempDir::Read(dir.File("named/movie.dvdauthor.xml"));
    EXPECT_NE(project.find("<subpicture lang=\"de\">\n        <stream mode=\"normal\" id=\"3\" />"),
              std::string::npos)
        << project;
    EXPECT_NE(project.find("<subpicture lang=\"it\">\n        <stream mode=\"normal\" id=\"4\" />"),
              std::string::npos)
        << project;
    EXPECT_NE(TempDir::Read(dir.File("named/movie.fr.idx")).find("id: it"), std::string::npos);
}

TEST(DvdAuthoringOptions, OnA16x9FilmTheSameLineIsThreeQuartersAsWide) {
    TempDir dir;
    const std::string subtitle = dir.Write("line.srt", kLongLine);
    ASSERT_EQ(RunNamed({"--mux", DvdMpeg(true), "-o", dir.File("normal"), subtitle}).status, 0);
    const RunResult wide = RunNamed({"--mux", WideDvdMpeg(), "-o", dir.File("wide"), subtitle});
    ASSERT_EQ(wide.status, 0) << wide.err;
    const int normalWidth = TextWidth(TempDir::Read(dir.File("normal/line.sup")));
    const int wideWidth = TextWidth(TempDir::Read(dir.File("wide/line.sup")));
    ASSERT_GT(normalWidth, 300);
    // Hinted glyphs stand on whole pixels (a TrueType face is hinted at a
    // whole number of pixels per em), so the ratio is near, not at, 3/4.
    EXPECT_NEAR(double(wideWidth) / normalWidth, 0.75, 0.03) << wideWidth << " of " << normalWidth;

    const std::string project = TempDir::Read(dir.File("wide/line.dvdauthor.xml"));
    EXPECT_NE(project.find("aspect=\"16:9\" widescreen=\"nopanscan\""), std::string::npos) << project;
    AuthorFromElsewhere(dir, dir.File("wide/line.dvdauthor.xml"));
    // --aspect 16:9 draws the same without a film.
    ASSERT_EQ(RunNamed({"--aspect", "16:9", "-o", dir.File("asked"), subtitle}).status, 0);
    EXPECT_EQ(TempDir::Read(dir.File("asked/line.sup")), TempDir::Read(dir.File("wide/line.sup")));
}

TEST(DvdAuthoringOptions, TextColorYellowDecodesAsYellowOnTheDiscAndInVobSub) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", kEnglish);
    const RunResult r = RunNamed({"--text-color", "yellow", "--outline-color", "#000080", "--format",
                                  "sup,vobsub", "--mux", DvdMpeg(true), subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    // Generic roles: text 3, outline 0, antialias 1 (a grey, kept; every Y'
    // within 16 to 235).
    const std::string paletteText = TempDir::Read(dir.File("film.palette.yuv"));
    EXPECT_EQ(paletteText.substr(0, 28), "1D77B8\n558080\nAA8080\nD29210\n") << paletteText;
    EXPECT_EQ(paletteText.substr(28, 7), "108080\n");

    const auto palette = PaletteAsFfmpegSeesIt(dir, dir.File("film.palette.yuv"));
    DvdSubDecoder decoder(palette);
    const auto units = UnitsOfStream(DemuxProgramStream(dir.File("film.muxed.mpg")), 0x20);
    ASSERT_EQ(units.size(), 3u);
    const auto picture = decoder.Decode(units[0].bytes);
    ASSERT_TRUE(picture);
    const uint32_t text = picture->argb[1] & 0xFFFFFF;
    EXPECT_NEAR(int(text >> 16), 255, 3) << std::hex << text;
    EXPECT_NEAR(int(text >> 8 & 0xFF), 255, 3) << std::hex << text;
    EXPECT_NEAR(int(text & 0xFF), 0, 3) << std::hex << text;
    const uint32_t outline = picture->argb[2] & 0xFFFFFF;
    EXPECT_NEAR(int(outline & 0xFF), 0x80, 3) << std::hex << outline;

    // The VobSub index carries the colours themselves.
    const DemuxedSubtitles vobsub = DemuxSubtitles(dir.File("film.idx"));
    ASSERT_EQ(vobsub.packets.size(), 3u);
    EXPECT_EQ(vobsub.packets[0].rgb[1], 0xFFFF00u);
    EXPECT_EQ(vobsub.packets[0].rgb[2], 0x000080u);
}

TEST(DvdAuthoringOptions, ForcedUnitsStartWithTheForcedStartDisplayCommand) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", kEnglish);
    for (const bool forced : {true, false}) {
        std::vector<std::string> args{"-o", dir.File(forced ? "forced" : "plain"), subtitle};
        if (forced) args.insert(args.begin(), "--forced");
        ASSERT_EQ(RunNamed(args).status, 0);
        const auto records =
            SplitSupFile(TempDir::Read(dir.File(forced ? "forced/film.sup" : "plain/film.sup")));
        ASSERT_EQ(records.size(), 3u);
        DvdSubDecoder decoder;
        for (const SupRecord& record : records) {
            const size_t control = size_t(record.unit[2]) << 8 | record.unit[3];
            EXPECT_EQ(record.unit.at(control + 4), forced ? 0x00 : 0x01);
            const auto picture = decoder.Decode(record.unit);
            ASSERT_TRUE(picture);
            EXPECT_EQ(picture->forced, forced);
        }
    }
}

TEST(DvdAuthoringOptions, RefusesWhatCannotBeAuthored) {
    TempDir dir;
    const std::string a = dir.Write("a.srt", kEnglish), b = dir.Write("b.srt", kFrench);
    EXPECT_EQ(RunNamed({"--text-color", "sunshine", a}).err,
              "--text-color: 'sunshine' is not a colour name or #RRGGBB");
    EXPECT_EQ(RunNamed({"--ifo", "x.IFO", "--text-color", "red", a}).status, kExitUsage);
    EXPECT_EQ(RunNamed({"--colors", "3,3,1,0", "--text-color", "red", "--outline-color", "blue", a}).err,
              "--text-color and --outline-color colour the same palette entry 3");
    EXPECT_EQ(RunNamed({"--language", "en,fr,de", a, b}).err, "--language names 3 codes for 2 files");
    EXPECT_EQ(RunNamed({"--aspect", "5:4", a}).err, "--aspect: '5:4' is not 4:3 or 16:9");
    EXPECT_EQ(RunNamed({"--mux", "film.mpg", "--stream", "31", a, b}).err,
              "--mux: 2 files from stream 31 on would go past stream 31");
    // A file that fails leaves no muxed film, and the others' files wait
    // for the mux with it.
    const std::string bad = dir.Write("bad.srt", "1\r\nnot a time\r\nx\r\n\r\n");
    const RunResult r = RunNamed({"--mux", DvdMpeg(true), a, bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("a.muxed.mpg not written"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.muxed.mpg")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.sup")));
}

}  // namespace glyphon::test
