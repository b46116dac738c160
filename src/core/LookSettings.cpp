#include "core/LookSettings.h"

#include "common/Convert.h"
#include "render/FontTables.h"

namespace glyphon {

std::string ApplyLookTexts(const LookTexts& texts, ConversionJob& job) {
    TextLook& look = job.look;
    job.subtitle.charset = CharsetFromName(texts.charset);
    look.fontName = texts.fontName;
    look.style = FontStyle(StyleFromName(texts.style));
    look.align = AlignmentOf(texts.align);
    look.offset = kOffsetSetting.Fit(texts.offset);
    look.lineSpacing = kLineSpacingSetting.Fit(texts.lineSpacing);
    try {
        look.sizePoints = StrToInt(texts.size);
        look.outlineWidth = StrToInt(texts.outlineWidth);
    } catch (const ConvertError& e) {
        return e.what();
    }
    return {};
}

}  // namespace glyphon
