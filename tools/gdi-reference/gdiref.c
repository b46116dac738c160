/* Reference measurements and drawings from the Windows GDI text layer.
 *
 * Realises fonts exactly as the renderer does (CreateFont with the negative
 * em height, weight 400/700, italic, underline, strike-out, the character set,
 * NONANTIALIASED_QUALITY and the face name), then prints for each case the
 * text metrics, the extent of the line from GetTextExtentPoint32A, the width
 * TextOutA really advances over it, and for a selection of cases the pixels
 * that one TextOutA with a transparent background sets on a white 24-bit DIB
 * section.
 *
 *   gdiref.exe measures.txt bitmaps.txt decorations.txt
 *
 * Record formats (one record per line, fields separated by single spaces,
 * texts as hexadecimal bytes, "-" for the empty text):
 *
 *   F points em style charset tmHeight tmAscent tmDescent tmInternalLeading
 *     underscorePos underscoreSize strikeoutPos strikeoutSize "face" "family" "fullName" "uniqueName"
 *   M points style charset text tmHeight tmAscent tmDescent cx cy drawn
 *   A points style charset cx(0x20) cx(0x21) ... cx(0xFF)
 *     the extent of every byte from 0x20 to 0xFF on its own
 *   B points style charset text left top width height gray
 *     followed by `height` rows of `width` characters, '#' set, '.' clear
 *
 * underscorePos/Size and strikeoutPos/Size are the otmsUnderscorePosition,
 * otmsUnderscoreSize, otmsStrikeoutPosition and otmsStrikeoutSize of the
 * outline metrics (positions above the baseline, negative below it).
 *
 * drawn is the distance TextOutA advances over the text: the text is drawn
 * with an "M" appended, and "M" alone, in the same font without underline
 * and strike-out, and drawn is the difference of the right edges of their
 * ink. cx is what GetTextExtentPoint32A says of the same text; the two differ
 * where the extent comes from other advances than the ones TextOutA steps
 * the glyphs by.
 *
 * Every font of the style list is recorded at every size. Fonts with
 * underline or strike-out get no A record (their advances are those of the
 * same font without) and M records only for the texts they are drawn with;
 * their drawings go to decorations.txt, all others to bitmaps.txt.
 *
 * face is GetTextFace's answer; family, fullName and uniqueName are the
 * otmpFamilyName, otmpFaceName and otmpFullName strings of the outline metrics,
 * read from the font file that was used (despite its name, otmpFullName holds
 * the file's unique identifier).
 *
 * style: bold 1, italic 2, underline 4, strike-out 8. An empty text is
 * measured as a single space (the renderer does the same), and draws nothing.
 * In a B record, (left, top) is the top-left pixel of the bounding box of the
 * set pixels, relative to the point the text was drawn at (the top-left of
 * its text cell); gray counts pixels that came out neither black nor white
 * (always 0 when nothing is smoothed).
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static const int kSizes[] = {6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
                             24, 25, 26, 27, 28, 29, 30, 32, 34, 36, 38, 40, 42, 44, 46, 48, 50};
static const int kBitmapSizes[] = {6, 8, 12, 20, 30, 50};

static const char* const kTexts[] = {
    "Rethymno.",
    "Crete Hellas",
    "The quick brown fox jumps over the lazy dog",
    /* Windows-1252 bytes: curly quotes, e acute, u umlaut, sharp s, A ring,
       ae, o slash, euro sign. */
    "\x93"
    "Caf\xE9"
    "\x94 M\xFC\xDF"
    "ig \xC5\xE6\xF8 \x80",
    "",
    /* Short, with a descender under the underline, an ink start left of the
       pen in italic, and a space the rules run on under. */
    "j y",
};

enum { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };
enum { kDecorations = kUnderline | kStrikeOut, kDecorationText = 5 };

static int EmHeight(int points) { return MulDiv(points, 96, 72); }

static HFONT MakeFont(int points, int style, int charset) {
    return CreateFontA(-EmHeight(points), 0, 0, 0, (style & kBold) ? FW_BOLD : FW_NORMAL,
                       (style & kItalic) ? TRUE : FALSE, (style & kUnderline) ? TRUE : FALSE,
                       (style & kStrikeOut) ? TRUE : FALSE, (BYTE)charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

static void PrintHex(FILE* out, const char* text) {
    if (!*text) {
        fputc('-', out);
        return;
    }
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) fprintf(out, "%02X", *p);
}

static void FontRecord(FILE* out, HDC dc, int points, int style, int charset) {
    TEXTMETRICA tm;
    char face[LF_FACESIZE] = "";
    GetTextMetricsA(dc, &tm);
    GetTextFaceA(dc, sizeof face, face);
    char buffer[4096];
    OUTLINETEXTMETRICA* otm = (OUTLINETEXTMETRICA*)buffer;
    const char* family = "?";
    const char* faceName = "?";
    const char* full = "?";
    int usPos = 0, usSize = 0, soPos = 0, soSize = 0;
    if (GetOutlineTextMetricsA(dc, sizeof buffer, otm)) {
        family = buffer + (size_t)otm->otmpFamilyName;
        faceName = buffer + (size_t)otm->otmpFaceName;
        full = buffer + (size_t)otm->otmpFullName;
        usPos = otm->otmsUnderscorePosition;
        usSize = (int)otm->otmsUnderscoreSize;
        soPos = otm->otmsStrikeoutPosition;
        soSize = (int)otm->otmsStrikeoutSize;
    }
    fprintf(out, "F %d %d %d %d %ld %ld %ld %ld %d %d %d %d \"%s\" \"%s\" \"%s\" \"%s\"\n", points,
            EmHeight(points), style, charset, tm.tmHeight, tm.tmAscent, tm.tmDescent, tm.tmInternalLeading,
            usPos, usSize, soPos, soSize, face, family, faceName, full);
}

/* The pixels one TextOutA of `text` sets with the cell's top-left corner at
   (margin, margin) on a white 24-bit DIB section of w x h, as the bounding
   box of the set pixels relative to that corner; the rows of the box go to
   `rows` when it is given. */
typedef struct {
    int left, top, width, height, gray;
} Ink;

static Ink DrawOnce(HDC dc, const char* text, int length, int margin, int w, int h, FILE* rows) {
    BITMAPINFO bi;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h; /* top-down */
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!bmp) {
        fprintf(stderr, "CreateDIBSection failed\n");
        exit(1);
    }
    const int stride = ((w * 3) + 3) & ~3;
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    memset(bits, 0xFF, (size_t)stride * (size_t)h);
    GdiFlush();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutA(dc, margin, margin, text, length);
    GdiFlush();

    const unsigned char* px = (const unsigned char*)bits;
    int minX = w, minY = h, maxX = -1, maxY = -1, gray = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = px + (size_t)y * stride + (size_t)x * 3;
            const int white = p[0] == 255 && p[1] == 255 && p[2] == 255;
            const int black = p[0] == 0 && p[1] == 0 && p[2] == 0;
            if (!white && !black) ++gray;
            if (white) continue;
            if (x < minX) minX = x;
            if (x > maxX) maxX = x;
            if (y < minY) minY = y;
            if (y > maxY) maxY = y;
        }
    Ink ink = {0, 0, 0, 0, gray};
    if (maxX >= 0) {
        ink.left = minX - margin;
        ink.top = minY - margin;
        ink.width = maxX - minX + 1;
        ink.height = maxY - minY + 1;
        for (int y = minY; rows && y <= maxY; ++y) {
            for (int x = minX; x <= maxX; ++x) {
                const unsigned char* p = px + (size_t)y * stride + (size_t)x * 3;
                fputc(p[0] == 255 && p[1] == 255 && p[2] == 255 ? '.' : '#', rows);
            }
            fputc('\n', rows);
        }
    }
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    return ink;
}

/* Draws the text once in the selected font, on a canvas with a margin of an
   em around its extent and cell. */
static Ink DrawLine(HDC dc, int points, const char* text, int length, FILE* rows) {
    SIZE size = {0, 0};
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    GetTextExtentPoint32A(dc, length ? text : " ", length ? length : 1, &size);
    const int margin = EmHeight(points);
    return DrawOnce(dc, text, length, margin, size.cx + 2 * margin, tm.tmHeight + 2 * margin, rows);
}

/* The distance TextOutA advances over `text` (a single space for the empty
   text): the right ink edge of text + "M" less that of "M" alone, drawn in
   the font without underline and strike-out so that only glyphs have ink.
   Glyphs stand on whole pixels, so the difference is exact. */
static int DrawnWidth(HDC dc, int points, int style, int charset, const char* text) {
    char line[256];
    snprintf(line, sizeof line, "%sM", *text ? text : " ");
    HFONT plain = MakeFont(points, style & ~kDecorations, charset);
    HGDIOBJ old = SelectObject(dc, plain);
    const Ink withM = DrawLine(dc, points, line, (int)strlen(line), NULL);
    const Ink m = DrawLine(dc, points, "M", 1, NULL);
    SelectObject(dc, old);
    DeleteObject(plain);
    return (withM.left + withM.width) - (m.left + m.width);
}

static void MeasureRecord(FILE* out, HDC dc, int points, int style, int charset, const char* text) {
    TEXTMETRICA tm;
    SIZE size = {0, 0};
    const char* measured = *text ? text : " ";
    GetTextMetricsA(dc, &tm);
    GetTextExtentPoint32A(dc, measured, (int)strlen(measured), &size);
    const int drawn = DrawnWidth(dc, points, style, charset, text);
    fprintf(out, "M %d %d %d ", points, style, charset);
    PrintHex(out, text);
    fprintf(out, " %ld %ld %ld %ld %ld %d\n", tm.tmHeight, tm.tmAscent, tm.tmDescent, size.cx, size.cy,
            drawn);
}

static void AdvanceRecord(FILE* out, HDC dc, int points, int style, int charset) {
    fprintf(out, "A %d %d %d", points, style, charset);
    for (int b = 0x20; b <= 0xFF; ++b) {
        const char c = (char)b;
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, &c, 1, &size);
        fprintf(out, " %ld", size.cx);
    }
    fputc('\n', out);
}

/* Draws the text once and prints its B record. The rows are drawn a second
   time straight into the output after the header line. */
static void BitmapRecord(FILE* out, HDC dc, int points, int style, int charset, const char* text) {
    const int length = (int)strlen(text);
    const Ink ink = DrawLine(dc, points, text, length, NULL);
    fprintf(out, "B %d %d %d ", points, style, charset);
    PrintHex(out, text);
    fprintf(out, " %d %d %d %d %d\n", ink.left, ink.top, ink.width, ink.height, ink.gray);
    DrawLine(dc, points, text, length, out);
}

static int Contains(const int* list, int n, int value) {
    for (int i = 0; i < n; ++i)
        if (list[i] == value) return 1;
    return 0;
}

/* Drawings (kept few, since the large sizes make large records): the three
   short non-empty texts in normal and bold at the six main sizes, only
   "Rethymno." at 50 points; the long text at 12 points; the other styles with
   "Crete Hellas" at 12 and 20 points; the ANSI character set once. Every
   style with underline or strike-out also draws "j y" at every size. */
static int WantBitmap(int points, int style, int charset, int text) {
    if (!*kTexts[text]) return 0;
    if (text == kDecorationText) return charset == 1 && (style & kDecorations);
    if (!Contains(kBitmapSizes, (int)(sizeof kBitmapSizes / sizeof kBitmapSizes[0]), points)) return 0;
    if (charset == 0) return style == 0 && points == 20 && text == 3;
    if (style > kBold) return (points == 12 || points == 20) && text == 1;
    if (text == 2) return points == 12;
    if (points == 50) return text == 0;
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: gdiref measures.txt bitmaps.txt decorations.txt\n");
        return 2;
    }
    FILE* measures = fopen(argv[1], "wb");
    FILE* bitmaps = fopen(argv[2], "wb");
    FILE* decorations = fopen(argv[3], "wb");
    if (!measures || !bitmaps || !decorations) {
        fprintf(stderr, "cannot write the output files\n");
        return 1;
    }
    /* A screen-compatible memory DC, as the renderer's bitmap canvas. */
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    fprintf(measures, "# ANSI code page %u, LOGPIXELSY %d\n", GetACP(), GetDeviceCaps(screen, LOGPIXELSY));
    fprintf(bitmaps, "# ANSI code page %u, LOGPIXELSY %d\n", GetACP(), GetDeviceCaps(screen, LOGPIXELSY));
    fprintf(decorations, "# ANSI code page %u, LOGPIXELSY %d\n", GetACP(), GetDeviceCaps(screen, LOGPIXELSY));

    const int nTexts = (int)(sizeof kTexts / sizeof kTexts[0]);
    const int nSizes = (int)(sizeof kSizes / sizeof kSizes[0]);
    const int nBitmapSizes = (int)(sizeof kBitmapSizes / sizeof kBitmapSizes[0]);
    /* Every style of the style list at every size of the size list, DEFAULT
       character set; the ANSI character set for the normal style at a few
       sizes. */
    static const int kStyles[] = {0,
                                  kBold,
                                  kItalic,
                                  kUnderline,
                                  kBold | kItalic,
                                  kBold | kUnderline,
                                  kBold | kItalic | kUnderline,
                                  kItalic | kUnderline,
                                  kStrikeOut};
    for (int si = 0; si < (int)(sizeof kStyles / sizeof kStyles[0]); ++si) {
        const int style = kStyles[si];
        const int decorated = (style & kDecorations) != 0;
        FILE* drawings = decorated ? decorations : bitmaps;
        for (int zi = 0; zi < nSizes; ++zi) {
            const int points = kSizes[zi];
            const int bitmapSize = Contains(kBitmapSizes, nBitmapSizes, points);
            for (int charset = 1; charset >= 0; --charset) {
                if (charset == 0 && (style != 0 || !bitmapSize)) continue;
                HFONT font = MakeFont(points, style, charset);
                HGDIOBJ old = SelectObject(dc, font);
                FontRecord(measures, dc, points, style, charset);
                if (charset == 1 && !decorated) AdvanceRecord(measures, dc, points, style, charset);
                for (int t = 0; t < nTexts; ++t) {
                    const int drawn = WantBitmap(points, style, charset, t);
                    if (t == kDecorationText && !drawn) continue;
                    if (decorated && !drawn) continue;
                    MeasureRecord(measures, dc, points, style, charset, kTexts[t]);
                    if (drawn) BitmapRecord(drawings, dc, points, style, charset, kTexts[t]);
                }
                SelectObject(dc, old);
                DeleteObject(font);
            }
        }
    }
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    fclose(measures);
    fclose(bitmaps);
    fclose(decorations);
    return 0;
}
