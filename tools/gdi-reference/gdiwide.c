/* Reference drawings from the Windows GDI wide-character text functions, for
 * text read as Unicode (the "UTF-8" character-set item and files with a
 * byte-order mark).
 *
 * Realises "Arial" as the renderer does for Unicode text (CreateFontW with
 * the negative em height, weight 400/700, italic, DEFAULT_CHARSET,
 * NONANTIALIASED_QUALITY), converts each UTF-8 text with
 * MultiByteToWideChar(CP_UTF8) and prints its extent (GetTextExtentPoint32W)
 * and the pixels one TextOutW with a transparent background sets on a white
 * 24-bit DIB section.
 *
 *   gdiwide.exe wide.txt
 *
 * Record formats (fields separated by single spaces, texts as hexadecimal
 * UTF-8 bytes):
 *
 *   F points style tmHeight tmAscent tmDescent "face" "family"
 *     family is the otmpFamilyName of the font file that was used
 *   W points style text cx cy
 *   B points style text left top width height gray
 *     followed by `height` rows of `width` characters, '#' set, '.' clear
 *
 * style: bold 1, italic 2. (left, top) is the top-left pixel of the bounding
 * box of the set pixels relative to the top-left of the text cell; gray counts
 * pixels that came out neither black nor white.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static const int kSizes[] = {12, 20};
static const int kStyles[] = {0, 1, 2};

static const char* const kTexts[] = {
    /* Café crème brûlée, naïve façade */
    "Caf\xC3\xA9 cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
    "e, na\xC3\xAFve fa\xC3\xA7"
    "ade",
    /* Ελληνικά κείμενο */
    "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC "
    "\xCE\xBA\xCE\xB5\xCE\xAF\xCE\xBC\xCE\xB5"
    "\xCE\xBD\xCE\xBF",
    /* Русский текст, ёжик */
    "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9 \xD1\x82\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82, "
    "\xD1\x91\xD0\xB6\xD0\xB8\xD0\xBA",
    /* Ωmega Жук Éte: the three scripts on one line */
    "\xCE\xA9mega \xD0\x96\xD1\x83\xD0\xBA \xC3\x89te",
};

static int EmHeight(int points) { return MulDiv(points, 96, 72); }

static void PrintHex(FILE* out, const char* text) {
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) fprintf(out, "%02X", *p);
}

static int Wide(const char* utf8, WCHAR* out, int capacity) {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, out, capacity) - 1;
}

static void Drawing(FILE* out, HDC dc, int points, int style, const char* text) {
    WCHAR wide[256];
    const int length = Wide(text, wide, 256);
    if (length <= 0) {
        fprintf(stderr, "bad UTF-8 text\n");
        exit(1);
    }
    TEXTMETRICW tm;
    SIZE size = {0, 0};
    GetTextMetricsW(dc, &tm);
    GetTextExtentPoint32W(dc, wide, length, &size);
    fprintf(out, "W %d %d ", points, style);
    PrintHex(out, text);
    fprintf(out, " %ld %ld\n", size.cx, size.cy);

    const int margin = EmHeight(points);
    const int w = size.cx + 2 * margin, h = tm.tmHeight + 2 * margin;
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
    TextOutW(dc, margin, margin, wide, length);
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
    fprintf(out, "B %d %d ", points, style);
    PrintHex(out, text);
    if (maxX < 0) {
        fprintf(out, " 0 0 0 0 %d\n", gray);
    } else {
        fprintf(out, " %d %d %d %d %d\n", minX - margin, minY - margin, maxX - minX + 1, maxY - minY + 1,
                gray);
        for (int y = minY; y <= maxY; ++y) {
            for (int x = minX; x <= maxX; ++x) {
                const unsigned char* p = px + (size_t)y * stride + (size_t)x * 3;
                fputc(p[0] == 255 && p[1] == 255 && p[2] == 255 ? '.' : '#', out);
            }
            fputc('\n', out);
        }
    }
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: gdiwide wide.txt\n");
        return 2;
    }
    FILE* out = fopen(argv[1], "wb");
    if (!out) {
        fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    for (size_t si = 0; si < sizeof kStyles / sizeof kStyles[0]; ++si) {
        for (size_t zi = 0; zi < sizeof kSizes / sizeof kSizes[0]; ++zi) {
            const int points = kSizes[zi], style = kStyles[si];
            HFONT font = CreateFontW(-EmHeight(points), 0, 0, 0, (style & 1) ? FW_BOLD : FW_NORMAL,
                                     (style & 2) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, L"Arial");
            HGDIOBJ old = SelectObject(dc, font);
            TEXTMETRICW tm;
            WCHAR face[LF_FACESIZE] = L"";
            char face8[LF_FACESIZE * 3] = "";
            GetTextMetricsW(dc, &tm);
            GetTextFaceW(dc, LF_FACESIZE, face);
            WideCharToMultiByte(CP_UTF8, 0, face, -1, face8, sizeof face8, NULL, NULL);
            char buffer[4096];
            OUTLINETEXTMETRICW* otm = (OUTLINETEXTMETRICW*)buffer;
            char family8[256] = "?";
            if (GetOutlineTextMetricsW(dc, sizeof buffer, otm))
                WideCharToMultiByte(CP_UTF8, 0, (const WCHAR*)(buffer + (size_t)otm->otmpFamilyName), -1,
                                    family8, sizeof family8, NULL, NULL);
            fprintf(out, "F %d %d %ld %ld %ld \"%s\" \"%s\"\n", points, style, tm.tmHeight, tm.tmAscent,
                    tm.tmDescent, face8, family8);
            for (size_t t = 0; t < sizeof kTexts / sizeof kTexts[0]; ++t)
                Drawing(out, dc, points, style, kTexts[t]);
            SelectObject(dc, old);
            DeleteObject(font);
        }
    }
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    fclose(out);
    return 0;
}
