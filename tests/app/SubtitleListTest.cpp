// The window's subtitle list: several files with their languages in stream
// order, added from the dialog, the start or a drop; the film, the output
// folder and the folders remembered.
#include <gtest/gtest.h>

#include "app/FileArgument.h"
#include "support/DvdMpeg.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

namespace {

std::string Srt(const std::string& text) { return "1\n00:00:01,000 --> 00:00:02,000\n" + text + "\n\n"; }

std::vector<std::pair<std::string, std::string>> Listed(const TForm1& f) {
    std::vector<std::pair<std::string, std::string>> listed;
    for (const auto& item : f.SubtitleFiles)
        listed.push_back({item.file.substr(item.file.rfind('/') + 1), item.language});
    return listed;
}

}  // namespace

class SubtitleList : public ModelTest {
protected:
    TForm1& WithThree() {
        TForm1& f = Start();
        ui.dialogAnswers.push_back(dir.Write("film.srt", Srt("Hello")) + "\n" +
                                   dir.Write("film.fr.srt", Srt("Bonjour")) + "\n" +
                                   dir.Write("film.DE.srt", Srt("Hallo")));
        f.ButtonAddFilesClick();
        return f;
    }
};

TEST_F(SubtitleList, FilesAddedAtOnceKeepTheirOrderAndTakeTheirLanguagesFromTheirNames) {
    TForm1& f = WithThree();
    EXPECT_TRUE(f.OpenDialogAddSubs.multiSelect);
    EXPECT_EQ(Listed(f),
              (decltype(Listed(f)){{"film.srt", "en"}, {"film.fr.srt", "fr"}, {"film.DE.srt", "de"}}));
    // The first one added is selected and loaded, with the generic palette.
    EXPECT_EQ(f.ListBoxFiles.itemIndex, 0);
    EXPECT_TRUE(f.SubtitleLoaded);
    EXPECT_EQ(f.ListBox1.items, std::vector<std::string>{"Hello"});
    EXPECT_TRUE(f.SeveralFiles());

    // Picking another loads it; its language labels the VobSub index.
    f.ListBoxFilesSelect(1);
    EXPECT_EQ(f.ListBox1.items, std::vector<std::string>{"Bonjour"});
    EXPECT_EQ(f.VobSubLanguage, "fr");
    EXPECT_EQ(f.EditLanguage.text, "fr");

    // Moved, renamed, removed: the order is the stream order.
    f.ButtonFileDownClick();
    f.EditLanguageChange("IT");
    EXPECT_EQ(Listed(f),
              (decltype(Listed(f)){{"film.srt", "en"}, {"film.DE.srt", "de"}, {"film.fr.srt", "it"}}));
    f.ButtonFileUpClick();
    f.ButtonFileUpClick();
    EXPECT_EQ(f.ListBoxFiles.itemIndex, 0);
    EXPECT_FALSE(f.ButtonFileUp.enabled);
    f.ButtonRemoveFileClick();
    EXPECT_EQ(Listed(f), (decltype(Listed(f)){{"film.srt", "en"}, {"film.DE.srt", "de"}}));
    EXPECT_EQ(f.ListBox1.items, std::vector<std::string>{"Hello"});  // the next one is loaded

    // "Load SRT" makes it a list of one again: the defined single-file window.
    ui.dialogAnswers.push_back(dir.File("film.DE.srt"));
    f.ButtonLoadSubClick();
    EXPECT_EQ(Listed(f), (decltype(Listed(f)){{"film.DE.srt", "de"}}));
    EXPECT_FALSE(f.SeveralFiles());
}

TEST_F(SubtitleList, ALanguageIsTwoLetters) {
    TForm1& f = WithThree();
    ui.messages.clear();
    for (const char* wrong : {"e", "eng", "e1", "", "é"}) {
        f.EditLanguageChange(wrong);
        EXPECT_EQ(f.SubtitleFiles[0].language, "en") << wrong;
        EXPECT_EQ(f.EditLanguage.text, "en") << wrong;
    }
    EXPECT_EQ(ui.messages.size(), 5u);
}

TEST_F(SubtitleList, SeveralFilesAtStartOrDroppedGoToTheList) {
    const std::string a = dir.Write("a.srt", Srt("one")), b = dir.Write("b.es.srt", Srt("dos"));
    const WindowStart start = ExamineWindowArguments({"glyphon", a, b});
    ASSERT_EQ(start.kind, WindowStart::Files);
    TForm1& f = Start();
    CarryOutWindowStart(f, start);
    EXPECT_EQ(Listed(f), (decltype(Listed(f)){{"a.srt", "en"}, {"b.es.srt", "es"}}));
    EXPECT_TRUE(ui.errors.empty());
    // Not every argument a file: the window as it is.
    EXPECT_EQ(ExamineWindowArguments({"glyphon", a, dir.File("none.srt")}).kind, WindowStart::Plain);
}

TEST_F(SubtitleList, FilmAndOutputFolderAreShownAndRemembered) {
    TForm1& f = WithThree();
    ui.dialogAnswers.push_back(WideDvdMpeg());
    f.CheckBoxMux.checked = true;
    f.CheckBoxMuxClick();
    EXPECT_NE(f.LabelFilm.caption.find("PAL"), std::string::npos) << f.LabelFilm.caption;
    EXPECT_NE(f.LabelFilm.caption.find("16:9"), std::string::npos) << f.LabelFilm.caption;
    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    ui.dialogAnswers.push_back(out);
    f.ButtonOutputFolderClick();
    EXPECT_TRUE(f.OpenDialogOutputFolder.folder);
    EXPECT_EQ(f.OutputFolder, out);
    f.FormClose();

    TForm1& again = Start();
    EXPECT_EQ(again.OutputFolder, out);
    EXPECT_EQ(again.OpenDialogMux.fileName, WideDvdMpeg());  // the dialog opens on it
    EXPECT_FALSE(again.CheckBoxMux.checked);                 // but nothing is muxed unasked
    EXPECT_EQ(again.OpenDialogAddSubs.initialDir, dir.path());
    again.ButtonOutputFolderClearClick();
    EXPECT_TRUE(again.OutputFolder.empty());
}

}  // namespace glyphon::test
