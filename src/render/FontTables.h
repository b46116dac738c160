// The fixed option lists of the "Render Fonts" and "Colors" groups, and the
// lookups that turn a list's text into font attributes. Settings travel as
// list positions (settings file, command line, batch lines), so the order of
// every list is part of the stored format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace glyphon {

// Style set as a bit set: bold 1, italic 2, underline 4, strike-out 8.
enum StyleBits : int { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

// GDI character-set numbers handed to the font.
enum Charset : int {
    kAnsiCharset = 0,
    kDefaultCharset = 1,
    kSymbolCharset = 2,
    kMacCharset = 77,
    kOemCharset = 255,
    // Not a GDI number: the "UTF-8" item. Its text reads as UTF-8 and its font
    // is realised as for DEFAULT (65001 is the UTF-8 code page's number).
    kUtf8Charset = 65001,
};

const std::vector<std::string>& FontStyleItems();     // "Normal" .. "StrikeOut", 9 items
const std::vector<std::string>& FontCharsetItems();   // "ANSI" .. "VIETNAMESE", "UTF-8": 20 items
const std::vector<std::string>& FontSizeItems();      // "6" .. "30", "32" .. "50", 35 items
const std::vector<std::string>& OutlineWidthItems();  // "2", "3", "4"
const std::vector<std::string>& AlignItems();         // "center", "left", "right"
const std::vector<std::string>& ColorItems();         // "Color 0" .. "Color 15"

inline constexpr int kDefaultStylePosition = 0;
inline constexpr int kDefaultCharsetPosition = 4;  // "DEFAULT"
inline constexpr int kDefaultSizePosition = 14;    // 20 points
inline constexpr int kDefaultOutlinePosition = 1;  // 3 pixels
inline constexpr int kDefaultAlignPosition = 0;    // "center"

// Exact, case-sensitive lookups. A text that is not in the table (in practice
// only the empty text of a list without a selection) gives no style and the
// DEFAULT character set.
int StyleFromName(std::string_view name);
int CharsetFromName(std::string_view name);

// The iconv name of the code page that decides how subtitle bytes read as
// characters in a character set. DEFAULT stands for the Windows ANSI page of a
// western system (1252), OEM for 437, MAC for Macintosh Roman. SYMBOL returns
// an empty name: its bytes select symbol glyphs directly. kUtf8Charset gives
// "UTF-8".
std::string CodePageOf(int charset);

// The character set whose code page is `codePage` (an iconv name as
// CodePageOf gives it): `chosen` when its page is that one (DEFAULT and ANSI
// both read CP1252), else the first such item; `chosen` when there is none.
int CharsetForCodePage(int chosen, std::string_view codePage);

// The character set a font is realised with: DEFAULT for kUtf8Charset, the
// number itself otherwise.
int RealisedCharset(int charset);

// "Arial", then "Default" and the installed families each once, sorted
// without regard to case. Built anew on every call (a reset rebuilds, never
// appends).
std::vector<std::string> BuildFontNameList(const std::vector<std::string>& installedFamilies);

}  // namespace glyphon
