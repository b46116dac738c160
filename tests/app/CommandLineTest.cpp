#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/CommandLine.h"
#include "app/FileArgument.h"
#include "app/HeadlessUi.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

namespace {

// A job with the generic palette and the default look, as a batch line holds
// it: program, then the 16 arguments.
std::vector<std::string> GenericJob(const std::string& subtitleFile) {
    return {"glyphon", "-1", "none", subtitleFile, "-1", "1",  "0",  "3", "0",
            "0",       "4",  "0",    "14",         "0",  "30", "-4", "1"};
}

constexpr const char* kTwoEntries =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\nTwo\r\nlines\r\n\r\n";

// The fake text engine gives every byte one pixel: this entry is 700 wide.
const std::string kTooWide = "1\r\n00:00:01,000 --> 00:00:02,500\r\n" + std::string(700, 'W') + "\r\n\r\n";

}  // namespace

class CommandLine : public ModelTest {
protected:
    // Creates the window only: the command line is examined, not run.
    TForm1& Create(std::vector<std::string> args) {
        form = std::make_unique<TForm1>(ui, text, Environment(std::move(args)));
        form->FormCreate();
        return *form;
    }
    std::string Subtitle() { return dir.Write("film.srt", kTwoEntries); }
};

TEST_F(CommandLine, CompleteLineIsStoredAndExtraArgumentsIgnored) {
    auto args = GenericJob("/subs/film.srt");
    args.push_back("extra");
    TForm1& f = Create(args);
    EXPECT_TRUE(f.CommandLineMode);
    EXPECT_EQ(f.CommandLineArgs, std::vector<std::string>(args.begin() + 1, args.begin() + 17));
}

TEST_F(CommandLine, IncompleteOrPlaceholderLinesStartInteractively) {
    const auto full = GenericJob("/subs/film.srt");
    auto nameFirst = full;
    nameFirst[1] = "haveifo";
    auto nameLast = full;
    nameLast[16] = "outline";
    auto emptyArg = full;
    emptyArg[3] = "";
    auto fifteen = full;
    fifteen.pop_back();
    // A name is refused only at its own position, and only in exact case.
    auto otherCase = full;
    otherCase[3] = "FileNameSub";
    auto otherPosition = full;
    otherPosition[3] = "filenameifo";
    for (const auto& args : {nameFirst, nameLast, emptyArg, fifteen, std::vector<std::string>{"glyphon"}}) {
        TForm1& f = Create(args);
        EXPECT_FALSE(f.CommandLineMode) << args.size();
        EXPECT_TRUE(f.CommandLineArgs.empty());
    }
    EXPECT_TRUE(RecognizeCommandLine(otherCase));
    EXPECT_TRUE(RecognizeCommandLine(otherPosition));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(CommandLine, ResetExaminesTheCommandLineAgain) {
    TForm1& f = Create(GenericJob("/subs/film.srt"));
    f.BitBtnSetDefaultValuesClick();
    EXPECT_TRUE(f.CommandLineMode);
    EXPECT_EQ(f.CommandLineArgs.size(), 16u);
}

TEST_F(CommandLine, SuccessfulRunWritesOutputsSilentlyAndEndsTheProgram) {
    const std::string srt = Subtitle();
    TForm1& f = Start(GenericJob(srt));
    EXPECT_EQ(ui.terminated, 0);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
    EXPECT_TRUE(ui.dialogTitles.empty());
    EXPECT_TRUE(std::filesystem::exists(dir.File("film.sup")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("film.Glyphon_Help.txt")));
    // The user's stored look is left alone.
    f.FormClose();
    EXPECT_FALSE(f.StoreEnabled);
    EXPECT_FALSE(std::filesystem::exists(dir.File("Glyphon_Settings.ini")));
}

TEST_F(CommandLine, ArgumentsReplaceThePalettesRolesAndFontSettings) {
    auto args = GenericJob(Subtitle());
    args[1] = "true";  // any letter case
    args[4] = "0";     // NTSC
    args[5] = "5";
    args[6] = "6";
    args[7] = "7";
    args[8] = "20";  // outside the list: no selection
    args[10] = "2";
    args[11] = "3";
    args[12] = "10";
    args[13] = "2";
    args[16] = "2";
    TForm1& f = Start(args);
    EXPECT_TRUE(f.i_dont_have_ifo.checked);
    EXPECT_TRUE(f.NoIfoMode);
    EXPECT_TRUE(f.IfoLoaded);
    EXPECT_TRUE(f.Ntsc.checked);
    EXPECT_FALSE(f.Pal.checked);
    EXPECT_EQ(f.ComboBoxAntialias.itemIndex, 5);
    EXPECT_EQ(f.ComboBoxOutline.itemIndex, 6);
    EXPECT_EQ(f.ComboBoxText.itemIndex, 7);
    EXPECT_EQ(f.ComboBoxBg.itemIndex, -1);
    EXPECT_EQ(f.ComboBoxFontCharset.itemIndex, 2);
    EXPECT_EQ(f.ComboBoxFontStyle.itemIndex, 3);
    EXPECT_EQ(f.ComboBoxFontSize.itemIndex, 10);
    EXPECT_EQ(f.ComboBoxAlign.itemIndex, 2);
    EXPECT_EQ(f.ComboBoxOutlineWidth.itemIndex, 2);
    EXPECT_EQ(f.OpenDialogifo.fileName, "none");
}

TEST_F(CommandLine, IfoJobTakesTheFilesStandardAndTheGivenRoles) {
    auto args = GenericJob(Subtitle());
    args[1] = "0";
    args[2] = GLYPHON_TEST_DATA "/ifo/pal/VTS_01_0.IFO";
    args[4] = "0";  // only for the generic palette
    args[5] = "5";
    args[6] = "6";
    args[7] = "7";
    args[8] = "8";
    TForm1& f = Start(args);
    EXPECT_EQ(ui.terminated, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(f.Pal.checked);
    EXPECT_FALSE(f.i_dont_have_ifo.checked);
    EXPECT_EQ(f.ComboBoxAntialias.itemIndex, 5);
    EXPECT_EQ(f.ComboBoxOutline.itemIndex, 6);
    EXPECT_EQ(f.ComboBoxText.itemIndex, 7);
    EXPECT_EQ(f.ComboBoxBg.itemIndex, 8);
}

TEST_F(CommandLine, IfoWithoutGreysShowsItsNoticeAndTheRunGoesOn) {
    auto args = GenericJob(Subtitle());
    args[1] = "0";
    args[2] = GLYPHON_TEST_DATA "/ifo/ntsc/VTS_01_0.IFO";
    TForm1& f = Start(args);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("ATTENTION :\r", 0), 0u);
    EXPECT_TRUE(f.MonochromeIfo);
    EXPECT_EQ(ui.terminated, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("film.Glyphon_Help.txt")));
}

TEST_F(CommandLine, OffsetsAreLimitedToTheirRangeAndMadeEven) {
    auto args = GenericJob(Subtitle());
    args[14] = "600";
    args[15] = "-13";
    TForm1& f = Start(args);
    EXPECT_EQ(f.offset.position, 492);
    EXPECT_EQ(f.offset_or.position, -12);
    EXPECT_EQ(f.LabelOffset.caption, "492");
    EXPECT_EQ(f.LabelOffset_Or.caption, "-12");

    args[14] = "-5";
    args[15] = "9";
    TForm1& g = Start(args);
    EXPECT_EQ(g.offset.position, 8);
    EXPECT_EQ(g.offset_or.position, 10);
}

TEST_F(CommandLine, TextThatIsNotANumberStopsTheRunWithTheRuntimesMessage) {
    auto args = GenericJob(Subtitle());
    args[1] = "yes";
    TForm1& f = Start(args);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"'yes' is not a valid boolean value."});
    EXPECT_FALSE(f.i_dont_have_ifo.checked);
    EXPECT_TRUE(f.OpenDialogsub.fileName.empty());
    EXPECT_FALSE(f.IfoLoaded);
    EXPECT_FALSE(ui.terminated);
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.sup")));
    // Still a command-line window: nothing is stored on close.
    f.FormClose();
    EXPECT_FALSE(std::filesystem::exists(dir.File("Glyphon_Settings.ini")));

    ui.errors.clear();
    args[1] = "-1";
    args[12] = "20pt";
    TForm1& g = Start(args);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"'20pt' is not a valid integer value."});
    EXPECT_EQ(g.ComboBoxFontSize.itemIndex, 14);
    EXPECT_FALSE(g.SubtitleLoaded);
    EXPECT_FALSE(ui.terminated);
}

TEST_F(CommandLine, MissingIfoFileStopsAfterTheLoadersError) {
    auto args = GenericJob(Subtitle());
    args[1] = "0";
    args[2] = dir.File("none");
    args[14] = "100";
    TForm1& f = Start(args);
    ASSERT_EQ(ui.errors, std::vector<std::string>{"File not found."});
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(f.IfoLoaded);
    EXPECT_EQ(f.offset.position, 30);
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(ui.terminated);
    EXPECT_TRUE(f.CommandLineMode);
}

TEST_F(CommandLine, TooWideLinesRefuseAndEveryActivationRunsAgain) {
    const std::string srt = dir.Write("film.srt", kTooWide);
    TForm1& f = Start(GenericJob(srt));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].rfind("The string \rWWW", 0), 0u);
    EXPECT_EQ(ui.messages[1], "Please load an Srt/Sub/Txt subtitle.");
    EXPECT_FALSE(ui.terminated);

    // Back from another window: the arguments are applied and run again.
    dir.Write("film.srt", kTwoEntries);
    f.FormActivate();
    EXPECT_EQ(ui.terminated, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("film.sup")));
}

TEST_F(CommandLine, MissingSubtitleFileDoesNotEndTheProgram) {
    TForm1& f = Start(GenericJob(dir.File("absent.srt")));
    EXPECT_FALSE(ui.errors.empty() && ui.messages.empty());
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(ui.terminated);
}

TEST_F(CommandLine, FileWithNothingReadableIsReportedAndNotGenerated) {
    const std::string srt = dir.Write("bad.srt", "1\n00:00:0x,000 --> 00:00:02,000\nText\n\n");
    TForm1& f = Start(GenericJob(srt));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(std::count(ui.messages.begin(), ui.messages.end(),
                         std::string(kLeftOutHeading) + "\rline 2: 00:00:0x,000 --> 00:00:02,000"),
              1);
    EXPECT_EQ(std::count(ui.messages.begin(), ui.messages.end(), "Please load an Srt/Sub/Txt subtitle."), 1);
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(ui.terminated);
}

TEST(HeadlessText, CarriageReturnsBecomeLineBreaks) {
    EXPECT_EQ(MessageAsLines("The string \rA\rB\ris too long."), "The string \nA\nB\nis too long.\n");
    EXPECT_EQ(MessageAsLines("one\r\ntwo\n"), "one\ntwo\n");
    EXPECT_EQ(MessageAsLines(""), "\n");
}

class Headless : public ModelTest {
protected:
    // Runs without a window; returns the exit status, `err` the text shown.
    int Run(std::vector<std::string> args, std::string& err) {
        std::FILE* f = std::tmpfile();
        const int status = RunHeadless(text, Environment(std::move(args)), f);
        std::rewind(f);
        err.clear();
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) err.append(buf, n);
        std::fclose(f);
        return status;
    }
};

TEST_F(Headless, SuccessExitsZeroQuietly) {
    std::string err;
    EXPECT_EQ(Run(GenericJob(dir.Write("film.srt", kTwoEntries)), err), 0);
    EXPECT_EQ(err, "");
    EXPECT_TRUE(std::filesystem::exists(dir.File("film.sup")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("Glyphon_Settings.ini")));
}

TEST_F(Headless, RefusalOrFailureExitsOneWithTheMessagesAsText) {
    std::string err;
    EXPECT_EQ(Run(GenericJob(dir.Write("film.srt", kTooWide)), err), 1);
    EXPECT_EQ(err.rfind("The string \nWWW", 0), 0u) << err;
    EXPECT_NE(err.find("WWW\n\nis too long. Please correct"), std::string::npos) << err;
    EXPECT_NE(err.find("\nPlease load an Srt/Sub/Txt subtitle.\n"), std::string::npos) << err;

    auto args = GenericJob(dir.File("film.srt"));
    args[16] = "x";
    EXPECT_EQ(Run(args, err), 1);
    EXPECT_EQ(err, "'x' is not a valid integer value.\n");
    EXPECT_EQ(Run({"glyphon", "film.srt"}, err), 1);
}

TEST_F(CommandLine, OneExistingFileIsOpenedAnythingElseIsNot) {
    const std::string srt = dir.Write("movie.srt", "");
    EXPECT_EQ(FileArgument({"glyphon", srt}), srt);
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(FileArgument({"glyphon", "./movie.srt"}), srt);  // made absolute
    std::filesystem::current_path(cwd);
    EXPECT_EQ(FileArgument({"glyphon"}), std::nullopt);
    EXPECT_EQ(FileArgument({"glyphon", dir.File("missing.srt")}), std::nullopt);
    EXPECT_EQ(FileArgument({"glyphon", dir.path()}), std::nullopt);  // a folder
    EXPECT_EQ(FileArgument({"glyphon", srt, srt}), std::nullopt);
    EXPECT_FALSE(RecognizeCommandLine({"glyphon", srt}));
}

}  // namespace glyphon::test
