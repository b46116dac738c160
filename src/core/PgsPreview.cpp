#include "core/PgsPreview.h"

#include "pgs/PgsPicture.h"

namespace glyphon {

PgsPreviewPicture DrawPgsPreviewPicture(TextEngine& text, const std::vector<RunLine>& lines, bool top,
                                        const PgsPreviewLook& look) {
    PgsLook pgs;
    pgs.font = look.font;
    pgs.font.widthPercent = 100;  // the stream's pixels are square
    pgs.offset = look.offset;
    pgs.offsetOr = look.offsetOr;
    pgs.align = look.align;
    pgs.place = look.place;
    pgs.outlineWidth = look.outlineWidth;
    pgs.frameWidth = look.stream.video.width;
    pgs.frameHeight = look.stream.video.height;
    PgsObject object;
    DrawPgsSubtitle(text, lines, top, pgs, object);
    PgsPreviewPicture picture;
    if (object.Empty()) return picture;
    PgsColors colours;
    colours.text = look.stream.text.value_or(look.text);
    colours.outline = look.stream.outline.value_or(look.outline);
    colours.background = look.stream.background;
    const std::vector<Rgba> colourOf = PgsPixelColors(colours);
    picture.x = object.x;
    picture.y = object.y;
    picture.width = object.width;
    picture.height = object.height;
    picture.pixels.reserve(object.pixels.size());
    for (const uint8_t index : object.pixels) picture.pixels.push_back(colourOf[index]);
    return picture;
}

}  // namespace glyphon
