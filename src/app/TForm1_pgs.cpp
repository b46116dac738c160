// The window's choices for the Blu-ray output: the stream's picture size and
// the colours of its text and outline.
#include <algorithm>

#include "app/TForm1.h"
#include "common/Convert.h"
#include "pgs/PgsPicture.h"
#include "palette/ColorNames.h"

namespace glyphon {

namespace {

constexpr const char* kRoleColour = "role";

// The list's colour, opaque; none for "role" (the role's own colour).
std::optional<Rgba> ChosenColour(const TComboBox& list) {
    const auto c = ParseColor(list.Text());
    if (list.Text() == kRoleColour || !c) return std::nullopt;
    return Rgba{c->r, c->g, c->b, 255};
}

}  // namespace

const std::vector<std::string>& PgsResolutionItems() {
    static const std::vector<std::string> items{"1920x1080", "1280x720", "720x480", "720x576"};
    return items;
}

const std::vector<std::string>& PgsColourItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> all{kRoleColour};
        for (const auto& [name, colour] : ColorKeywords()) all.emplace_back(name);
        return all;
    }();
    return items;
}

void TForm1::ComboBoxPgsChange() {
    static const int sizes[][2] = {{1920, 1080}, {1280, 720}, {720, 480}, {720, 576}};
    const int position = std::clamp(ComboBoxPgsResolution.itemIndex, 0, int(std::size(sizes)) - 1);
    Pgs.video.width = sizes[position][0];
    Pgs.video.height = sizes[position][1];
    Pgs.video.frameRate = DefaultPgsFrameRate(Pgs.video.height);
    Pgs.text = ChosenColour(ComboBoxPgsText);
    Pgs.outline = ChosenColour(ComboBoxPgsOutline);
}

}  // namespace glyphon

namespace glyphon {

void TForm1::CheckBoxPgsClick() {
    StoreChangedSettings();
    DrawSampleThenSelection();
    ui().Changed();
}

void TForm1::DrawPgsPreview(const std::vector<RunLine>& lines, bool top, const FontSpec& font, int Offset,
                            int OffsetOr, const std::string& Align) {
    PgsLook look;
    look.font = font;
    look.font.widthPercent = 100;  // the stream's pixels are square
    look.offset = Offset;
    look.offsetOr = OffsetOr;
    look.align = Align;
    look.outlineWidth = StrToInt(ComboBoxOutlineWidth.Text());
    look.frameWidth = Pgs.video.width;
    look.frameHeight = Pgs.video.height;
    PgsObject object;
    DrawPgsSubtitle(text(), lines, top, look, object);
    if (object.Empty()) return;
    PgsColors colours;
    const auto opaque = [](Rgb c) { return Rgba{c.r, c.g, c.b, 255}; };
    colours.text = Pgs.text.value_or(opaque(RoleColor(ComboBoxText)));
    colours.outline = Pgs.outline.value_or(opaque(RoleColor(ComboBoxOutline)));
    colours.background = Pgs.background;
    std::vector<Rgba> colourOf(kPgsPaletteSize);
    for (int o = 0; o <= kGreyLevels; ++o)
        for (int t = 0; t <= o; ++t) colourOf[size_t(PgsIndex(t, o))] = PgsPixelColor(t, o, colours);
    // The stream's picture fitted into the preview (a 16:9 film's frame is
    // shown wide, so a 16:9 stream fills it), each preview pixel the mean of
    // the stream pixels it covers, laid over the background.
    int fitW = preview.Width(), fitH = preview.Height();
    if (!Widescreen && int64_t(Pgs.video.width) * fitH > int64_t(Pgs.video.height) * fitW)
        fitH = int(int64_t(fitW) * Pgs.video.height / Pgs.video.width);
    const int left = (preview.Width() - fitW) / 2, topEdge = (preview.Height() - fitH) / 2;
    const auto toPreviewX = [&](int x) { return int(int64_t(x) * fitW / Pgs.video.width); };
    const auto toPreviewY = [&](int y) { return int(int64_t(y) * fitH / Pgs.video.height); };
    const int py0 = toPreviewY(object.y), py1 = toPreviewY(object.y + object.height - 1);
    const int px0 = toPreviewX(object.x), px1 = toPreviewX(object.x + object.width - 1);
    for (int py = py0; py <= py1; ++py) {
        const int sy0 = int(int64_t(py) * Pgs.video.height / fitH), sy1 = int(int64_t(py + 1) * Pgs.video.height / fitH);
        for (int px = px0; px <= px1; ++px) {
            const int sx0 = int(int64_t(px) * Pgs.video.width / fitW), sx1 = int(int64_t(px + 1) * Pgs.video.width / fitW);
            int64_t r = 0, g = 0, b = 0, a = 0, n = 0;
            for (int sy = std::max(sy0, object.y); sy < std::min(sy1, object.y + object.height); ++sy)
                for (int sx = std::max(sx0, object.x); sx < std::min(sx1, object.x + object.width); ++sx) {
                    const Rgba c = colourOf[object.pixels[size_t(sy - object.y) * size_t(object.width) + size_t(sx - object.x)]];
                    r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
                }
            n = int64_t(std::max(1, sy1 - sy0)) * std::max(1, sx1 - sx0);
            if (a == 0 || !preview.Contains(left + px, topEdge + py)) continue;
            const Rgb under = preview.At(left + px, topEdge + py);
            const auto mix = [&](int64_t sum, uint8_t back) {
                return uint8_t((sum + back * (255 * n - a)) / (255 * n));
            };
            preview.Set(left + px, topEdge + py, Rgb{mix(r, under.r), mix(g, under.g), mix(b, under.b)});
        }
    }
}

}  // namespace glyphon
