#include "render/Shaping.h"

#include <fribidi.h>
#include <hb-ft.h>

#include <algorithm>

#include "render/CodePage.h"

namespace glyphon {

namespace {

uint32_t Analysed(uint32_t c) { return c == kNoCharacter ? 0xFFFDu : c; }

}  // namespace

hb_script_t ScriptOf(uint32_t c) {
    if (c == kNoCharacter) return HB_SCRIPT_COMMON;
    return hb_unicode_script(hb_unicode_funcs_get_default(), c);
}

bool IsShapedScript(hb_script_t script) {
    switch (script) {
        case HB_SCRIPT_COMMON:
        case HB_SCRIPT_INHERITED:
        case HB_SCRIPT_UNKNOWN:
        case HB_SCRIPT_LATIN:
        case HB_SCRIPT_GREEK:
        case HB_SCRIPT_CYRILLIC:
        case HB_SCRIPT_ARMENIAN:
        case HB_SCRIPT_GEORGIAN:
        case HB_SCRIPT_HAN:
        case HB_SCRIPT_HIRAGANA:
        case HB_SCRIPT_KATAKANA:
        case HB_SCRIPT_HANGUL:
        case HB_SCRIPT_BOPOMOFO:
            return false;
        default:
            return true;
    }
}

bool NeedsLayout(uint32_t c) {
    if (c < 0x0590 || c == kNoCharacter) return false;
    if (c < 0x0900) return true;  // Hebrew, Arabic, Syriac, Thaana, N'Ko...
    const FriBidiCharType type = fribidi_get_bidi_type(c);
    if (FRIBIDI_IS_RTL(type) || FRIBIDI_IS_EXPLICIT(type) || FRIBIDI_IS_ISOLATE(type) ||
        type == FRIBIDI_TYPE_AN)
        return true;
    return IsShapedScript(ScriptOf(c));
}

bool IsFormatCharacter(uint32_t c) {
    return c != kNoCharacter && hb_unicode_general_category(hb_unicode_funcs_get_default(), c) ==
                                    HB_UNICODE_GENERAL_CATEGORY_FORMAT;
}

uint32_t MirroredCharacter(uint32_t c) {
    FriBidiChar mirrored = c;
    return fribidi_get_mirror_char(c, &mirrored) ? mirrored : c;
}

void ResolveLevels(const std::vector<uint32_t>& characters, std::vector<uint8_t>& levels) {
    const auto n = FriBidiStrIndex(characters.size());
    std::vector<FriBidiChar> text(characters.size());
    std::transform(characters.begin(), characters.end(), text.begin(), Analysed);
    std::vector<FriBidiCharType> types(text.size());
    std::vector<FriBidiBracketType> brackets(text.size());
    std::vector<FriBidiLevel> resolved(text.size());
    fribidi_get_bidi_types(text.data(), n, types.data());
    fribidi_get_bracket_types(text.data(), n, types.data(), brackets.data());
    FriBidiParType direction = FRIBIDI_PAR_ON;
    levels.assign(characters.size(), 0);
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &direction, resolved.data()) ==
        0)
        return;
    if (fribidi_reorder_line(FRIBIDI_FLAGS_DEFAULT, types.data(), n, 0, direction, resolved.data(), nullptr,
                             nullptr) == 0)
        return;
    for (size_t i = 0; i < resolved.size(); ++i) levels[i] = uint8_t(resolved[i]);
}

std::vector<int> VisualOrder(const std::vector<uint8_t>& levels) {
    std::vector<int> order(levels.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    if (levels.empty()) return order;
    int highest = 0, lowestOdd = 255;
    for (const uint8_t l : levels) {
        highest = std::max<int>(highest, l);
        if (l & 1) lowestOdd = std::min<int>(lowestOdd, l);
    }
    for (int level = highest; level >= lowestOdd; --level) {
        for (size_t i = 0; i < order.size();) {
            if (levels[size_t(order[i])] < level) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j < order.size() && levels[size_t(order[j])] >= level) ++j;
            std::reverse(order.begin() + long(i), order.begin() + long(j));
            i = j;
        }
    }
    return order;
}

Shaper::Shaper() : buffer_(hb_buffer_create()) {}

Shaper::~Shaper() {
    for (auto& [key, font] : fonts_) hb_font_destroy(font);
    hb_buffer_destroy(buffer_);
}

void Shaper::Shape(FT_Face face, int ppem, const std::vector<uint32_t>& line, size_t start, size_t length,
                   bool rtl, hb_script_t script, std::vector<ShapedGlyph>& out) {
    out.clear();
    hb_font_t*& font = fonts_[{face, ppem}];
    if (!font) {
        // Advances as the glyphs are drawn: hinted for monochrome.
        font = hb_ft_font_create_referenced(face);
        hb_ft_font_set_load_flags(font, FT_LOAD_TARGET_MONO);
    }
    std::vector<uint32_t> text(line.size());
    std::transform(line.begin(), line.end(), text.begin(), Analysed);
    hb_buffer_clear_contents(buffer_);
    hb_buffer_add_codepoints(buffer_, text.data(), int(text.size()), unsigned(start), int(length));
    hb_buffer_set_direction(buffer_, rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer_, script);
    hb_shape(font, buffer_, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer_, &count);
    out.resize(count);
    for (unsigned i = 0; i < count; ++i)
        out[i] = {info[i].codepoint, int(info[i].cluster), pos[i].x_advance, pos[i].x_offset,
                  pos[i].y_offset};
}

}  // namespace glyphon
