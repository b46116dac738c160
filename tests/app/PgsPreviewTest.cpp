// With the PGS output ticked the preview shows the anti-aliased PGS picture
// (many shades where glyph, outline and background meet); without it, the
// DVD picture in its four colours.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/TForm1.h"
#include "render/TextEngine.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

namespace glyphon::test {

TEST(PgsPreview, ShowsTheAntiAliasedPictureScaledToFit) {
    TempDir dir;
    FakeUi ui;
    const std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    AppEnvironment env{dir.path() + "/", dir.File("Glyphon_Settings.ini"), {"glyphon"}, {"Liberation Sans"}};
    TForm1 f(ui, *engine, env);
    f.FormCreate();
    f.FormShow();
    f.FormActivate();
    f.SetNoIfoChecked(true);
    const auto shadesOverBlue = [&] {
        // The colours of every pixel the drawing changed on the picture.
        std::set<uint32_t> shades;
        f.DrawPreviewWithSettings("Rethymno.", "Crete Hellas");
        const Frame drawn = f.preview;
        f.LoadPreviewBackground();
        for (int y = 0; y < drawn.Height(); ++y)
            for (int x = 0; x < drawn.Width(); ++x)
                if (drawn.At(x, y) != f.preview.At(x, y)) shades.insert(drawn.At(x, y).Packed());
        return shades.size();
    };
    const size_t dvd = shadesOverBlue();
    EXPECT_GT(dvd, 0u);
    EXPECT_LE(dvd, 3u);  // text, outline, antialias
    for (int size = 0; size < 4; ++size) {
        f.UserPick(f.ComboBoxPgsResolution, size);
        f.CheckBoxPgs.checked = true;
        f.CheckBoxPgsClick();
        EXPECT_GT(shadesOverBlue(), 20u) << f.ComboBoxPgsResolution.Text();
    }
}

// Whatever changes what the PGS preview shows draws it again: the picture
// after the change is the one drawn afresh, not the one before.
TEST(PgsPreview, RedrawsWhenTheListOrThePgsChoicesChange) {
    TempDir dir;
    FakeUi ui;
    const std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    TForm1 f(ui, *engine,
             {dir.path() + "/", dir.File("Glyphon_Settings.ini"), {"glyphon"}, {"Liberation Sans"}});
    f.FormCreate();
    f.FormShow();
    f.AddSubtitleFiles({dir.Write("a.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n"),
                        dir.Write("a.fr.srt", "1\n00:00:01,000 --> 00:00:02,000\nBonjour, bonjour\n\n")});
    f.CheckBoxPgs.checked = true;
    f.CheckBoxPgsClick();
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"another file", [&] { f.ListBoxFilesSelect(1); }},
        {"text colour", [&] { f.UserPick(f.ComboBoxPgsText, 9); }},
        {"outline colour", [&] { f.UserPick(f.ComboBoxPgsOutline, 12); }},
        {"picture size", [&] { f.UserPick(f.ComboBoxPgsResolution, 3); }},
        {"the file removed", [&] { f.ButtonRemoveFileClick(); }},
    };
    for (const auto& [what, change] : changes) {
        const Frame before = f.preview;
        change();
        const Frame after = f.preview;
        f.DrawSampleThenSelection();
        EXPECT_EQ(after.Pixels(), f.preview.Pixels()) << what;
        EXPECT_NE(after.Pixels(), before.Pixels()) << what;
    }
}

}  // namespace glyphon::test
