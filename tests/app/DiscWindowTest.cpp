// The window makes a whole disc: two subtitle files of two languages listed,
// a film chosen, one Generate; dvdauthor then builds the disc from the
// project as the help file prints it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/DvdMpeg.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

namespace {

// dvdauthor run as a help file prints it, from a folder of its own; fails
// the test on an error or a warning.
void AuthorAsPrinted(const TempDir& dir, const std::string& command) {
    std::filesystem::create_directories(dir.File("elsewhere"));
    const int status = std::system(
        ("cd '" + dir.File("elsewhere") + "' && " + command + " >'" + dir.File("dvdauthor.log") + "' 2>&1")
            .c_str());
    const std::string log = TempDir::Read(dir.File("dvdauthor.log"));
    EXPECT_EQ(status, 0) << "dvdauthor (Debian package dvdauthor): " << command << "\n" << log;
    EXPECT_EQ(log.find("WARN"), std::string::npos) << log;
}

}  // namespace

class DiscWindow : public ModelTest {};

TEST_F(DiscWindow, TwoLanguagesInOneFilmAuthoredByDvdauthor) {
    TForm1& f = Start();
    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    ui.dialogAnswers.push_back(dir.Write("film.srt",
                                         "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n"
                                         "2\n00:00:03,000 --> 00:00:04,000\nAgain\n\n") +
                               "\n" +
                               dir.Write("film.fr.srt", "1\n00:00:01,500 --> 00:00:02,500\nBonjour\n\n"));
    f.ButtonAddFilesClick();
    ui.dialogAnswers.push_back(out);
    f.ButtonOutputFolderClick();
    ui.dialogAnswers.push_back(WideDvdMpeg());
    f.CheckBoxMux.checked = true;
    f.CheckBoxMuxClick();
    ASSERT_TRUE(f.SubtitleLoaded);
    ui.errors.clear();
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
    EXPECT_TRUE(f.RunWarnings.empty());

    // One film, one project; each file its own ".sup".
    for (const char* made :
         {"film.muxed.mpg", "film.palette.yuv", "film.dvdauthor.xml", "film.sup", "film.fr.sup"})
        EXPECT_TRUE(std::filesystem::exists(out + "/" + made)) << made;
    EXPECT_FALSE(std::filesystem::exists(out + "/film.fr.muxed.mpg"));
    const auto packets = DemuxProgramStream(out + "/film.muxed.mpg");
    EXPECT_EQ(UnitsOfStream(packets, 0x20).size(), 2u);
    EXPECT_EQ(UnitsOfStream(packets, 0x21).size(), 1u);

    // Every help file's dvdauthor command is the one disc's and builds as
    // printed; then every file a help names exists.
    std::vector<std::string> helps, commands;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        if (entry.path().string().find("Glyphon_Help") != std::string::npos)
            helps.push_back(TempDir::Read(entry.path().string()));
    EXPECT_EQ(helps.size(), 2u);
    for (const std::string& help : helps) {
        std::smatch line;
        if (std::regex_search(help, line, std::regex("dvdauthor -o [^\r\n]+")))
            commands.push_back(line.str());
    }
    ASSERT_FALSE(commands.empty());
    for (const std::string& command : commands) EXPECT_EQ(command, commands.front());  // one disc
    AuthorAsPrinted(dir, commands.front());
    for (const std::string& help : helps) {
        const std::regex named(out + "/[^\\s'\"]*[^\\s'\".,:;]");
        for (auto m = std::sregex_iterator(help.begin(), help.end(), named); m != std::sregex_iterator(); ++m)
            EXPECT_TRUE(std::filesystem::exists(m->str())) << m->str() << " in\n" << help;
    }
    std::string ifo;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out + "/film.dvd"))
        if (entry.path().filename() == "VTS_01_0.IFO") ifo = TempDir::Read(entry.path().string());
    ASSERT_GT(ifo.size(), 0x300u);
    EXPECT_EQ(uint8_t(ifo[0x254]) << 8 | uint8_t(ifo[0x255]), 2);  // the title set's sub-picture streams
    EXPECT_EQ(ifo.substr(0x258, 2), "en");
    EXPECT_EQ(ifo.substr(0x25E, 2), "fr");

    // That film chosen again for a third language: its stream goes after
    // the film's two, and the new project names all three.
    const std::string again = dir.File("again");
    std::filesystem::create_directory(again);
    ui.dialogAnswers.push_back(again);
    f.ButtonOutputFolderClick();
    ui.dialogAnswers.push_back(dir.Write("film.de.srt", "1\n00:00:01,000 --> 00:00:02,000\nHallo\n\n"));
    f.ButtonLoadSubClick();
    ui.dialogAnswers.push_back(out + "/film.muxed.mpg");
    f.CheckBoxMux.checked = true;
    f.CheckBoxMuxClick();
    ui.errors.clear();
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
    const auto remuxed = DemuxProgramStream(again + "/film.de.muxed.mpg");
    EXPECT_EQ(UnitsOfStream(remuxed, 0x20).size(), 2u);
    EXPECT_EQ(UnitsOfStream(remuxed, 0x22).size(), 1u);
    const std::string project = TempDir::Read(again + "/film.de.dvdauthor.xml");
    for (const char* language : {"lang=\"en\"", "lang=\"fr\"", "lang=\"de\""})
        EXPECT_NE(project.find(language), std::string::npos) << project;
}

}  // namespace glyphon::test
