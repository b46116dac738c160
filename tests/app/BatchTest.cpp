#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "app/BatchLine.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

namespace {

// Lines of a text file, split at line feeds; a carriage return stays in the
// line it ends.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = bytes.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(bytes.substr(start, nl - start));
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

}  // namespace

class Batch : public ModelTest {
protected:
    // A window with an IFO and a subtitle that fit, ready to add jobs.
    TForm1& Ready(std::vector<std::string> args = {"glyphon"}) {
        TForm1& f = Start(std::move(args));
        f.OpenDialogifo.fileName = "/disc/VIDEO_TS/VTS_01_0.IFO";
        f.OpenDialogsub.fileName = "/subs/film.srt";
        f.SubtitleLoaded = true;
        f.SubtitleFits = true;
        f.ComboBoxAntialias.SetItemIndex(1);
        f.ComboBoxOutline.SetItemIndex(2);
        f.ComboBoxText.SetItemIndex(3);
        f.ComboBoxBg.SetItemIndex(0);
        return f;
    }
    std::string Jobs() { return dir.File("jobs"); }
};

TEST_F(Batch, LineHoldsEveryQuotedFileAndPositionInOrder) {
    TForm1& f = Ready();
    ui.dialogAnswers.push_back(Jobs());
    f.ButtonBatchClick();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Job added to Batch file: " + Jobs() + ".bat"});
    const std::string expected = "\"" + dir.path() +
                                 "/glyphon\" 0 \"/disc/VIDEO_TS/VTS_01_0.IFO\" \"/subs/film.srt\" "
                                 "-1 1 2 3 0 0 4 0 14 0 30 -4 1";
    EXPECT_EQ(TempDir::Read(Jobs() + ".bat"), "#!/bin/sh\n" + expected + "\n");

    // No IFO ever loaded, NTSC, lists without a selection, odd offsets.
    f.OpenDialogifo.fileName.clear();
    f.i_dont_have_ifo.checked = true;
    f.Pal.checked = false;
    f.Ntsc.checked = true;
    f.ComboBoxFontName.SetItemIndex(-1);
    f.ComboBoxOutlineWidth.SetItemIndex(99);
    f.offset.position = 492;
    f.offset_or.position = -14;
    f.ButtonBatchClick();
    const auto lines = Lines(TempDir::Read(Jobs() + ".bat"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "\"" + dir.path() +
                            "/glyphon\" -1 \"none\" \"/subs/film.srt\" 0 1 2 3 0 -1 4 0 14 0 492 -14 -1");
}

TEST_F(Batch, FileIsAskedForOnceAndGetsBatAppended) {
    TForm1& f = Ready();
    ui.dialogAnswers.push_back(Jobs());
    f.ButtonBatchClick();
    f.ButtonBatchClick();
    EXPECT_EQ(ui.dialogTitles, std::vector<std::string>{"*.bat|*.bat"});
    EXPECT_EQ(f.OpenDialogBat.fileName, Jobs());
    const auto lines = Lines(TempDir::Read(Jobs() + ".bat"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "#!/bin/sh");
    EXPECT_EQ(lines[1], lines[2]);

    // Choosing the existing jobs.bat (any letter case) appends to it.
    f.OpenDialogBat.fileName = Jobs() + ".bat";
    f.ButtonBatchClick();
    EXPECT_EQ(Lines(TempDir::Read(Jobs() + ".bat")).size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(Jobs() + ".bat.bat"));
    f.OpenDialogBat.fileName = dir.File("Other.BAT");
    f.ButtonBatchClick();
    EXPECT_TRUE(std::filesystem::exists(dir.File("Other.BAT")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("Other.BAT.bat")));
}

TEST_F(Batch, NewFileIsExecutableAndExistingFileIsAppendedTo) {
    TForm1& f = Ready();
    f.OpenDialogBat.fileName = Jobs();
    f.ButtonBatchClick();
    struct stat st {};
    ASSERT_EQ(::stat((Jobs() + ".bat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755 & ~CurrentUmask());

    // A file of the user's own, its last line left open: kept, closed, and
    // given no interpreter line of ours.
    f.OpenDialogBat.fileName = dir.File("mine");
    dir.Write("mine.bat", "echo first\necho second");
    f.ButtonBatchClick();
    const auto lines = Lines(TempDir::Read(dir.File("mine.bat")));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "echo first");
    EXPECT_EQ(lines[1], "echo second");
    EXPECT_EQ(lines[2].rfind("\"" + dir.path() + "/glyphon\" 0 ", 0), 0u);
    EXPECT_EQ(TempDir::Read(dir.File("mine.bat")).find('\r'), std::string::npos);
}

TEST_F(Batch, RefusalsAndCancelWriteNothing) {
    TForm1& f = Ready();
    f.SubtitleFits = false;
    f.ButtonBatchClick();
    f.SubtitleLoaded = false;
    f.ButtonBatchClick();
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Please use smaller fonts.", "Load an srt"}));
    EXPECT_TRUE(ui.dialogTitles.empty());

    ui.messages.clear();
    f.SubtitleLoaded = f.SubtitleFits = true;
    ui.dialogAnswers.push_back(std::nullopt);
    f.ButtonBatchClick();
    EXPECT_EQ(ui.dialogTitles.size(), 1u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_TRUE(f.OpenDialogBat.fileName.empty());
    EXPECT_FALSE(std::filesystem::exists(Jobs() + ".bat"));
}

TEST_F(Batch, FileErrorIsReportedWithoutSuccessMessage) {
    TForm1& f = Ready();
    f.OpenDialogBat.fileName = dir.File("no such folder/jobs");
    f.ButtonBatchClick();
    EXPECT_EQ(ui.errors, std::vector<std::string>{"File not found."});
    EXPECT_TRUE(ui.messages.empty());

    // A folder in the way of the batch file.
    std::filesystem::create_directory(Jobs() + ".bat");
    f.OpenDialogBat.fileName = Jobs();
    f.ButtonBatchClick();
    EXPECT_EQ(ui.errors.size(), 2u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(BatchQuoting, EveryFileNameComesBackFromShUnchanged) {
    TempDir dir;
    // The program's folder itself needs quoting too.
    const std::string programDir = dir.File("tools $HOME `x`") + "/";
    std::filesystem::create_directory(programDir);
    // A stand-in program that writes its arguments, each ended by a NUL.
    const std::string out = dir.File("args.out");
    dir.Write("tools $HOME `x`/glyphon",
              "#!/bin/sh\nfor a; do printf '%s\\0' \"$a\"; done >> '" + out + "'\n");
    std::filesystem::permissions(programDir + "glyphon", std::filesystem::perms::owner_all);

    const std::vector<std::string> names = {
        "/subs/plain.srt",
        "/subs/with space and $dollar.srt",
        "/subs/\"quoted\" and `ticks` and \\back\\slash.srt",
        "/subs/$(touch pwned) ${HOME} $1 *.srt ; & | > < ' ! ~ # %.srt",
        "/subs/line\nbreak\ttab.srt",
        "/subs/trailing backslash\\",
    };
    BatchJob job;
    job.programDir = programDir;
    job.pal = false;
    job.offsetOr = -4;
    std::vector<std::vector<std::string>> expected;
    for (const auto& name : names) {
        job.ifoFile = name;
        job.subtitleFile = name;
        AppendBatchLine(dir.File("jobs.bat"), BatchJobLine(job));
        expected.push_back(
            {"0", name, name, "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "-4", "0"});
    }
    const std::string command = "cd '" + dir.path() + "' && sh jobs.bat";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("pwned")));

    const std::string bytes = TempDir::Read(out);
    std::vector<std::string> args;
    for (size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        args.push_back(bytes.substr(start, end - start));
    ASSERT_EQ(args.size(), names.size() * 16);
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(std::vector<std::string>(args.begin() + long(i * 16), args.begin() + long(i * 16 + 16)),
                  expected[i])
            << names[i];
}

}  // namespace glyphon::test
