// The text engine on FreeType and fontconfig.
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
// Glyphs are hinted for and rendered in monochrome, so no pixel is ever
// partly covered. Advances are the hinted whole-pixel advances; there is no
// kerning. A bold style on a family without a bold face is simulated as GDI
// does it: every glyph is smeared one pixel to the right and advances one
// pixel further. An italic style without an italic face shears the outlines.
//
// A character the face has no glyph for is drawn from the face fontconfig
// offers for that character under the same request (family, style, pixel
// size), with that face's hinted glyph and advance; the line keeps the
// requested face's ascent and descent. Bytes a code page cannot read, and
// the symbol mapping, keep the requested face's missing-glyph box.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <deque>
#include <map>
#include <unordered_map>
#include <vector>

#include "common/Utf8.h"
#include "render/Decoration.h"
#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

constexpr uint32_t kNoCharacter = 0xFFFFFFFFu;  // a byte the code page cannot map

// Nearest integer of value * num / den, halves up (toward +infinity).
int ScaleRound(long value, long num, long den) {
    if (den <= 0) return 0;
    const long n = 2 * value * num + den, d = 2 * den;
    return int(n >= 0 ? n / d : -((-n + d - 1) / d));  // floor(n / d)
}

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

bool IsDoubleByte(const std::string& codePage) {
    return codePage == "CP932" || codePage == "CP936" || codePage == "CP949" || codePage == "CP950" ||
           codePage == "JOHAB";
}

struct Glyph {
    int advance = 0;
    int left = 0, top = 0;  // bitmap's left column and top row, relative to pen and baseline (up positive)
    int width = 0, rows = 0;
    int words = 0;
    std::vector<uint64_t> bits;  // rows x words, LSB = leftmost pixel
};

// A face that stands in for characters the requested face lacks.
struct Fallback {
    FT_Face face = nullptr;
    bool synthBold = false, synthItalic = false;
};

struct Resolved {
    std::string file;
    int index = 0;
    bool synthBold = false;
    bool synthItalic = false;
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
    friend bool operator==(const Realisation&, const Realisation&) = default;
};

class FreeTypeEngine final : public TextEngine {
public:
    FreeTypeEngine() {
        if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
        FcInit();
    }
    ~FreeTypeEngine() override {
        if (dbcs_ != reinterpret_cast<iconv_t>(-1)) iconv_close(dbcs_);
        for (auto& [key, face] : faces_)
            if (face) FT_Done_Face(face);
        if (library_) FT_Done_FreeType(library_);
    }

    TextExtent MeasureLine(std::string_view text, const FontSpec& font) override {
        Use(font);
        if (text.empty()) text = " ";
        int width = 0;
        if (!doubleByte_) {
            for (unsigned char b : text) width += ByteGlyph(b).advance;
        } else {
            Decode(text);
            for (uint32_t c : decoded_) width += GlyphOf(c).advance;
        }
        return {width, ascent_ + descent_};
    }

    void DrawLineMask(std::string_view text, const FontSpec& font, LineMask& mask) override {
        Use(font);
        mask.Reset(0, 0, 0, 0);
        if (text.empty()) return;
        placed_.clear();
        if (!doubleByte_) {
            for (unsigned char b : text) placed_.push_back(&ByteGlyph(b));
        } else {
            Decode(text);
            for (uint32_t c : decoded_) placed_.push_back(&GlyphOf(c));
        }
        // Bounds of every glyph bitmap and of the decoration lines.
        int pen = 0;
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
        for (const Glyph* g : placed_) {
            include(pen + g->left, ascent_ - g->top, pen + g->left + g->width, ascent_ - g->top + g->rows);
            pen += g->advance;
        }
        const int extent = pen;
        if (realised_.underline) include(0, underlineTop_, extent, underlineTop_ + underlineSize_);
        if (realised_.strikeOut) include(0, strikeTop_, extent, strikeTop_ + strikeSize_);
        if (!any) return;
        mask.Reset(minX, minY, maxX - minX, maxY - minY);
        pen = 0;
        for (const Glyph* g : placed_) {
            Blit(*g, pen + g->left - minX, ascent_ - g->top - minY, mask);
            pen += g->advance;
        }
        if (realised_.underline) FillRows(mask, -minX, extent - minX, underlineTop_ - minY, underlineSize_);
        if (realised_.strikeOut) FillRows(mask, -minX, extent - minX, strikeTop_ - minY, strikeSize_);
    }

    std::string FaceName(const FontSpec& font) override {
        Use(font);
        return face_ && face_->family_name ? std::string(face_->family_name) : std::string();
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

    static void FillRows(LineMask& mask, int x0, int x1, int y0, int rows) {
        for (int y = y0; y < y0 + rows; ++y)
            for (int x = x0; x < x1; ++x) mask.Set(x, y);
    }

    // Makes `font` the current font; the glyph cache survives unless the
    // realisation really differs.
    void Use(const FontSpec& font) {
        if (haveFont_ && font == spec_) return;
        spec_ = font;
        haveFont_ = true;
        const bool bold = font.style & kBold, italic = font.style & kItalic;
        const Resolved& r =
            Resolve(FamilyOf(font), bold, italic, RealisedCharset(font.charset));
        Realisation next;
        next.file = r.file;
        next.index = r.index;
        next.ppem = std::max(1, PixelEmHeight(font.sizePoints));
        next.xppem64 = std::max(1, (next.ppem * 64 * std::clamp(font.widthPercent, 1, 100) + 50) / 100);
        next.synthBold = r.synthBold;
        next.synthItalic = r.synthItalic;
        next.underline = font.style & kUnderline;
        next.strikeOut = font.style & kStrikeOut;
        next.codePage = CodePageOf(font.charset);
        if (realisedOnce_ && next == realised_) return;
        realised_ = next;
        realisedOnce_ = true;
        glyphs_.clear();
        byteGlyphs_.fill(nullptr);
        fallbacks_.clear();
        SetUpFace();
        SetUpMapping();
    }

    // The realisation's size on a scalable face: whole pixels per em as
    // before, narrowed text at a fractional horizontal size.
    void SetSize(FT_Face face) const {
        if (realised_.xppem64 == realised_.ppem * 64)
            FT_Set_Pixel_Sizes(face, 0, FT_UInt(realised_.ppem));
        else
            FT_Set_Char_Size(face, FT_F26Dot6(realised_.xppem64), FT_F26Dot6(realised_.ppem) * 64, 72, 72);
    }

    static std::string FamilyOf(const FontSpec& font) {
        return font.name == "Default" ? "MS Sans Serif" : font.name;
    }

    const Resolved& Resolve(const std::string& name, bool bold, bool italic, int charset) {
        const std::string key =
            name + '\x01' + char('0' + bold) + char('0' + italic) + std::to_string(charset);
        auto it = resolved_.find(key);
        if (it != resolved_.end()) return it->second;
        Resolved r;
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        if (const char* lang = LanguageOf(charset))
            FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        if (match) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
                r.file = reinterpret_cast<const char*>(file);
            FcPatternGetInteger(match, FC_INDEX, 0, &r.index);
            int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
            FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(match, FC_SLANT, 0, &slant);
            r.synthBold = bold && weight < FC_WEIGHT_DEMIBOLD;
            r.synthItalic = italic && slant == FC_SLANT_ROMAN;
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
        return resolved_.emplace(key, r).first->second;
    }

    void SetUpFace() {
        face_ = nullptr;
        const auto key = std::make_pair(realised_.file, realised_.index);
        auto it = faces_.find(key);
        if (it != faces_.end()) {
            face_ = it->second;
        } else if (library_ && !realised_.file.empty()) {
            FT_Face face = nullptr;
            if (FT_New_Face(library_, realised_.file.c_str(), realised_.index, &face) != 0) face = nullptr;
            faces_[key] = face;
            face_ = face;
        }
        const int ppem = realised_.ppem;
        ascent_ = ppem;
        descent_ = 0;
        underlineTop_ = strikeTop_ = 0;
        underlineSize_ = strikeSize_ = 1;
        if (!face_) return;
        if (FT_IS_SCALABLE(face_))
            SetSize(face_);
        else if (face_->num_fixed_sizes > 0)
            FT_Select_Size(face_, 0);
        const long upem = face_->units_per_EM > 0 ? face_->units_per_EM : 2048;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
        long winAscent = face_->ascender, winDescent = -face_->descender;
        if (os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
            winAscent = os2->usWinAscent;
            winDescent = os2->usWinDescent;
        }
        ascent_ = ScaleRound(winAscent, ppem, upem);
        descent_ = ScaleRound(winDescent, ppem, upem);
        // Underline and strike-out: the outline metrics GDI gives the font,
        // each font-unit value scaled to the em and rounded on its own (the
        // 42-point strike-out position, 530 units at 56 pixels = 14.49, is 14:
        // not FreeType's 26.6 rounding, which gives 14.5 and then 15).
        // Underline: the post table's position, which GDI takes as the
        // rule's centre (up positive), and thickness. FreeType reads that
        // position as the rule's top and lowers it by half the thickness (a
        // row too low at 20 points), so its underline_position, the centre
        // in every other format, only serves fonts without a post table.
        long underlinePos = face_->underline_position;
        long underlineSize = face_->underline_thickness;
        if (const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face_, FT_SFNT_POST))) {
            underlinePos = post->underlinePosition;
            underlineSize = post->underlineThickness;
        }
        const RuleRows underline =
            PlaceRule(ascent_, ScaleRound(underlinePos, ppem, upem), ScaleRound(underlineSize, ppem, upem));
        underlineTop_ = underline.top;
        underlineSize_ = underline.count;
        // Strike-out: the OS/2 position and size; without them, a quarter em
        // above the baseline, as thick as the underline.
        long strikePos = upem / 4, strikeSize = underlineSize;
        if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
            strikePos = os2->yStrikeoutPosition;
            strikeSize = os2->yStrikeoutSize;
        }
        const RuleRows strike =
            PlaceRule(ascent_, ScaleRound(strikePos, ppem, upem), ScaleRound(strikeSize, ppem, upem));
        strikeTop_ = strike.top;
        strikeSize_ = strike.count;
    }

    void SetUpMapping() {
        if (dbcs_ != reinterpret_cast<iconv_t>(-1)) iconv_close(dbcs_);
        dbcs_ = reinterpret_cast<iconv_t>(-1);
        doubleByte_ = false;
        utf8_ = false;
        symbolMap_ = false;
        if (face_) {
            const bool hasUnicode = FT_Select_Charmap(face_, FT_ENCODING_UNICODE) == 0;
            const bool wantSymbol = realised_.codePage.empty() || !hasUnicode;
            if (wantSymbol && FT_Select_Charmap(face_, FT_ENCODING_MS_SYMBOL) == 0)
                symbolMap_ = true;
            else if (hasUnicode)
                FT_Select_Charmap(face_, FT_ENCODING_UNICODE);
        }
        const std::string& cp = realised_.codePage;
        if (cp.empty()) {
            // SYMBOL: the bytes select the symbol glyphs directly, or read as
            // Latin-1 when the face has no symbol table.
            for (int b = 0; b < 256; ++b)
                byteChars_[size_t(b)] = symbolMap_ ? 0xF000u + uint32_t(b) : uint32_t(b);
            return;
        }
        if (cp == "UTF-8") {
            doubleByte_ = utf8_ = true;  // read character by character, as a double-byte page
            return;
        }
        if (IsDoubleByte(cp)) {
            dbcs_ = iconv_open("UTF-32LE", cp.c_str());
            doubleByte_ = dbcs_ != reinterpret_cast<iconv_t>(-1);
            if (doubleByte_) return;
        }
        auto cached = byteTables_.find(cp);
        if (cached == byteTables_.end()) cached = byteTables_.emplace(cp, BuildByteTable(cp)).first;
        byteChars_ = cached->second;
        if (symbolMap_)  // a symbol-only face under a text character set
            for (int b = 0; b < 256; ++b) byteChars_[size_t(b)] = 0xF000u + uint32_t(b);
    }

    static std::array<uint32_t, 256> BuildByteTable(const std::string& cp) {
        std::array<uint32_t, 256> table;
        table.fill(kNoCharacter);
        iconv_t cd = iconv_open("UTF-32LE", cp.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            for (int b = 0; b < 256; ++b) table[size_t(b)] = uint32_t(b);  // Latin-1
            return table;
        }
        for (int b = 0; b < 256; ++b) {
            char in = char(b);
            char* inp = &in;
            size_t inLeft = 1;
            uint32_t out[4] = {};
            char* outp = reinterpret_cast<char*>(out);
            size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
            // Some converters (1258) hold a character back to compose it
            // with a following accent: flush it out.
            if (rc != size_t(-1)) iconv(cd, nullptr, nullptr, &outp, &outLeft);
            if (rc != size_t(-1) && outLeft < sizeof out) table[size_t(b)] = out[0];
        }
        iconv_close(cd);
        return table;
    }

    // Decodes a multibyte text into characters; a byte sequence the code page
    // cannot read becomes one missing character per byte.
    void Decode(std::string_view text) {
        decoded_.clear();
        if (utf8_) return DecodeUtf8(text, decoded_);
        iconv(dbcs_, nullptr, nullptr, nullptr, nullptr);
        char* inp = const_cast<char*>(text.data());
        size_t inLeft = text.size();
        uint32_t buffer[64];
        while (inLeft > 0) {
            char* outp = reinterpret_cast<char*>(buffer);
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(dbcs_, &inp, &inLeft, &outp, &outLeft);
            const size_t produced = (sizeof buffer - outLeft) / 4;
            decoded_.insert(decoded_.end(), buffer, buffer + produced);
            if (rc != size_t(-1)) break;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a lead byte without its trail byte at the end).
            decoded_.push_back(kNoCharacter);
            ++inp;
            --inLeft;
            iconv(dbcs_, nullptr, nullptr, nullptr, nullptr);
        }
    }

    const Glyph& ByteGlyph(unsigned char b) {
        const Glyph* g = byteGlyphs_[b];
        if (!g) g = byteGlyphs_[b] = &GlyphOf(byteChars_[b]);
        return *g;
    }

    const Glyph& GlyphOf(uint32_t character) {
        auto it = glyphs_.find(character);
        if (it != glyphs_.end()) return it->second;
        return glyphs_.emplace(character, LoadGlyph(character)).first->second;
    }

    Glyph LoadGlyph(uint32_t character) {
        Glyph g;
        if (!face_) {
            g.advance = realised_.ppem / 2;
            return g;
        }
        FT_UInt index = character == kNoCharacter ? 0 : FT_Get_Char_Index(face_, character);
        Fallback from{face_, realised_.synthBold, realised_.synthItalic};
        if (index == 0 && character != kNoCharacter && !symbolMap_) {
            if (const Fallback* f = FallbackFor(character)) {
                from = *f;
                index = FT_Get_Char_Index(from.face, character);
            }
        }
        FT_Face face = from.face;
        if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0 &&
            (index == 0 || FT_Load_Glyph(face, index = 0, FT_LOAD_TARGET_MONO) != 0))
            return g;
        FT_GlyphSlot slot = face->glyph;
        g.advance = int((slot->advance.x + 32) >> 6);
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE && from.synthItalic) {
            // The shear of an oblique face: x += 0.2126 y.
            FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
            FT_Outline_Transform(&slot->outline, &shear);
        }
        // Outlines are rasterised into a box of our own: its edges are the
        // hinted outline's box rounded outwards (FT_Render_Glyph rounds them
        // to the nearest pixel, which can move a dropout pixel of a tail one
        // row up), clipped to the text cell as GDI clips every glyph between
        // the Windows ascent and descent.
        std::vector<unsigned char> own;
        FT_Bitmap rendered{};
        int left = 0, top = 0;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_BBox box;
            FT_Outline_Get_CBox(&slot->outline, &box);
            const FT_Pos x0 = box.xMin & -64, x1 = (box.xMax + 63) & -64;
            const FT_Pos y0 = std::max<FT_Pos>(box.yMin & -64, -FT_Pos(descent_) * 64);
            const FT_Pos y1 = std::min<FT_Pos>((box.yMax + 63) & -64, FT_Pos(ascent_) * 64);
            if (x1 > x0 && y1 > y0) {
                rendered.width = unsigned((x1 - x0) >> 6);
                rendered.rows = unsigned((y1 - y0) >> 6);
                rendered.pitch = int((rendered.width + 7) / 8);
                rendered.pixel_mode = FT_PIXEL_MODE_MONO;
                rendered.num_grays = 2;
                own.assign(size_t(rendered.pitch) * rendered.rows, 0);
                rendered.buffer = own.data();
                FT_Outline_Translate(&slot->outline, -x0, -y0);
                if (FT_Outline_Get_Bitmap(library_, &slot->outline, &rendered) != 0) return g;
                left = int(x0 >> 6);
                top = int(y1 >> 6);
            }
        } else if (slot->format != FT_GLYPH_FORMAT_BITMAP) {
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return g;
        }
        const bool ownBitmap = slot->format == FT_GLYPH_FORMAT_OUTLINE;
        const FT_Bitmap& bm = ownBitmap ? rendered : slot->bitmap;
        const bool smear = from.synthBold;
        g.left = ownBitmap ? left : slot->bitmap_left;
        g.top = ownBitmap ? top : slot->bitmap_top;
        g.rows = int(bm.rows);
        g.width = int(bm.width) + (smear && bm.width ? 1 : 0);
        if (smear) g.advance += 1;
        g.words = (g.width + 63) / 64;
        g.bits.assign(size_t(g.words) * size_t(g.rows), 0);
        for (int y = 0; y < g.rows; ++y) {
            const unsigned char* src = bm.buffer + long(y) * bm.pitch;
            uint64_t* dst = g.bits.data() + size_t(y) * size_t(g.words);
            for (int x = 0; x < int(bm.width); ++x) {
                bool on = false;
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    on = (src[x >> 3] >> (7 - (x & 7))) & 1;
                else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                    on = src[x] >= 128;  // never a partial pixel
                if (!on) continue;
                dst[x >> 6] |= uint64_t(1) << (x & 63);
                if (smear) dst[(x + 1) >> 6] |= uint64_t(1) << ((x + 1) & 63);
            }
        }
        return g;
    }

    // The face for a character the requested face lacks: first a face that
    // already stood in for another character and has it, otherwise the one
    // fontconfig matches for the request plus that character. Null when no
    // face has it (the requested face then draws its box).
    const Fallback* FallbackFor(uint32_t character) {
        for (const Fallback& f : fallbacks_)
            if (FT_Get_Char_Index(f.face, character) != 0) return &f;
        const bool bold = spec_.style & kBold, italic = spec_.style & kItalic;
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(FamilyOf(spec_).c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcPatternAddDouble(pattern, FC_PIXEL_SIZE, realised_.ppem);
        FcCharSet* wanted = FcCharSetCreate();
        FcCharSetAddChar(wanted, character);
        FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
        FcCharSetDestroy(wanted);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        if (!match) return nullptr;
        Fallback found;
        FcChar8* file = nullptr;
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcCharSet* has = nullptr;
        const bool covers = FcPatternGetCharSet(match, FC_CHARSET, 0, &has) == FcResultMatch &&
                            FcCharSetHasChar(has, character);
        if (covers && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(match, FC_SLANT, 0, &slant);
            found.face = FaceOf(reinterpret_cast<const char*>(file), index);
            found.synthBold = bold && weight < FC_WEIGHT_DEMIBOLD;
            found.synthItalic = italic && slant == FC_SLANT_ROMAN;
        }
        FcPatternDestroy(match);
        if (!found.face || found.face == face_ || FT_Get_Char_Index(found.face, character) == 0) return nullptr;
        // Each face keeps one size at a time: a face shared with another
        // realisation is sized again whenever it is used for this one.
        FT_Select_Charmap(found.face, FT_ENCODING_UNICODE);
        fallbacks_.push_back(found);
        return &fallbacks_.back();
    }

    // An opened face from the cache shared by all realisations, sized for
    // the current one.
    FT_Face FaceOf(const std::string& file, int index) {
        const auto key = std::make_pair(file, index);
        auto it = faces_.find(key);
        FT_Face face = nullptr;
        if (it != faces_.end()) {
            face = it->second;
        } else if (library_) {
            if (FT_New_Face(library_, file.c_str(), index, &face) != 0) face = nullptr;
            faces_[key] = face;
        }
        if (face && FT_IS_SCALABLE(face)) SetSize(face);
        return face;
    }

    FT_Library library_ = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> faces_;
    std::unordered_map<std::string, Resolved> resolved_;
    std::map<std::string, std::array<uint32_t, 256>> byteTables_;

    bool haveFont_ = false;
    FontSpec spec_;
    bool realisedOnce_ = false;
    Realisation realised_;
    FT_Face face_ = nullptr;
    int ascent_ = 0, descent_ = 0;
    int underlineTop_ = 0, underlineSize_ = 1, strikeTop_ = 0, strikeSize_ = 1;

    bool symbolMap_ = false;
    bool doubleByte_ = false;
    bool utf8_ = false;
    std::deque<Fallback> fallbacks_;  // stand-in faces of the current realisation; addresses stay put
    iconv_t dbcs_ = reinterpret_cast<iconv_t>(-1);
    std::array<uint32_t, 256> byteChars_{};
    std::unordered_map<uint32_t, Glyph> glyphs_;  // by character; node addresses stay put
    std::array<const Glyph*, 256> byteGlyphs_{};

    std::vector<uint32_t> decoded_;
    std::vector<const Glyph*> placed_;
};

}  // namespace

std::unique_ptr<TextEngine> CreateFreeTypeEngine() { return std::make_unique<FreeTypeEngine>(); }

}  // namespace glyphon
