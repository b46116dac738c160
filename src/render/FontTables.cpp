#include "render/FontTables.h"

#include <algorithm>
#include <cctype>

namespace glyphon {

namespace {

struct StyleRow {
    const char* name;
    int bits;
};
constexpr StyleRow kStyles[] = {
    {"Normal", 0},
    {"Bold", kBold},
    {"Italic", kItalic},
    {"Underline", kUnderline},
    {"Bold+Italic", kBold | kItalic},
    {"Bold+Under", kBold | kUnderline},
    {"Bold+It+Und", kBold | kItalic | kUnderline},
    {"Italic+Under", kItalic | kUnderline},
    {"StrikeOut", kStrikeOut},
};

struct CharsetRow {
    const char* name;
    int number;
    const char* codePage;  // iconv name
};
constexpr CharsetRow kCharsets[] = {
    {"ANSI", 0, "CP1252"},         {"ARABIC", 178, "CP1256"},
    {"BALTIC", 186, "CP1257"},     {"CHINESEBIG5", 136, "CP950"},
    {"DEFAULT", 1, "CP1252"},      {"EASTEUROPE", 238, "CP1250"},
    {"GB2312", 134, "CP936"},      {"GREEK", 161, "CP1253"},
    {"HANGEUL", 129, "CP949"},     {"HEBREW", 177, "CP1255"},
    {"JOHAB", 130, "JOHAB"},       {"MAC", 77, "MACINTOSH"},
    {"OEM", 255, "CP437"},         {"RUSSIAN", 204, "CP1251"},
    {"SHIFTJIS", 128, "CP932"},    {"SYMBOL", 2, ""},
    {"THAI", 222, "CP874"},        {"TURKISH", 162, "CP1254"},
    {"VIETNAMESE", 163, "CP1258"}, {"UTF-8", kUtf8Charset, "UTF-8"},
};

std::vector<std::string> MakeSizes() {
    std::vector<std::string> v;
    for (int p = 6; p <= 30; ++p) v.push_back(std::to_string(p));
    for (int p = 32; p <= 50; p += 2) v.push_back(std::to_string(p));
    return v;
}

// A-Z only: tolower would also fold the locale's letters above 127 and so
// change the list's order with the user's locale.
std::string Lower(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

}  // namespace

const std::vector<std::string>& FontStyleItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> v;
        for (const auto& row : kStyles) v.emplace_back(row.name);
        return v;
    }();
    return items;
}

const std::vector<std::string>& FontCharsetItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> v;
        for (const auto& row : kCharsets) v.emplace_back(row.name);
        return v;
    }();
    return items;
}

const std::vector<std::string>& FontSizeItems() {
    static const std::vector<std::string> items = MakeSizes();
    return items;
}

const std::vector<std::string>& OutlineWidthItems() {
    static const std::vector<std::string> items{"2", "3", "4"};
    return items;
}

const std::vector<std::string>& AlignItems() {
    static const std::vector<std::string> items{"center", "left", "right"};
    return items;
}

const std::vector<std::string>& ColorItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> v;
        for (int i = 0; i < 16; ++i) v.push_back("Color " + std::to_string(i));
        return v;
    }();
    return items;
}

int StyleFromName(std::string_view name) {
    for (const auto& row : kStyles)
        if (name == row.name) return row.bits;
    return 0;
}

int CharsetFromName(std::string_view name) {
    for (const auto& row : kCharsets)
        if (name == row.name) return row.number;
    return kDefaultCharset;
}

std::string CodePageOf(int charset) {
    for (const auto& row : kCharsets)
        if (row.number == charset) return row.codePage;
    return "CP1252";
}

int CharsetForCodePage(int chosen, std::string_view codePage) {
    if (CodePageOf(chosen) == codePage) return chosen;
    for (const auto& row : kCharsets)
        if (codePage == row.codePage) return row.number;
    return chosen;
}

int RealisedCharset(int charset) { return charset == kUtf8Charset ? int(kDefaultCharset) : charset; }

std::vector<std::string> BuildFontNameList(const std::vector<std::string>& installedFamilies) {
    std::vector<std::string> platform;
    platform.emplace_back("Default");
    for (const auto& f : installedFamilies) platform.push_back(f);
    // Each family once, compared as the sort compares: without regard to case.
    std::stable_sort(platform.begin(), platform.end(),
                     [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
    platform.erase(
        std::unique(platform.begin(), platform.end(),
                    [](const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }),
        platform.end());
    std::vector<std::string> list{"Arial"};
    list.insert(list.end(), platform.begin(), platform.end());
    return list;
}

}  // namespace glyphon
