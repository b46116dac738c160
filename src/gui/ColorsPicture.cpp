#include "gui/ColorsPicture.h"

#include <string_view>

namespace glyphon {

namespace {

constexpr int kSize = 70;
constexpr QRgb kField = qRgb(198, 0, 0);
constexpr QRgb kOutline = qRgb(0, 0, 0);
constexpr QRgb kAntialias = qRgb(132, 132, 132);
constexpr QRgb kText = qRgb(255, 255, 255);
constexpr QRgb kArrow = qRgb(0, 0, 0);
constexpr QRgb kLabel = qRgb(255, 255, 255);

struct Box {
    int left, top, right, bottom;  // inclusive
    Box Grown(int d) const { return {left - d, top - d, right + d, bottom + d}; }
};

// The body of the T: its bar and its stem.
constexpr Box kBar{10, 11, 36, 18};
constexpr Box kStem{20, 11, 26, 56};
constexpr int kAntialiasWidth = 3;
constexpr int kOutlineWidth = 3;

void Fill(QImage& image, const Box& b, QRgb colour) {
    for (int y = b.top; y <= b.bottom; ++y)
        for (int x = b.left; x <= b.right; ++x)
            if (x >= 0 && y >= 0 && x < kSize && y < kSize) image.setPixel(x, y, colour);
}

// Capital letters of a small pixel font, 5 rows each, as wide as their rows.
struct Glyph {
    char c;
    const char* rows[5];
};
constexpr Glyph kGlyphs[] = {
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}}, {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}}, {'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},
    {'O', {"###", "#.#", "#.#", "#.#", "###"}}, {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    {'B', {"##.", "#.#", "##.", "#.#", "##."}}, {'G', {"###", "#..", "#.#", "#.#", "###"}},
};

const Glyph* GlyphOf(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

int GlyphWidth(const Glyph& g) { return int(std::string_view(g.rows[0]).size()); }

int TextWidth(std::string_view text) {
    int w = 0;
    for (char c : text)
        if (const Glyph* g = GlyphOf(c)) w += GlyphWidth(*g) + 1;
    return w > 0 ? w - 1 : 0;
}

void DrawText(QImage& image, int left, int top, std::string_view text) {
    for (char c : text) {
        const Glyph* g = GlyphOf(c);
        if (!g) continue;
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < GlyphWidth(*g); ++col)
                if (g->rows[row][col] == '#') image.setPixel(left + col, top + row, kLabel);
        left += GlyphWidth(*g) + 1;
    }
}

// A label at the right edge with an arrow running left from it to `tipX`.
void Pointer(QImage& image, int y, int tipX, std::string_view label) {
    const int labelLeft = kSize - 2 - TextWidth(label);
    DrawText(image, labelLeft, y - 2, label);
    for (int x = tipX; x <= labelLeft - 2; ++x) image.setPixel(x, y, kArrow);
    // The head: a filled triangle opening to the right of the tip.
    for (int k = 1; k <= 3; ++k)
        for (int dy = -k; dy <= k; ++dy) image.setPixel(tipX + k, y + dy, kArrow);
}

}  // namespace

QImage ColorsPicture() {
    QImage image(kSize, kSize, QImage::Format_RGB32);
    image.fill(kField);
    for (const Box& b : {kBar, kStem}) Fill(image, b.Grown(kAntialiasWidth + kOutlineWidth), kOutline);
    for (const Box& b : {kBar, kStem}) Fill(image, b.Grown(kAntialiasWidth), kAntialias);
    for (const Box& b : {kBar, kStem}) Fill(image, b, kText);

    // Top to bottom: into the bar's body, into the grey band right of the
    // stem, onto the black band's edge, onto the field.
    Pointer(image, 14, kBar.right - 2, "TXT");
    Pointer(image, 30, kStem.right + 2, "ANT");
    Pointer(image, 46, kStem.right + kAntialiasWidth + kOutlineWidth + 1, "OUT");
    Pointer(image, 62, kStem.right + kAntialiasWidth + kOutlineWidth + 6, "BG");
    return image;
}

}  // namespace glyphon
