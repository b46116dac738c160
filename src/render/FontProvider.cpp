#include "render/FontProvider.h"

#include <fontconfig/fontconfig.h>
#include <hb.h>

namespace glyphon {

namespace {

// The language fontconfig should favour when it substitutes a face for a
// character set, so that an unknown face name still finds the script's glyphs.
const char* LanguageOf(int charset) {
    switch (charset) {
        case 128:
            return "ja";
        case 129:
        case 130:
            return "ko";
        case 134:
            return "zh-cn";
        case 136:
            return "zh-tw";
        case 161:
            return "el";
        case 162:
            return "tr";
        case 163:
            return "vi";
        case 177:
            return "he";
        case 178:
            return "ar";
        case 186:
            return "lt";
        case 204:
            return "ru";
        case 222:
            return "th";
        case 238:
            return "pl";
        default:
            return nullptr;
    }
}

FcPattern* PatternOf(const FaceRequest& request) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    return pattern;
}

// File, index and simulation of a matched pattern; false without a file.
bool ChoiceOf(FcPattern* match, const FaceRequest& request, FaceChoice& out) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) return false;
    out.file = reinterpret_cast<const char*>(file);
    out.index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &out.index);
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    out.synthBold = request.bold && weight < FC_WEIGHT_DEMIBOLD;
    out.synthItalic = request.italic && slant == FC_SLANT_ROMAN;
    return true;
}

}  // namespace

FontProvider::FontProvider() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    FcInit();
}

FontProvider::~FontProvider() {
    for (auto& [key, face] : faces_)
        if (face) FT_Done_Face(face);
    if (library_) FT_Done_FreeType(library_);
}

const FaceChoice& FontProvider::Resolve(const FaceRequest& request, int charset) {
    const std::string key = request.family + '\x01' + char('0' + request.bold) + char('0' + request.italic) +
                            std::to_string(charset);
    auto it = resolved_.find(key);
    if (it != resolved_.end()) return it->second;
    FaceChoice choice;
    FcPattern* pattern = PatternOf(request);
    if (const char* lang = LanguageOf(charset))
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        ChoiceOf(match, request, choice);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return resolved_.emplace(key, choice).first->second;
}

FaceChoice FontProvider::Covering(const FaceRequest& request, int pixels,
                                  const std::vector<uint32_t>& characters, FT_Face except,
                                  const char* language) {
    FaceChoice found;
    if (characters.empty()) return found;
    FcPattern* pattern = PatternOf(request);
    if (language) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixels);
    FcCharSet* wanted = FcCharSetCreate();
    for (const uint32_t c : characters) FcCharSetAddChar(wanted, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    // fontconfig's order of preference; its first answer may lack some of
    // the characters when no face has them all, or when the family asked for
    // outweighs coverage.
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    for (int i = 0; sorted && i < sorted->nfont; ++i) {
        FcPattern* font = sorted->fonts[i];
        FcCharSet* has = nullptr;
        if (FcPatternGetCharSet(font, FC_CHARSET, 0, &has) != FcResultMatch) continue;
        if (FcCharSetIsSubset(wanted, has) != FcTrue) continue;
        FcPattern* match = FcFontRenderPrepare(nullptr, pattern, font);
        FaceChoice choice;
        const bool ok = match && ChoiceOf(match, request, choice);
        if (match) FcPatternDestroy(match);
        if (!ok) continue;
        FT_Face face = Open(choice.file, choice.index);
        if (!face || face == except) continue;
        bool all = FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0;
        for (size_t k = 0; all && k < characters.size(); ++k)
            all = FT_Get_Char_Index(face, characters[k]) != 0;
        if (!all) continue;
        found = choice;
        break;
    }
    if (sorted) FcFontSetDestroy(sorted);
    FcCharSetDestroy(wanted);
    FcPatternDestroy(pattern);
    return found;
}

FT_Face FontProvider::Open(const std::string& file, int index) {
    const auto key = std::make_pair(file, index);
    auto it = faces_.find(key);
    if (it != faces_.end()) return it->second;
    FT_Face face = nullptr;
    if (!library_ || FT_New_Face(library_, file.c_str(), index, &face) != 0) face = nullptr;
    faces_[key] = face;
    return face;
}

std::pair<std::string, int> FontProvider::SourceOf(FT_Face face) const {
    if (!face) return {};
    for (const auto& [key, f] : faces_)
        if (f == face) return key;
    return {};
}

const char* FallbackLanguage(int charset, uint32_t c) {
    if (const char* language = LanguageOf(charset)) return language;
    switch (hb_unicode_script(hb_unicode_funcs_get_default(), c)) {
        case HB_SCRIPT_HANGUL:
            return "ko";
        case HB_SCRIPT_HIRAGANA:
        case HB_SCRIPT_KATAKANA:
            return "ja";
        case HB_SCRIPT_HAN:
        case HB_SCRIPT_BOPOMOFO:
            return "zh-cn";
        default:
            return nullptr;
    }
}

void SizeFace(FT_Face face, int ppem, int xppem64) {
    if (!face) return;
    if (FT_IS_SCALABLE(face)) {
        if (xppem64 != 0 && xppem64 != ppem * 64) {
            // x_ppem is the width rounded to whole pixels.
            if (!face->size || face->size->metrics.y_ppem != ppem ||
                face->size->metrics.x_ppem != (xppem64 + 32) / 64)
                FT_Set_Char_Size(face, FT_F26Dot6(xppem64), FT_F26Dot6(ppem) * 64, 72, 72);
            return;
        }
        if (!face->size || face->size->metrics.x_ppem != ppem || face->size->metrics.y_ppem != ppem)
            FT_Set_Pixel_Sizes(face, 0, FT_UInt(ppem));
    } else if (face->num_fixed_sizes > 0) {
        FT_Select_Size(face, 0);
    }
}

}  // namespace glyphon
