// The palette side of the main window driven as the user drives it: loading
// IFO files authored by dvdauthor, the fallback to the generic palette, the
// no-IFO box and the role lists.
#include <gtest/gtest.h>

#include <filesystem>

#include "palette/IfoReader.h"
#include "subtitle/Subtitle.h"
#include "support/ModelFixture.h"

namespace glyphon::test {
namespace {

const std::string kPalIfo = std::string(GLYPHON_TEST_DATA) + "/ifo/pal/VTS_01_0.IFO";    // polychromatic
const std::string kNtscIfo = std::string(GLYPHON_TEST_DATA) + "/ifo/ntsc/VTS_01_0.IFO";  // no bright grey

const char* const kFallbackMessage =
    "ATTENTION :\r"
    "Your loaded ifo has not a polycromatic color palette.\r"
    "Probably this ifo does not contain any subtitle and you are tryng to add the first one. \r"
    "Glyphon will create an generic polycromatic color palette in order to generate a correct colored sup "
    "file.\r"
    "After the generation of the sup file , Glyphon will tell you what to do using Ifoedit.\r"
    "For now just load your Srt and press Generate sup.";

struct Roles {
    int bg, text, outline, antialias;
    friend bool operator==(const Roles&, const Roles&) = default;
};

Roles RolesOf(const TForm1& f) {
    return {f.ComboBoxBg.itemIndex, f.ComboBoxText.itemIndex, f.ComboBoxOutline.itemIndex,
            f.ComboBoxAntialias.itemIndex};
}

// What the swatches show: colour and tooltip of each.
std::vector<std::pair<uint32_t, std::string>> Shown(const TForm1& f) {
    std::vector<std::pair<uint32_t, std::string>> v;
    for (const PaletteSwatch& s : f.Swatches) v.emplace_back(s.color.Packed(), s.entryText);
    return v;
}

bool PreviewHas(const TForm1& f, Rgb colour) {
    for (uint32_t p : f.preview.Pixels())
        if (p == colour.Packed()) return true;
    return false;
}

// Remembers every line measured: each preview measures the lines it draws.
class RecordingTextEngine : public FakeTextEngine {
public:
    std::vector<std::string> measured;
    TextExtent MeasureLine(std::string_view line, const FontSpec& font) override {
        measured.emplace_back(line);
        return FakeTextEngine::MeasureLine(line, font);
    }
    // The lines measured since the last call, in order. A preview measures
    // its two lines for the fit test and again while drawing them, so a pair
    // repeated at once counts once.
    std::vector<std::string> Take() {
        std::vector<std::string> lines;
        for (size_t i = 0; i + 1 < measured.size(); i += 2) {
            const size_t n = lines.size();
            if (n >= 2 && lines[n - 2] == measured[i] && lines[n - 1] == measured[i + 1]) continue;
            lines.push_back(measured[i]);
            lines.push_back(measured[i + 1]);
        }
        measured.clear();
        return lines;
    }
};

class PaletteFlow : public ModelTestOf<RecordingTextEngine> {
protected:
    void LoadIfo(const std::string& path) {
        ui.dialogAnswers.push_back(path);
        form->ButtonLoadIfoClick();
    }

    void ExpectGenericPalette() {
        ASSERT_EQ(form->Swatches.size(), 16u);
        const char* texts[] = {"000", "858585", "170170170", "255255255"};
        for (int n = 0; n < 16; ++n) {
            const PaletteSwatch& s = form->Swatches[size_t(n)];
            const uint8_t v = n < 4 ? uint8_t(85 * n) : 0;
            EXPECT_EQ(s.color, (Rgb{v, v, v})) << n;
            EXPECT_EQ(s.entryText, n < 4 ? texts[n] : "000000") << n;
            EXPECT_EQ(s.left, 59 + 15 * n);
            EXPECT_EQ(s.labelLeft, (n < 4 ? 61 : 60) + 15 * n) << n;
            EXPECT_EQ(s.labelCaption, std::to_string(n));
        }
        EXPECT_EQ(RolesOf(*form), (Roles{0, 3, 0, 1}));
    }
};

TEST_F(PaletteFlow, PolychromaticIfoShowsItsSwatchesAndPicksTheBandGreys) {
    TForm1& f = Start();
    LoadIfo(kPalIfo);

    EXPECT_EQ(ui.dialogTitles, std::vector<std::string>{"ifo|*.ifo"});
    EXPECT_EQ(ui.processMessagesCalls, 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(f.EditLoadIfo.text, kPalIfo);

    ASSERT_EQ(f.Swatches.size(), 16u);
    const char* texts[] = {"0051F05A", "00EB8081", "00468080", "00108080", "00478080", "00C98080",
                           "00C88080", "00EB8080", "00902236", "0029F06E", "006A2ECA", "00D21092",
                           "00A9A510", "001080F0", "0080F080", "007E6080"};
    for (int n = 0; n < 16; ++n) {
        const PaletteSwatch& s = f.Swatches[size_t(n)];
        EXPECT_EQ(s.entryText, texts[n]);
        EXPECT_EQ(s.labelLeft, 60 + 15 * n);
    }
    EXPECT_EQ(f.Swatches[0].color, (Rgb{238, 14, 14}));  // 51 F0 5A: the usual DVD red
    EXPECT_EQ(f.Swatches[5].color, (Rgb{201, 201, 201}));

    // Dark grey Y 70 at 2, middle Y 71 at 4, bright Y 201 at 5.
    EXPECT_EQ(RolesOf(f), (Roles{2, 5, 2, 4}));
    EXPECT_EQ(f.RoleColor(f.ComboBoxText), (Rgb{201, 201, 201}));
    EXPECT_EQ(f.RoleColor(f.ComboBoxOutline), (Rgb{70, 70, 70}));

    EXPECT_TRUE(f.Pal.checked);
    EXPECT_FALSE(f.Pal.enabled);
    EXPECT_FALSE(f.Ntsc.enabled);
    EXPECT_TRUE(f.IfoLoaded);
    EXPECT_FALSE(f.MonochromeIfo);
    EXPECT_FALSE(f.NoIfoMode);
    EXPECT_FALSE(f.i_dont_have_ifo.checked);
    EXPECT_TRUE(f.ButtonLoadIfo.enabled);
    EXPECT_TRUE(f.HasPaletteDisplay());
    // The sample is drawn in the role colours.
    EXPECT_TRUE(PreviewHas(f, Rgb{201, 201, 201}));
}

TEST_F(PaletteFlow, PaletteWithoutAGreyInEveryBandFallsBackToTheGenericPalette) {
    TForm1& f = Start();
    LoadIfo(kNtscIfo);

    EXPECT_EQ(ui.messages, std::vector<std::string>{kFallbackMessage});
    EXPECT_EQ(f.EditLoadIfo.text, kNtscIfo);
    ExpectGenericPalette();
    EXPECT_TRUE(f.Ntsc.checked);
    EXPECT_FALSE(f.Pal.checked);
    EXPECT_EQ(f.preview.Height(), 480);
    EXPECT_FALSE(f.Pal.enabled);
    EXPECT_FALSE(f.Ntsc.enabled);
    EXPECT_TRUE(f.IfoLoaded);
    EXPECT_TRUE(f.MonochromeIfo);
    EXPECT_FALSE(f.NoIfoMode);
    EXPECT_TRUE(f.i_dont_have_ifo.checked);
    EXPECT_FALSE(f.ButtonLoadIfo.enabled);
    EXPECT_TRUE(PreviewHas(f, Rgb{255, 255, 255}));  // text 3 of the generic palette

    // Unticking gives the button back and clears the palette source; ticking
    // by hand then enables the standard buttons.
    f.SetNoIfoChecked(false);
    EXPECT_TRUE(f.ButtonLoadIfo.enabled);
    EXPECT_TRUE(f.Swatches.empty());
    EXPECT_FALSE(f.IfoLoaded);
    EXPECT_TRUE(f.MonochromeIfo);  // only a load changes it
    f.SetNoIfoChecked(true);
    EXPECT_TRUE(f.Pal.enabled);
    EXPECT_TRUE(f.Ntsc.enabled);
    EXPECT_TRUE(f.NoIfoMode);
    EXPECT_TRUE(f.MonochromeIfo);
}

TEST_F(PaletteFlow, EmptyOrCutFilesEndInTheGenericPalette) {
    TForm1& f = Start();
    LoadIfo(dir.Write("empty.ifo", ""));  // 16 entries 00000000: none is grey
    EXPECT_EQ(ui.messages, std::vector<std::string>{kFallbackMessage});
    ExpectGenericPalette();
    EXPECT_TRUE(f.Ntsc.checked);  // the attributes word reads as zero
    EXPECT_TRUE(f.MonochromeIfo);
}

TEST_F(PaletteFlow, FileThatCannotBeReadChangesOnlyTheFileNameField) {
    TForm1& f = Start();
    LoadIfo(kPalIfo);
    f.UserPick(f.ComboBoxText, 7);
    const auto swatches = Shown(f);

    const std::string missing = dir.File("gone.ifo");
    LoadIfo(missing);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"File not found."});
    EXPECT_EQ(f.EditLoadIfo.text, missing);
    EXPECT_EQ(Shown(f), swatches);
    EXPECT_EQ(f.ComboBoxText.itemIndex, 7);
    EXPECT_TRUE(f.IfoLoaded);
    EXPECT_TRUE(ui.messages.empty());

    // A position that comes out negative is an I/O error of its own.
    std::string negative(1024, '\0');
    negative[204 + 1] = 0x10;  // S = 0x00100000: S * 2048 wraps negative
    LoadIfo(dir.Write("negative.ifo", negative));
    EXPECT_EQ(ui.errors.back(), std::string(kNotAnIfoText) + ".");
    EXPECT_EQ(Shown(f), swatches);
}

TEST_F(PaletteFlow, NoIfoBoxTickedUntickedTicked) {
    TForm1& f = Start();
    text.Take();
    f.SetNoIfoChecked(true);
    ExpectGenericPalette();
    EXPECT_TRUE(f.Pal.enabled);
    EXPECT_TRUE(f.Ntsc.enabled);
    EXPECT_FALSE(f.ButtonLoadIfo.enabled);
    EXPECT_TRUE(f.NoIfoMode);
    EXPECT_TRUE(f.IfoLoaded);
    EXPECT_FALSE(f.MonochromeIfo);
    EXPECT_EQ(text.Take(), (std::vector<std::string>{"Rethymno.", "Crete Hellas."}));  // the sample
    EXPECT_TRUE(PreviewHas(f, Rgb{255, 255, 255}));

    f.UserPick(f.ComboBoxText, 2);
    f.SetNoIfoChecked(false);
    EXPECT_TRUE(f.Swatches.empty());
    EXPECT_FALSE(f.HasPaletteDisplay());
    EXPECT_TRUE(f.ButtonLoadIfo.enabled);
    EXPECT_FALSE(f.Pal.enabled);
    EXPECT_FALSE(f.Ntsc.enabled);
    EXPECT_FALSE(f.NoIfoMode);
    EXPECT_FALSE(f.IfoLoaded);
    EXPECT_EQ(RolesOf(f), (Roles{0, 2, 0, 1}));  // the lists keep their positions

    f.SetNoIfoChecked(true);
    ExpectGenericPalette();
    EXPECT_TRUE(f.IfoLoaded);
    EXPECT_TRUE(f.Pal.enabled);
    // The standard buttons reload the preview background in their size.
    f.SelectStandard(false);
    EXPECT_EQ(f.preview.Height(), 480);
}

TEST_F(PaletteFlow, CancelledDialogLoadsNothingFirstAndTheLastFileAfterwards) {
    TForm1& f = Start();
    form->ButtonLoadIfoClick();  // cancelled, no file chosen yet
    EXPECT_EQ(ui.dialogTitles.size(), 1u);
    EXPECT_EQ(ui.processMessagesCalls, 0);
    EXPECT_EQ(f.EditLoadIfo.text, "Load IFO");
    EXPECT_TRUE(f.Swatches.empty());
    EXPECT_FALSE(f.IfoLoaded);

    LoadIfo(kPalIfo);
    f.UserPick(f.ComboBoxText, 15);
    f.UserPick(f.ComboBoxBg, 9);
    form->ButtonLoadIfoClick();  // cancelled: the same file again
    EXPECT_EQ(ui.processMessagesCalls, 2);
    EXPECT_EQ(RolesOf(f), (Roles{2, 5, 2, 4}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PaletteFlow, RoleChangeDrawsOnlyWithAPaletteSource) {
    TForm1& f = Start();
    const Frame before = f.preview;
    text.Take();
    f.UserPick(f.ComboBoxText, 3);
    EXPECT_TRUE(text.Take().empty());
    EXPECT_EQ(f.preview, before);
    EXPECT_TRUE(ui.messages.empty());

    // With a palette: the sample, without the full stop of the loaders' one.
    LoadIfo(kPalIfo);
    text.Take();
    f.UserPick(f.ComboBoxText, 15);
    EXPECT_EQ(text.Take(), (std::vector<std::string>{"Rethymno.", "Crete Hellas"}));
    EXPECT_EQ(f.RoleColor(f.ComboBoxText), f.Swatches[15].color);
    EXPECT_EQ(f.PaletteIndexOf(f.ComboBoxText), 15);

    // With subtitles as well: the sample, then the selected entry over it.
    f.Subtitles = std::make_unique<TSubtitle>();
    f.Subtitles->Add(TicksOfMs(1000), TicksOfMs(2000), "first", "", "");
    f.Subtitles->Add(TicksOfMs(3000), TicksOfMs(4000), "a much longer second line", "and more", "");
    f.SubtitleLoaded = true;
    f.ListBox1.items = {"first", "a much longer second line|and more"};
    f.ListBox1.itemIndex = 1;
    f.UserPick(f.ComboBoxAntialias, 6);
    EXPECT_EQ(text.Take(), (std::vector<std::string>{"Rethymno.", "Crete Hellas", "a much longer second line",
                                                     "and more"}));

    // No entry selected: the sample alone.
    f.ListBox1.itemIndex = -1;
    f.UserPick(f.ComboBoxAntialias, 4);
    EXPECT_EQ(text.Take(), (std::vector<std::string>{"Rethymno.", "Crete Hellas"}));
}

TEST_F(PaletteFlow, RoleListWithoutSelectionFallsBackToEntryZero) {
    TForm1& f = Start();
    LoadIfo(kPalIfo);
    f.ComboBoxText.SetItemIndex(16);  // outside the list: no selection
    EXPECT_EQ(f.ComboBoxText.Text(), "");
    EXPECT_EQ(f.PaletteIndexOf(f.ComboBoxText), 0);
    EXPECT_EQ(f.RoleColor(f.ComboBoxText), f.Swatches[0].color);
}

TEST_F(PaletteFlow, GenerationWithoutPaletteDisplayIsRefusedAndWritesNothing) {
    TForm1& f = Start();
    f.SetNoIfoChecked(true);
    const std::string srt = dir.Write("movie.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n");
    ui.dialogAnswers.push_back(srt);
    f.ButtonLoadSubClick();
    ASSERT_TRUE(f.SubtitleLoaded);
    f.SetNoIfoChecked(false);  // the subtitles stay, the swatches go
    EXPECT_FALSE(f.HasPaletteDisplay());
    ui.messages.clear();
    f.ButtonGenerateSupClick();
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Please load an Ifo file first and then an Srt/Sub/Txt file."});
    EXPECT_FALSE(std::filesystem::exists(dir.File("movie.sup")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("movie.Glyphon_Help.txt")));
}

}  // namespace
}  // namespace glyphon::test
