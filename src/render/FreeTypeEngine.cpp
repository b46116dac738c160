// The text engine on FreeType, fontconfig, FriBidi and HarfBuzz.
//
// A font is realised as Windows GDI realises a font requested by its em
// height: the em is PixelEmHeight(points) pixels, and the line height is the
// ascent plus the descent of the OS/2 table's usWinAscent and usWinDescent,
// each scaled to that em and rounded to the nearest pixel on its own (halves
// up), which is how GDI arrives at tmAscent and tmDescent for a TrueType font
// without a VDMX table. Liberation Sans (the face behind "Arial") has
// usWinAscent 1854, usWinDescent 434 and 2048 units per em: at 27 pixels that
// is 24.44 -> 24 plus 5.72 -> 6, a line height of 30.
//
// A line of Latin, Greek, Cyrillic or CJK text is drawn glyph by glyph:
// one glyph per character, the hinted whole-pixel advances, no kerning
// (GlyphRaster.h draws the glyphs). A line holding right-to-left or complex
// script characters is laid out as Windows' script processor lays it out:
// the bidirectional algorithm gives every character its level, the line is
// cut into runs of one level, one script and one face, runs of a shaped
// script go through HarfBuzz (Shaping.h) and the others glyph by glyph
// (mirrored where they run right to left), and the runs are put in display
// order. A shaped run takes the requested face when it has all of the run's
// characters, otherwise the first face in fontconfig's order that has them
// all (FontProvider.h).
//
// A character the face has no glyph for is drawn from a face that has it
// under the same request (family, style, pixel size), with that face's hinted
// glyph and advance; faces that already stood in are asked first. The line
// keeps the requested face's ascent and descent. Bytes a code page cannot
// read, and the symbol mapping, keep the requested face's missing-glyph box.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "render/CodePage.h"
#include "render/Decoration.h"
#include "render/FontProvider.h"
#include "render/FontTables.h"
#include "render/GlyphRaster.h"
#include "render/GreyBytes.h"
#include "render/GreyLine.h"
#include "render/Shaping.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

// Nearest integer of value * num / den, halves up (toward +infinity).
int ScaleRound(long value, long num, long den) {
    if (den <= 0) return 0;
    const long n = 2 * value * num + den, d = 2 * den;
    return int(n >= 0 ? n / d : -((-n + d - 1) / d));  // floor(n / d)
}

// The language whose faces draw a UTF-8 line's Chinese, Japanese or Korean
// characters: Japanese with kana, Korean with Hangul, and Han ideographs
// alone as the file's language says (Japanese, Korean, otherwise Chinese).
// Null for a line without any of them.
const char* CjkLanguage(std::string_view text, const std::string& fileLanguage) {
    bool han = false, hangul = false;
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0xE1) {  // nothing below U+1100 is CJK
            i += b < 0x80 ? 1 : b < 0xE0 ? 2 : 3;
            continue;
        }
        const int more = b < 0xF0 ? 2 : 3;
        if (i + size_t(more) >= text.size()) break;
        uint32_t c = b & (more == 2 ? 0x0F : 0x07);
        for (int k = 1; k <= more; ++k) c = c << 6 | (static_cast<unsigned char>(text[i + size_t(k)]) & 0x3F);
        i += size_t(more) + 1;
        switch (hb_unicode_script(hb_unicode_funcs_get_default(), c)) {
            case HB_SCRIPT_HIRAGANA:
            case HB_SCRIPT_KATAKANA:
                return "ja";
            case HB_SCRIPT_HANGUL:
                hangul = true;
                break;
            case HB_SCRIPT_HAN:
            case HB_SCRIPT_BOPOMOFO:
                han = true;
                break;
            default:
                break;
        }
    }
    if (hangul) return "ko";
    if (!han) return nullptr;
    const auto is = [&](const char* code) {
        return fileLanguage.size() >= 2 && fileLanguage.compare(0, 2, code) == 0;
    };
    return is("ja") ? "ja" : is("ko") ? "ko" : "zh-cn";
}

// A face that stands in for characters the requested face lacks.
struct Fallback {
    FT_Face face = nullptr;
    bool synthBold = false, synthItalic = false;
};

// Everything that decides the pixels of a glyph; a new FontSpec with the same
// realisation keeps the glyph cache.
struct Realisation {
    std::string file;
    int index = 0;
    int ppem = 0;
    int xppem64 = 0;  // horizontal pixels per em in 1/64: ppem * 64, or less for narrowed text
    bool synthBold = false, synthItalic = false;
    bool underline = false, strikeOut = false;
    std::string codePage;  // "" for the symbol mapping
    // The language stand-in faces are asked for in (a line of Chinese,
    // Japanese or Korean text); empty: each character's own.
    std::string language;
    friend bool operator==(const Realisation&, const Realisation&) = default;
};

// A glyph in a laid-out line: pen position (x right, y down from the
// baseline) and the character it comes from.
struct Placed {
    const Glyph* glyph;
    int x, y;
    int cluster;
};

// A stretch of a line drawn in one direction, script and face (null: glyph
// by glyph).
struct Run {
    size_t start = 0, length = 0;
    uint8_t level = 0;
    hb_script_t script = HB_SCRIPT_COMMON;
    FT_Face face = nullptr;
};

// The most bytes of a line that are measured, drawn or laid out. Far more
// than any frame holds (a line of that many characters is thousands of
// pixels too wide), and few enough that no sum of advances or position can
// overflow, nor a line of megabytes be laid out.
constexpr size_t kLongestLine = size_t(1) << 14;

std::string_view Bounded(std::string_view text) { return text.substr(0, kLongestLine); }

// What one realisation of a font keeps: its face and metrics, the code page
// reader, stand-in faces, the glyphs drawn so far and the last layout. Runs
// in other styles switch between a few of these without losing their glyphs.
struct RealisedFont {
    Realisation realised;
    FT_Face face = nullptr;
    GlyphStyle style;
    int ascent = 0, descent = 0;
    int underlineTop = 0, underlineSize = 1, strikeTop = 0, strikeSize = 1;

    std::unique_ptr<CodePageReader> reader;
    bool symbolMap = false;
    std::deque<Fallback> fallbacks;                // stand-in faces of this realisation; addresses stay put
    std::unordered_set<std::u32string> uncovered;  // character sets no face has all of
    std::array<uint32_t, 256> byteChars{};
    std::array<bool, 256> byteComplex{};
    GlyphCache cache;
    Glyph noFace;
    std::unordered_map<uint32_t, const Glyph*> charGlyphs;
    std::array<const Glyph*, 256> byteGlyphs{};

    // Grey drawings of these glyphs with outlines of greyOutline64.
    std::unordered_map<const Glyph*, const GreyGlyph*> greyOf;
    int greyOutline64 = -1;

    bool lastValid = false;  // the last bidi and shaping layout, until the realisation changes
    std::vector<uint32_t> lastCharacters;
    std::vector<Placed> lastPlaced;
    int lastWidth = 0;
};

class FreeTypeEngine final : public TextEngine {
public:
    TextExtent MeasureLine(std::string_view text, const FontSpec& font) override {
        text = Bounded(text);
        Use(font, text);
        if (text.empty()) text = " ";
        if (!f_->reader->MultiByte()) {
            int width = 0;
            bool complex = false;
            for (unsigned char b : text) {
                width += ByteGlyph(b).advance;
                complex |= f_->byteComplex[b];
            }
            if (!complex) return {width, f_->ascent + f_->descent};
        }
        return {Place(text), f_->ascent + f_->descent};
    }

    void DrawLineMask(std::string_view text, const FontSpec& font, LineMask& mask) override {
        text = Bounded(text);
        Use(font, text);
        mask.Reset(0, 0, 0, 0);
        if (text.empty()) return;
        const int extent = Place(text);
        // Bounds of every glyph bitmap and of the decoration lines.
        int minX = 0, maxX = 0, minY = 0, maxY = 0;
        bool any = false;
        auto include = [&](int x0, int y0, int x1, int y1) {
            if (x1 <= x0 || y1 <= y0) return;
            if (!any) {
                minX = x0, minY = y0, maxX = x1, maxY = y1;
                any = true;
            } else {
                minX = std::min(minX, x0), minY = std::min(minY, y0);
                maxX = std::max(maxX, x1), maxY = std::max(maxY, y1);
            }
        };
        for (const Placed& p : placed_) {
            const Glyph* g = p.glyph;
            const int x = p.x + g->left, y = f_->ascent + p.y - g->top;
            include(x, y, x + g->width, y + g->rows);
        }
        if (f_->realised.underline)
            include(0, f_->underlineTop, extent, f_->underlineTop + f_->underlineSize);
        if (f_->realised.strikeOut) include(0, f_->strikeTop, extent, f_->strikeTop + f_->strikeSize);
        if (!any) return;
        mask.Reset(minX, minY, maxX - minX, maxY - minY);
        for (const Placed& p : placed_)
            Blit(*p.glyph, p.x + p.glyph->left - minX, f_->ascent + p.y - p.glyph->top - minY, mask);
        if (f_->realised.underline)
            FillRows(mask, -minX, extent - minX, f_->underlineTop - minY, f_->underlineSize);
        if (f_->realised.strikeOut)
            FillRows(mask, -minX, extent - minX, f_->strikeTop - minY, f_->strikeSize);
    }

    GreyBox GreyLineBox(std::string_view text, const FontSpec& font, int outline64) override {
        GreyBox box;
        if (!PlaceGrey(text, font, outline64)) return box;
        for (const GreyPlaced& p : greyPlaced_) box = box.United({p.x, p.y, p.glyph->width, p.glyph->rows});
        const int reach = OutlineReach(outline64);
        if (f_->realised.underline)
            box = box.United(
                {-reach, f_->underlineTop - reach, greyExtent_ + 2 * reach, f_->underlineSize + 2 * reach});
        if (f_->realised.strikeOut)
            box = box.United(
                {-reach, f_->strikeTop - reach, greyExtent_ + 2 * reach, f_->strikeSize + 2 * reach});
        return box;
    }

    void DrawLineGrey(std::string_view text, const FontSpec& font, int outline64, int x, int y,
                      GreyMask& canvas) override {
        if (!PlaceGrey(text, font, outline64)) return;
        for (const GreyPlaced& p : greyPlaced_) {
            const GreyGlyph& g = *p.glyph;
            MaxIntoCanvas(g.pairs.data(), g.pitch, g.rows, g.pitch, x + p.x, y + p.y, canvas);
        }
        if (f_->realised.underline)
            GreyRule(canvas, x, y + f_->underlineTop, greyExtent_, f_->underlineSize, outline64);
        if (f_->realised.strikeOut)
            GreyRule(canvas, x, y + f_->strikeTop, greyExtent_, f_->strikeSize, outline64);
    }

    std::unique_ptr<TextEngine> Twin() const override { return CreateFreeTypeEngine(); }

    std::string FaceName(const FontSpec& font) override {
        Use(font);
        return f_->face && f_->face->family_name ? std::string(f_->face->family_name) : std::string();
    }

    std::vector<PlacedGlyph> LayOutLine(std::string_view text, const FontSpec& font) override {
        text = Bounded(text);
        Use(font, text);
        std::vector<PlacedGlyph> out;
        if (text.empty()) return out;
        Place(text);
        for (const Placed& p : placed_) {
            PlacedGlyph g;
            std::tie(g.faceFile, g.faceIndex) = provider_.SourceOf(p.glyph->face);
            g.glyph = p.glyph->index;
            g.x = p.x;
            g.y = p.y;
            g.cluster = p.cluster;
            out.push_back(std::move(g));
        }
        return out;
    }

private:
    static void Blit(const Glyph& g, int dx, int dy, LineMask& mask) {
        const int shift = dx & 63;
        for (int r = 0; r < g.rows; ++r) {
            uint64_t* row = mask.Row(dy + r);
            const uint64_t* src = g.bits.data() + size_t(r) * size_t(g.words);
            for (int k = 0; k < g.words; ++k) {
                const uint64_t v = src[k];
                if (!v) continue;
                const int i = (dx >> 6) + k;
                row[i] |= v << shift;
                if (shift && i + 1 < mask.wordsPerRow) row[i + 1] |= v >> (64 - shift);
            }
        }
    }

    // An underline or strike-out rule of `extent` columns and `rows` rows
    // from (x0, y0) of the canvas, fully covered, and its outline: the
    // rectangle grown by the outline's disc.
    static void GreyRule(GreyMask& canvas, int x0, int y0, int extent, int rows, int outline64) {
        const int reach = OutlineReach(outline64);
        const double radius = outline64 / 64.0;
        for (int y = std::max(y0 - reach, 0); y < std::min(y0 + rows + reach, canvas.height); ++y)
            for (int x = std::max(x0 - reach, 0); x < std::min(x0 + extent + reach, canvas.width); ++x) {
                const int dx = x < x0 ? x0 - x : (x >= x0 + extent ? x - x0 - extent + 1 : 0);
                const int dy = y < y0 ? y0 - y : (y >= y0 + rows ? y - y0 - rows + 1 : 0);
                const double d = std::sqrt(double(dx * dx + dy * dy));
                const int o = d == 0 ? kGreyLevels
                                     : int(std::lround(std::clamp(radius + 0.5 - d, 0.0, 1.0) * kGreyLevels));
                uint8_t& pixel = canvas.Row(y)[x];
                pixel = std::max(pixel, GreyPair(d == 0 ? kGreyLevels : 0, o));
            }
    }

    // Lays `text` out and finds the grey drawing of each glyph, in
    // greyPlaced_ with its box's corner relative to the cell's; false for an
    // empty text.
    bool PlaceGrey(std::string_view text, const FontSpec& font, int outline64) {
        text = Bounded(text);
        Use(font, text);
        // The box and then the drawing: the second call finds the first's
        // layout.
        if (greyValid_ && outline64 == greyOutline64_ && font == greyFont_ && text == greyText_)
            return !text.empty();
        greyValid_ = false;
        greyPlaced_.clear();
        if (text.empty()) return false;
        if (greyGlyphs_.size() > kMostGreyGlyphs) {
            greyGlyphs_.clear();
            for (auto& f : fonts_) f->greyOf.clear();
        }
        if (outline64 != f_->greyOutline64) {
            f_->greyOf.clear();
            f_->greyOutline64 = outline64;
        }
        greyExtent_ = Place(text);
        for (const Placed& p : placed_) {
            const GreyGlyph* g = GreyOf(*p.glyph, outline64);
            if (g && g->width > 0 && g->rows > 0)
                greyPlaced_.push_back({g, p.x + g->left, f_->ascent + p.y - g->top});
        }
        greyValid_ = true;
        greyOutline64_ = outline64;
        greyFont_ = font;
        greyText_.assign(text);
        return true;
    }

    // The grey drawing of a glyph this realisation drew, with its outline.
    const GreyGlyph* GreyOf(const Glyph& glyph, int outline64) {
        if (!glyph.face) return nullptr;
        auto [it, added] = f_->greyOf.try_emplace(&glyph, nullptr);
        if (!added) return it->second;
        const GlyphStyle style = StyleOf(glyph.face);
        const GreyKey key{glyph.face,           glyph.index,     f_->realised.ppem,
                          f_->realised.xppem64, style.synthBold, style.synthItalic,
                          style.ascent,         style.descent,   outline64};
        auto [found, fresh] = greyGlyphs_.try_emplace(key);
        if (fresh) {
            SizeFace(glyph.face, f_->realised.ppem, f_->realised.xppem64);
            found->second = RasteriseGrey(provider_.Library(), glyph.face, glyph.index, style, outline64);
        }
        return it->second = &found->second;
    }

    static void FillRows(LineMask& mask, int x0, int x1, int y0, int rows) {
        for (int y = y0; y < y0 + rows; ++y)
            for (int x = x0; x < x1; ++x) mask.Set(x, y);
    }

    // Makes `font` the current font; the glyph cache survives unless the
    // realisation really differs.
    // `text` (the line about to be laid out) decides the language of
    // stand-in faces for Chinese, Japanese and Korean characters.
    void Use(const FontSpec& font, std::string_view text = {}) {
        const char* language = font.charset == kUtf8Charset ? CjkLanguage(text, font.language) : nullptr;
        if (haveFont_ && font == spec_ && language == language_) return;
        language_ = language;
        spec_ = font;
        haveFont_ = true;
        request_ = {font.name == "Default" ? "MS Sans Serif" : font.name, bool(font.style & kBold),
                    bool(font.style & kItalic)};
        const Realisation& next = RealisationOf(font, language);
        if (realisedOnce_ && next == f_->realised) return;
        realisedOnce_ = true;
        for (size_t i = 0; i < fonts_.size(); ++i) {
            if (!(fonts_[i]->realised == next)) continue;
            // Used before: its glyphs are kept, and its face (which other
            // realisations may share) gets this one's size and character map
            // back. The latest used go last.
            std::rotate(fonts_.begin() + long(i), fonts_.begin() + long(i) + 1, fonts_.end());
            f_ = fonts_.back().get();
            SizeMainFace();
            if (f_->face)
                FT_Select_Charmap(f_->face, f_->symbolMap ? FT_ENCODING_MS_SYMBOL : FT_ENCODING_UNICODE);
            return;
        }
        if (fonts_.size() >= kKeptRealisations) {
            fonts_.erase(fonts_.begin());
            greyValid_ = false;  // its glyphs may have been the last grey layout's
        }
        fonts_.push_back(std::make_unique<RealisedFont>());
        f_ = fonts_.back().get();
        f_->realised = next;
        SetUpFace();
        f_->reader = std::make_unique<CodePageReader>(f_->realised.codePage);
        SetUpMapping();
    }

    // The realisation of `font` for a line of `language`. Lines in italics
    // or another tagged style switch back and forth for every line measured
    // or drawn: the few asked for lately are remembered, not looked up again.
    const Realisation& RealisationOf(const FontSpec& font, const char* language) {
        for (const RealisationAsked& a : asked_)
            if (a.language == language && a.font == font) return a.realised;
        if (asked_.size() >= kRememberedRequests) asked_.clear();
        const FaceChoice& r = provider_.Resolve(request_, RealisedCharset(font.charset));
        Realisation next;
        next.file = r.file;
        next.index = r.index;
        next.ppem = std::max(1, font.pixelEm > 0 ? font.pixelEm : PixelEmHeight(font.sizePoints));
        next.xppem64 = std::max(1, (next.ppem * 64 * std::clamp(font.widthPercent, 1, 100) + 50) / 100);
        next.synthBold = r.synthBold;
        next.synthItalic = r.synthItalic;
        next.underline = font.style & kUnderline;
        next.strikeOut = font.style & kStrikeOut;
        next.codePage = CodePageOf(font.charset);
        next.language = language ? language : "";
        asked_.push_back({font, language, std::move(next)});
        return asked_.back().realised;
    }

    static constexpr size_t kRememberedRequests = 16;

    // Realisations kept with their glyphs: the chosen style and the styles
    // of a few tagged runs.
    static constexpr size_t kKeptRealisations = 8;

    void SizeMainFace() {
        if (!f_->face) return;
        if (FT_IS_SCALABLE(f_->face))
            SizeFace(f_->face, f_->realised.ppem, f_->realised.xppem64);
        else if (f_->face->num_fixed_sizes > 0)
            FT_Select_Size(f_->face, 0);
    }

    void SetUpFace() {
        f_->face =
            f_->realised.file.empty() ? nullptr : provider_.Open(f_->realised.file, f_->realised.index);
        const int ppem = f_->realised.ppem;
        f_->style = {f_->realised.synthBold, f_->realised.synthItalic, ppem, 0};
        f_->underlineTop = f_->strikeTop = 0;
        f_->underlineSize = f_->strikeSize = 1;
        f_->ascent = ppem;
        f_->descent = 0;
        if (!f_->face) return;
        SizeMainFace();
        const long upem = f_->face->units_per_EM > 0 ? f_->face->units_per_EM : 2048;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f_->face, FT_SFNT_OS2));
        long winAscent = f_->face->ascender, winDescent = -f_->face->descender;
        if (os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
            winAscent = os2->usWinAscent;
            winDescent = os2->usWinDescent;
        }
        f_->ascent = ScaleRound(winAscent, ppem, upem);
        f_->descent = ScaleRound(winDescent, ppem, upem);
        f_->style.ascent = f_->ascent;
        f_->style.descent = f_->descent;
        // Underline and strike-out: the outline metrics GDI gives the font,
        // each font-unit value scaled to the em and rounded on its own (the
        // 42-point strike-out position, 530 units at 56 pixels = 14.49, is 14:
        // not FreeType's 26.6 rounding, which gives 14.5 and then 15).
        // Underline: the post table's position, which GDI takes as the
        // rule's centre (up positive), and thickness. FreeType reads that
        // position as the rule's top and lowers it by half the thickness (a
        // row too low at 20 points), so its underline_position, the centre
        // in every other format, only serves fonts without a post table.
        long underlinePos = f_->face->underline_position;
        long underlineSize = f_->face->underline_thickness;
        if (const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(f_->face, FT_SFNT_POST))) {
            underlinePos = post->underlinePosition;
            underlineSize = post->underlineThickness;
        }
        const RuleRows underline = PlaceRule(f_->ascent, ScaleRound(underlinePos, ppem, upem),
                                             ScaleRound(underlineSize, ppem, upem));
        f_->underlineTop = underline.top;
        f_->underlineSize = underline.count;
        // Strike-out: the OS/2 position and size; without them, a quarter em
        // above the baseline, as thick as the underline.
        long strikePos = upem / 4, strikeSize = underlineSize;
        if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
            strikePos = os2->yStrikeoutPosition;
            strikeSize = os2->yStrikeoutSize;
        }
        const RuleRows strike =
            PlaceRule(f_->ascent, ScaleRound(strikePos, ppem, upem), ScaleRound(strikeSize, ppem, upem));
        f_->strikeTop = strike.top;
        f_->strikeSize = strike.count;
    }

    void SetUpMapping() {
        f_->symbolMap = false;
        if (f_->face) {
            const bool hasUnicode = FT_Select_Charmap(f_->face, FT_ENCODING_UNICODE) == 0;
            const bool wantSymbol = f_->realised.codePage.empty() || !hasUnicode;
            if (wantSymbol && FT_Select_Charmap(f_->face, FT_ENCODING_MS_SYMBOL) == 0)
                f_->symbolMap = true;
            else if (hasUnicode)
                FT_Select_Charmap(f_->face, FT_ENCODING_UNICODE);
        }
        // SYMBOL: the bytes select the symbol glyphs directly, or read as
        // Latin-1 when the face has no symbol table. A symbol-only face under
        // a text character set maps its bytes the same way.
        f_->byteChars = f_->reader->ByteTable();
        if (f_->symbolMap && !f_->reader->MultiByte())
            for (int b = 0; b < 256; ++b) f_->byteChars[size_t(b)] = 0xF000u + uint32_t(b);
        for (int b = 0; b < 256; ++b)
            f_->byteComplex[size_t(b)] = f_->face && !f_->symbolMap && NeedsLayout(f_->byteChars[size_t(b)]);
    }

    // Lays out `text` into placed_ and gives its width.
    int Place(std::string_view text) {
        placed_.clear();
        if (!f_->reader->MultiByte()) {
            characters_.clear();
            bool complex = false;
            for (unsigned char b : text) {
                characters_.push_back(f_->byteChars[b]);
                complex |= f_->byteComplex[b];
            }
            if (!complex) {
                int pen = 0, i = 0;
                for (unsigned char b : text) {
                    const Glyph& g = ByteGlyph(b);
                    placed_.push_back({&g, pen, 0, i++});
                    pen += g.advance;
                }
                return pen;
            }
        } else {
            f_->reader->Decode(text, characters_);
        }
        bool complex = false;
        if (f_->face && !f_->symbolMap)
            for (const uint32_t c : characters_) complex = complex || NeedsLayout(c);
        if (complex) return PlaceComplex();
        int pen = 0, i = 0;
        for (const uint32_t c : characters_) {
            const Glyph& g = CharGlyph(c);
            placed_.push_back({&g, pen, 0, i++});
            pen += g.advance;
        }
        return pen;
    }

    // The bidi and shaping layout of characters_ into placed_; gives the
    // width.
    int PlaceComplex() {
        // The renderer measures a line and then draws it: the second layout
        // is the first one again.
        if (f_->lastValid && characters_ == f_->lastCharacters) {
            placed_ = f_->lastPlaced;
            return f_->lastWidth;
        }
        f_->lastValid = true;
        f_->lastCharacters = characters_;
        f_->lastWidth = LayOutComplex();
        f_->lastPlaced = placed_;
        return f_->lastWidth;
    }

    int LayOutComplex() {
        const size_t n = characters_.size();
        ResolveLevels(characters_, levels_);
        // Characters common to all scripts (spaces, punctuation, digits) and
        // marks take the script of the text before them, at the start of the
        // line the script after them.
        scripts_.assign(n, HB_SCRIPT_COMMON);
        hb_script_t last = HB_SCRIPT_COMMON;
        for (size_t i = 0; i < n; ++i) {
            const hb_script_t s = ScriptOf(characters_[i]);
            if (s != HB_SCRIPT_COMMON && s != HB_SCRIPT_INHERITED && s != HB_SCRIPT_UNKNOWN) last = s;
            scripts_[i] = last;
        }
        for (size_t i = n; i-- > 0;) {
            if (scripts_[i] != HB_SCRIPT_COMMON)
                last = scripts_[i];
            else
                scripts_[i] = last;
        }
        // Runs: one level, one script, one face.
        runs_.clear();
        for (size_t start = 0; start < n;) {
            size_t end = start + 1;
            while (end < n && levels_[end] == levels_[start] && scripts_[end] == scripts_[start]) ++end;
            AddItemRuns(start, end);
            start = end;
        }
        std::vector<uint8_t> runLevels(runs_.size());
        for (size_t r = 0; r < runs_.size(); ++r) runLevels[r] = runs_[r].level;
        int pen = 0;
        for (const int r : VisualOrder(runLevels)) pen = PlaceRun(runs_[size_t(r)], pen);
        return pen;
    }

    // The runs of characters [start, end), all of one level and script.
    void AddItemRuns(size_t start, size_t end) {
        const hb_script_t script = scripts_[start];
        faces_.assign(end - start, nullptr);
        if (IsShapedScript(script)) {
            std::vector<uint32_t> needed;
            for (size_t i = start; i < end; ++i) {
                const uint32_t c = characters_[i];
                if (c != kNoCharacter && !IsFormatCharacter(c) &&
                    std::find(needed.begin(), needed.end(), c) == needed.end())
                    needed.push_back(c);
            }
            FT_Face item = FaceHaving(needed);
            for (size_t i = start; i < end; ++i) {
                const uint32_t c = characters_[i];
                FT_Face& f = faces_[i - start];
                if (c == kNoCharacter) continue;  // the requested face's box, glyph by glyph
                if (item && (IsFormatCharacter(c) || FT_Get_Char_Index(item, c) != 0))
                    f = item;
                else if (FT_Get_Char_Index(f_->face, c) != 0)
                    f = f_->face;
                else if (const Fallback* fallback = FallbackFor(c))
                    f = fallback->face;
            }
        }
        for (size_t i = start; i < end;) {
            size_t j = i + 1;
            while (j < end && faces_[j - start] == faces_[i - start]) ++j;
            // Only digits, spaces and punctuation: glyph by glyph, as in a
            // line of Latin text.
            bool shaped = false;
            for (size_t k = i; k < j && !shaped; ++k) shaped = IsShapedScript(ScriptOf(characters_[k]));
            runs_.push_back({i, j - i, levels_[i], script, shaped ? faces_[i - start] : nullptr});
            i = j;
        }
    }

    int PlaceRun(const Run& run, int pen) {
        const bool rtl = run.level & 1;
        if (!run.face) {
            for (size_t k = 0; k < run.length; ++k) {
                const size_t i = rtl ? run.start + run.length - 1 - k : run.start + k;
                const Glyph& g = CharGlyph(rtl ? MirroredCharacter(characters_[i]) : characters_[i]);
                placed_.push_back({&g, pen, 0, int(i)});
                pen += g.advance;
            }
            return pen;
        }
        SizeFace(run.face, f_->realised.ppem, f_->realised.xppem64);
        // The shaper keeps a HarfBuzz font per face and size key: narrowed
        // text has a key of its own.
        const int sizeKey =
            f_->realised.xppem64 == f_->realised.ppem * 64 ? f_->realised.ppem : -f_->realised.xppem64;
        shaper_.Shape(run.face, sizeKey, characters_, run.start, run.length, rtl, run.script, shaped_);
        const GlyphStyle style = StyleOf(run.face);
        int pen64 = 0;
        for (const ShapedGlyph& s : shaped_) {
            const Glyph& g = f_->cache.Get(provider_.Library(), run.face, s.index, style);
            placed_.push_back(
                {&g, pen + ((pen64 + s.xOffset + 32) >> 6), -((s.yOffset + 32) >> 6), s.cluster});
            pen64 += s.xAdvance + (style.synthBold && s.xAdvance ? 64 : 0);
        }
        return pen + ((pen64 + 32) >> 6);
    }

    GlyphStyle StyleOf(FT_Face face) const {
        GlyphStyle style = f_->style;
        for (const Fallback& f : f_->fallbacks)
            if (f.face == face && face != f_->face)
                style.synthBold = f.synthBold, style.synthItalic = f.synthItalic;
        return style;
    }

    const Glyph& ByteGlyph(unsigned char b) {
        const Glyph* g = f_->byteGlyphs[b];
        if (!g) g = f_->byteGlyphs[b] = &CharGlyph(f_->byteChars[b]);
        return *g;
    }

    const Glyph& CharGlyph(uint32_t character) {
        auto [it, added] = f_->charGlyphs.try_emplace(character, nullptr);
        if (!added) return *it->second;
        if (!f_->face) {
            f_->noFace.advance = f_->realised.ppem / 2;
            return *(it->second = &f_->noFace);
        }
        FT_UInt index = character == kNoCharacter ? 0 : FT_Get_Char_Index(f_->face, character);
        FT_Face from = f_->face;
        if (index == 0 && character != kNoCharacter && !f_->symbolMap) {
            if (const Fallback* f = FallbackFor(character)) {
                from = f->face;
                index = FT_Get_Char_Index(from, character);
            }
        }
        SizeFace(from, f_->realised.ppem, f_->realised.xppem64);
        return *(it->second = &f_->cache.Get(provider_.Library(), from, index, StyleOf(from)));
    }

    // The face for a character the requested face lacks: first a face that
    // already stood in for another character and has it, otherwise the first
    // face fontconfig offers for the request that has it. Null when no face
    // has it (the requested face then draws its box).
    const Fallback* FallbackFor(uint32_t character) {
        for (const Fallback& f : f_->fallbacks)
            if (FT_Get_Char_Index(f.face, character) != 0) return &f;
        return AddFallback({character});
    }

    // A face with every one of `characters`: the requested face, a face that
    // already stood in, or the first fontconfig offers. Null when none has
    // them all.
    FT_Face FaceHaving(const std::vector<uint32_t>& characters) {
        auto hasAll = [&](FT_Face face) {
            for (const uint32_t c : characters)
                if (FT_Get_Char_Index(face, c) == 0) return false;
            return true;
        };
        if (hasAll(f_->face)) return f_->face;
        for (const Fallback& f : f_->fallbacks)
            if (hasAll(f.face)) return f.face;
        std::u32string key(characters.begin(), characters.end());
        std::sort(key.begin(), key.end());
        if (f_->uncovered.count(key)) return nullptr;  // asked before: fontconfig's sort is slow
        const Fallback* f = AddFallback(characters);
        if (!f) f_->uncovered.insert(std::move(key));
        return f ? f->face : nullptr;
    }

    const Fallback* AddFallback(const std::vector<uint32_t>& characters) {
        const char* language = !f_->realised.language.empty()
                                   ? f_->realised.language.c_str()
                                   : FallbackLanguage(RealisedCharset(spec_.charset), characters.front());
        const FaceChoice choice =
            provider_.Covering(request_, f_->realised.ppem, characters, f_->face, language);
        if (choice.file.empty()) return nullptr;
        Fallback found{provider_.Open(choice.file, choice.index), choice.synthBold, choice.synthItalic};
        if (!found.face) return nullptr;
        for (const Fallback& f : f_->fallbacks)
            if (f.face == found.face) return &f;
        f_->fallbacks.push_back(found);
        return &f_->fallbacks.back();
    }

    FontProvider provider_;
    Shaper shaper_;

    bool haveFont_ = false;
    FontSpec spec_;
    const char* language_ = nullptr;  // CjkLanguage of the last line
    FaceRequest request_;
    struct RealisationAsked {
        FontSpec font;
        const char* language;
        Realisation realised;
    };
    std::deque<RealisationAsked> asked_;  // addresses stay put until cleared
    bool realisedOnce_ = false;
    // The realisations used so far, the latest last; f_ is the current one.
    std::vector<std::unique_ptr<RealisedFont>> fonts_;
    RealisedFont* f_ = nullptr;

    std::vector<uint32_t> characters_;
    std::vector<uint8_t> levels_;
    std::vector<hb_script_t> scripts_;
    std::vector<FT_Face> faces_;
    std::vector<Run> runs_;
    std::vector<ShapedGlyph> shaped_;
    std::vector<Placed> placed_;

    // Grey glyphs by everything that decides their pixels, whichever
    // realisation drew them.
    using GreyKey = std::tuple<FT_Face, FT_UInt, int, int, bool, bool, int, int, int>;
    static constexpr size_t kMostGreyGlyphs = 8192;
    std::map<GreyKey, GreyGlyph> greyGlyphs_;
    struct GreyPlaced {
        const GreyGlyph* glyph;
        int x, y;  // the glyph's box's top-left corner, cell coordinates
    };
    std::vector<GreyPlaced> greyPlaced_;  // of the last grey layout, while greyValid_
    int greyExtent_ = 0;
    bool greyValid_ = false;
    int greyOutline64_ = -1;
    FontSpec greyFont_;
    std::string greyText_;
};

}  // namespace

std::unique_ptr<TextEngine> CreateFreeTypeEngine() { return std::make_unique<FreeTypeEngine>(); }

}  // namespace glyphon
