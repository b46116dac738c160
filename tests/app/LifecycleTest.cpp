#include <gtest/gtest.h>

#include <filesystem>

#include "app/SettingsFile.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

using Lifecycle = ModelTest;

TEST_F(Lifecycle, CreationSetsDefaultsAndFlags) {
    TForm1& f = Start();
    EXPECT_EQ(f.Caption, "Glyphon By Morvane");
    EXPECT_EQ(f.ComboBoxFontName.Text(), "Arial");
    EXPECT_EQ(f.ComboBoxFontCharset.Text(), "DEFAULT");
    EXPECT_EQ(f.ComboBoxFontStyle.Text(), "Normal");
    EXPECT_EQ(f.ComboBoxFontSize.Text(), "20");
    EXPECT_EQ(f.ComboBoxAlign.Text(), "center");
    EXPECT_EQ(f.ComboBoxOutlineWidth.Text(), "3");
    for (const TComboBox* c : {&f.ComboBoxAntialias, &f.ComboBoxOutline, &f.ComboBoxText, &f.ComboBoxBg})
        EXPECT_EQ(c->Text(), "Color 0");
    EXPECT_EQ(f.offset.position, 30);
    EXPECT_EQ(f.offset_or.position, -4);
    EXPECT_EQ(f.LabelOffset.caption, "30");
    EXPECT_EQ(f.LabelOffset_Or.caption, "-4");
    EXPECT_TRUE(f.Pal.checked);
    EXPECT_FALSE(f.Pal.enabled);
    EXPECT_FALSE(f.Ntsc.enabled);
    EXPECT_EQ(f.EditLoadIfo.text, "Load IFO");
    EXPECT_EQ(f.EditLoadSrt.text, "Load SRT");
    EXPECT_TRUE(f.GenerationStopped);
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(f.IfoLoaded);
    EXPECT_TRUE(f.SubtitleFits);
    EXPECT_FALSE(f.NoIfoMode);
    EXPECT_FALSE(f.MonochromeIfo);
    EXPECT_FALSE(f.CommandLineMode);
    EXPECT_EQ(f.preview.Width(), 720);
    EXPECT_EQ(f.preview.Height(), 576);
}

TEST_F(Lifecycle, ResetRestoresDefaultsAndRebuildsFontListOnce) {
    TForm1& f = Start();
    const auto fonts = f.ComboBoxFontName.items;
    f.UserPick(f.ComboBoxFontSize, 3);
    f.UserPick(f.ComboBoxAlign, 2);
    f.SetOffsetPosition(100);
    f.SetOffsetOrPosition(6);
    f.LabelImageChangedPAL.caption = "/pictures/own.bmp";
    f.SubtitleLoaded = true;
    f.SubtitleFits = false;
    f.MonochromeIfo = true;
    f.GenerationStopped = true;
    f.BitBtnSetDefaultValuesClick();
    f.BitBtnSetDefaultValuesClick();
    EXPECT_EQ(f.ComboBoxFontName.items, fonts);
    EXPECT_EQ(f.ComboBoxFontName.itemIndex, 0);
    EXPECT_EQ(f.ComboBoxFontSize.itemIndex, 14);
    EXPECT_EQ(f.ComboBoxAlign.itemIndex, 0);
    EXPECT_EQ(f.offset.position, 30);
    EXPECT_EQ(f.offset_or.position, -4);
    EXPECT_EQ(f.LabelImageChangedPAL.caption, "");
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_TRUE(f.SubtitleFits);
    EXPECT_TRUE(f.MonochromeIfo);  // a reset leaves it alone
    EXPECT_FALSE(f.i_dont_have_ifo.checked);
}

TEST_F(Lifecycle, TrackBarsClampAndOffsetOrMovesOddToNextEven) {
    TForm1& f = Start();
    f.SetOffsetPosition(600);
    EXPECT_EQ(f.offset.position, 492);
    f.SetOffsetPosition(-5);
    EXPECT_EQ(f.offset.position, 8);
    EXPECT_EQ(f.LabelOffset.caption, "8");
    f.SetOffsetOrPosition(-13);
    EXPECT_EQ(f.offset_or.position, -12);
    EXPECT_EQ(f.LabelOffset_Or.caption, "-12");
    f.SetOffsetOrPosition(9);
    EXPECT_EQ(f.offset_or.position, 10);
    f.SetOffsetOrPosition(-20);
    EXPECT_EQ(f.offset_or.position, -14);
    f.SetOffsetOrPosition(11);
    EXPECT_EQ(f.offset_or.position, 10);
}

TEST_F(Lifecycle, LockingSwitchesGroupsListBatchAndCaption) {
    TForm1& f = Start();
    f.SetControlsEnabled(false);
    for (const TControl* c :
         {static_cast<TControl*>(&f.GroupBoxInput), static_cast<TControl*>(&f.GroupBoxColors),
          static_cast<TControl*>(&f.GroupBoxGeneralSettings), static_cast<TControl*>(&f.GroupBoxRenderFonts),
          static_cast<TControl*>(&f.ListBox1), static_cast<TControl*>(&f.ButtonBatch)})
        EXPECT_FALSE(c->enabled);
    EXPECT_TRUE(f.ButtonGenerateSup.enabled);
    EXPECT_EQ(f.ButtonGenerateSup.caption, "Abort");
    f.SetControlsEnabled(true);
    EXPECT_TRUE(f.GroupBoxInput.enabled);
    EXPECT_TRUE(f.ButtonBatch.enabled);
    EXPECT_EQ(f.ButtonGenerateSup.caption, "Generate Sup");
}

TEST_F(Lifecycle, ClosingWritesTheTenKeysInOrderAndRestartRestoresThem) {
    TForm1& f = Start();
    f.UserPick(f.ComboBoxFontSize, 20);
    f.UserPick(f.ComboBoxFontStyle, 4);
    f.UserPick(f.ComboBoxOutlineWidth, 2);
    f.SetOffsetPosition(77);
    f.SetOffsetOrPosition(2);
    f.LabelImageChangedNTSC.caption = "/home/me/ntsc.bmp";
    f.Placement = {true, 120, 80, false};
    f.FormClose();
    f.FormDestroy();  // closing already wrote the file

    const std::string ini = TempDir::Read(dir.File("Glyphon_Settings.ini"));
    const char* keys[] = {"LabelImageChangedPAL_Caption=",
                          "LabelImageChangedNTSC_Caption=/home/me/ntsc.bmp",
                          "ComboBoxAlign_ItemIndex=0",
                          "ComboBoxFontStyle_ItemIndex=4",
                          "ComboBoxFontCharset_ItemIndex=4",
                          "ComboBoxFontName_ItemIndex=0",
                          "ComboBoxFontSize_ItemIndex=20",
                          "ComboBoxOutlineWidth_ItemIndex=2",
                          "offset_Position=77",
                          "offset_or_Position=2"};
    size_t at = ini.find("[Form1]");
    ASSERT_NE(at, std::string::npos);
    for (const char* key : keys) {
        const size_t next = ini.find(std::string("\n") + key + "\n", at);
        ASSERT_NE(next, std::string::npos) << key << " in\n" << ini;
        at = next + 1;
    }

    TForm1& g = Start();
    EXPECT_EQ(g.ComboBoxFontSize.itemIndex, 20);
    EXPECT_EQ(g.ComboBoxFontStyle.itemIndex, 4);
    EXPECT_EQ(g.ComboBoxOutlineWidth.itemIndex, 2);
    EXPECT_EQ(g.offset.position, 77);
    EXPECT_EQ(g.offset_or.position, 2);
    EXPECT_EQ(g.LabelImageChangedNTSC.caption, "/home/me/ntsc.bmp");
    EXPECT_TRUE(g.Placement.valid);
    EXPECT_EQ(g.Placement.left, 120);
    EXPECT_EQ(g.Placement.top, 80);
}

TEST_F(Lifecycle, GarbageSettingsLeaveDefaultsAndOutOfRangeLeavesNoSelection) {
    dir.Write("Glyphon_Settings.ini",
              "[Form1]\r\nComboBoxFontSize_ItemIndex=big\r\noffset_Position=\r\noffset_or_Position=-3\r\n"
              "ComboBoxAlign_ItemIndex=7\r\nComboBoxFontStyle_ItemIndex=99999999999\r\nnonsense line\r\n"
              "[Other]\r\nComboBoxFontCharset_ItemIndex=0\r\n");
    TForm1& f = Start();
    EXPECT_EQ(f.ComboBoxFontSize.itemIndex, 14);
    EXPECT_EQ(f.offset.position, 30);
    EXPECT_EQ(f.offset_or.position, -2);
    EXPECT_EQ(f.ComboBoxAlign.itemIndex, -1);
    EXPECT_EQ(f.ComboBoxAlign.Text(), "");
    EXPECT_EQ(f.ComboBoxFontStyle.itemIndex, 0);
    EXPECT_EQ(f.ComboBoxFontCharset.itemIndex, 4);  // another section's key is not ours
}

TEST_F(Lifecycle, ChangesAreStoredAtOnceSoReturningFromAnotherWindowKeepsThem) {
    dir.Write("Glyphon_Settings.ini", "[Form1]\nComboBoxFontSize_ItemIndex=5\n");
    TForm1& f = Start();
    EXPECT_EQ(f.ComboBoxFontSize.itemIndex, 5);
    f.UserPick(f.ComboBoxFontSize, 9);
    f.SetOffsetOrPosition(6);  // as the track bar forwards a move
    EXPECT_NE(TempDir::Read(dir.File("Glyphon_Settings.ini")).find("offset_or_Position=6\n"),
              std::string::npos);
    f.ButtonAboutClick();  // returning from the About window activates the main window
    f.ButtonColorsHelpClick();
    EXPECT_EQ(f.ComboBoxFontSize.itemIndex, 9);
    EXPECT_EQ(f.offset_or.position, 6);
    EXPECT_EQ(ui.windows, (std::vector<WindowKind>{WindowKind::About, WindowKind::ColorsHelp}));

    // A file edited by hand meanwhile is still what activation reads.
    dir.Write("Glyphon_Settings.ini", "[Form1]\nComboBoxFontSize_ItemIndex=2\n");
    f.FormActivate();
    EXPECT_EQ(f.ComboBoxFontSize.itemIndex, 2);
}

TEST_F(Lifecycle, ACommandLineRunNeverWritesTheSettingsFile) {
    const std::string srt = dir.Write("a.srt", "1\n00:00:01,000 --> 00:00:02,000\nHi\n\n");
    // Refused (a font size position outside the list), so the window stays
    // open in command-line mode and the user may change things.
    TForm1& f = Start(
        {"glyphon", "-1", "none", srt, "-1", "1", "0", "3", "0", "0", "4", "0", "99", "0", "30", "-4", "1"});
    ASSERT_TRUE(f.CommandLineMode);
    f.UserPick(f.ComboBoxFontSize, 3);
    f.SetOffsetPosition(50);
    f.FormClose();
    EXPECT_FALSE(std::filesystem::exists(dir.File("Glyphon_Settings.ini")));
}

TEST_F(Lifecycle, NothingIsWrittenBeforeTheStoredSettingsWereRead) {
    form = std::make_unique<TForm1>(ui, text, Environment());
    form->FormCreate();
    form->UserPick(form->ComboBoxFontSize, 3);
    EXPECT_FALSE(std::filesystem::exists(dir.File("Glyphon_Settings.ini")));
}

TEST_F(Lifecycle, HandEditedSettingsAreReadAndRewrittenWithoutDuplicates) {
    dir.Write("Glyphon_Settings.ini", "[FORM1]\r\n  offset_Position = 100 \r\ncomboboxalign_itemindex=2\r\n");
    TForm1& f = Start();
    EXPECT_EQ(f.offset.position, 100);
    EXPECT_EQ(f.ComboBoxAlign.itemIndex, 2);
    f.SetOffsetPosition(30);
    f.FormClose();
    const std::string ini = TempDir::Read(dir.File("Glyphon_Settings.ini"));
    EXPECT_EQ(ini.find("offset_Position"), ini.rfind("offset_Position")) << ini;
    EXPECT_NE(ini.find("\noffset_Position=30\r\n"), std::string::npos) << ini;
}

TEST_F(Lifecycle, StoredPlacementAndShowStateAreReadBack) {
    dir.Write("Glyphon_Settings.ini", "[Form1]\nWindowLeft=-5000\nWindowTop=99999\nWindowState=1\n");
    TForm1& f = Start();
    EXPECT_TRUE(f.Placement.valid);
    EXPECT_EQ(f.Placement.left, -5000);
    EXPECT_EQ(f.Placement.top, 99999);
    EXPECT_TRUE(f.Placement.minimized);
    const std::vector<ScreenArea> screens = {{0, 0, 1280, 1024}};
    EXPECT_FALSE(PlacementReachable(f.Placement, 803, screens));
    EXPECT_FALSE(PlacementReachable({}, 803, screens));  // first start: nothing stored
    EXPECT_TRUE(PlacementReachable({true, 100, 50, false}, 803, screens));
    EXPECT_TRUE(PlacementReachable({true, 1280 - 100, 0, false}, 803, screens));  // 100 pixels of title left
    EXPECT_FALSE(PlacementReachable({true, 1280 - 99, 0, false}, 803, screens));
    EXPECT_FALSE(PlacementReachable({true, 100, 1024 - 11, false}, 803, screens));
    EXPECT_TRUE(PlacementReachable({true, 1300, 10, false}, 803, {{0, 0, 1280, 1024}, {1280, 0, 1024, 768}}));
    EXPECT_FALSE(PlacementReachable({true, 2147483000, 10, false}, 803, screens));  // no wrap into the screen
    EXPECT_EQ(CentredOn({0, 0, 1280, 1024}, 803, 705).x, 238);
    EXPECT_EQ(CentredOn({0, 0, 1280, 1024}, 803, 705).y, 159);
    EXPECT_EQ(CentredOn({0, 0, 640, 480}, 803, 705).y, 0);
}

TEST_F(Lifecycle, UnwritableSettingsFileDoesNotFailTheClose) {
    TForm1& f = Start();
    f.FormClose();
    // The settings path is a folder: nothing can be written there.
    TForm1 g(ui, text, [&] {
        auto env = Environment();
        env.settingsPath = dir.path();
        return env;
    }());
    g.FormCreate();
    EXPECT_NO_THROW(g.FormClose());
}

}  // namespace glyphon::test
