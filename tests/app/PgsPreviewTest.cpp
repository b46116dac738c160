// With the PGS output ticked the preview shows the anti-aliased PGS picture
// (many shades where glyph, outline and background meet); without it, the
// DVD picture in its four colours.
#include <gtest/gtest.h>

#include <set>

#include "render/TextEngine.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"
#include "app/TForm1.h"

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

}  // namespace glyphon::test
