// The window's choices for the Blu-ray output: the stream's picture size and
// the colours of its text and outline.
#include <algorithm>

#include "app/PreviewFit.h"
#include "app/TForm1.h"
#include "common/Convert.h"
#include "core/PgsPreview.h"
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
                            int OffsetOr, Alignment Align, const BoxPlace& place) {
    PgsPreviewLook look;
    look.font = font;
    look.offset = Offset;
    look.offsetOr = OffsetOr;
    look.align = Align;
    look.place = place;
    look.outlineWidth = StrToInt(ComboBoxOutlineWidth.Text());
    look.stream = Pgs;
    const auto opaque = [](Rgb c) { return Rgba{c.r, c.g, c.b, 255}; };
    look.text = opaque(RoleColor(ComboBoxText));
    look.outline = opaque(RoleColor(ComboBoxOutline));
    const PgsPreviewPicture picture = DrawPgsPreviewPicture(text(), lines, top, look);
    if (picture.Empty()) return;
    // The stream's picture fitted into the preview.
    BlendFitted(preview, Widescreen, Pgs.video.width, Pgs.video.height, picture.x, picture.y, picture.width,
                picture.height, [&](int x, int y) { return picture.At(x, y); });
}

}  // namespace glyphon
