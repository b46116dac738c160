#include "subtitle/StyledText.h"

#include <optional>
#include <vector>

#include "common/Utf8.h"
#include "palette/ColorNames.h"

namespace glyphon {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// `text` begins with `word` in any letter case.
bool StartsWithNoCase(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(text[i]) != word[i]) return false;
    return true;
}

int StyleOfLetter(char c) {
    switch (Lower(c)) {
        case 'b':
            return kRunBold;
        case 'i':
            return kRunItalic;
        case 'u':
            return kRunUnderline;
        case 's':
            return kRunStrikeOut;
        default:
            return 0;
    }
}

// The colour a <font ...> tag names in its color attribute ("#FFFF00",
// "FFFF00", "yellow", quoted or not); 0 when it names none.
uint32_t FontColour(std::string_view tag) {
    size_t at = 0;
    for (;;) {
        at = tag.find('=', at);
        if (at == std::string_view::npos) return 0;
        size_t name = at;
        while (name > 0 && tag[name - 1] == ' ') --name;
        if (name >= 5 && StartsWithNoCase(tag.substr(name - 5), "color")) break;
        ++at;
    }
    std::string_view value = tag.substr(at + 1);
    while (!value.empty() && value[0] == ' ') value.remove_prefix(1);
    const bool quoted = !value.empty() && (value[0] == '"' || value[0] == '\'');
    if (quoted) value.remove_prefix(1);
    const size_t end = value.find_first_of(quoted ? "\"'" : " >");
    value = value.substr(0, end);
    std::string text(value);
    if (text.size() == 6 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
        text = "#" + text;
    const std::optional<Rgb> c = ParseColor(text);
    return c ? kRunColoured | uint32_t(c->r) << 16 | uint32_t(c->g) << 8 | c->b : 0;
}

// An HTML-like tag at the start of `text`: its length, and the style it opens
// or closes (0 for a font tag). 0 when `text` does not start with one.
size_t HtmlTag(std::string_view text, int& opens, int& closes, TagState& state) {
    opens = closes = 0;
    for (const char letter : {'i', 'b', 'u', 's'}) {
        const std::string open = std::string("<") + letter + ">";
        const std::string close = std::string("</") + letter + ">";
        if (StartsWithNoCase(text, open)) {
            opens = StyleOfLetter(letter);
            return 3;
        }
        if (StartsWithNoCase(text, close)) {
            closes = StyleOfLetter(letter);
            return 4;
        }
    }
    if (StartsWithNoCase(text, "</font>")) {
        if (!state.fonts.empty()) state.fonts.pop_back();
        return 7;
    }
    if (StartsWithNoCase(text, "<font") && text.size() > 5 &&
        (text[5] == ' ' || text[5] == '>' || text[5] == '\t')) {
        const size_t end = text.find('>');
        if (end == std::string_view::npos) return 0;
        // Unclosed tags stay within reason.
        if (state.fonts.size() < 64) state.fonts.push_back(FontColour(text.substr(0, end)));
        return end + 1;
    }
    return 0;
}

// The commands of an ASS override block ("\an8\i1"), applied.
void AssCommands(std::string_view block, int& style, TagState& state) {
    size_t at = 0;
    while ((at = block.find('\\', at)) != std::string_view::npos) {
        ++at;
        size_t nameEnd = at;
        while (nameEnd < block.size() && Lower(block[nameEnd]) >= 'a' && Lower(block[nameEnd]) <= 'z')
            ++nameEnd;
        size_t valueEnd = nameEnd;
        while (valueEnd < block.size() && block[valueEnd] >= '0' && block[valueEnd] <= '9') ++valueEnd;
        const std::string_view name = block.substr(at, nameEnd - at);
        const std::string_view value = block.substr(nameEnd, valueEnd - nameEnd);
        if (name == "an" && (value == "7" || value == "8" || value == "9")) state.top = true;
        if (name == "an" && value.size() == 1 && value[0] >= '1' && value[0] <= '9')
            state.an = value[0] - '0';
        if (name.size() == 1 && StyleOfLetter(name[0]) && !value.empty()) {
            // \b700 is bold as \b1 is; \i0, \b0 and \b400 end the style.
            const bool on = value != "0" && !(name == "b" && value.size() == 3 && value < "700");
            const int bit = StyleOfLetter(name[0]);
            style = on ? (style | bit) : (style & ~bit);
        }
        at = nameEnd;
    }
}

// A MicroDVD control code "{y:i,b}" at the start of `text`: its length, 0
// when `text` does not start with one. Only y and Y change the style.
size_t MicroDvdCode(std::string_view text, int& lineStyle, TagState& state) {
    if (text.size() < 4 || text[0] != '{' || text[2] != ':') return 0;
    const char kind = text[1];
    if (!((kind >= 'a' && kind <= 'z') || (kind >= 'A' && kind <= 'Z'))) return 0;
    const size_t end = text.find('}');
    if (end == std::string_view::npos) return 0;
    if (kind == 'y' || kind == 'Y') {
        int bits = 0;
        for (const char c : text.substr(3, end - 3)) bits |= StyleOfLetter(c);
        (kind == 'y' ? lineStyle : state.subtitle) |= bits;
    }
    return end + 1;
}

void Append(LineRuns& runs, std::string& plain, char c, int style, uint32_t colour) {
    plain += c;
    if (!runs.empty() && runs.back().style == style && runs.back().colour == colour)
        ++runs.back().length;
    else
        runs.push_back(StyledRun{1, style, colour});
}

}  // namespace

LineRuns ReadTags(std::string_view line, TagSyntax syntax, TagState& state, std::string& plain) {
    plain.clear();
    if (line.find_first_of("<{") == std::string_view::npos && state.open == 0 && state.subtitle == 0 &&
        state.Colour() == 0) {
        plain.assign(line);
        return {};
    }
    LineRuns runs;
    int lineStyle = 0;
    for (size_t i = 0; i < line.size();) {
        const std::string_view rest = line.substr(i);
        if (rest[0] == '<') {
            int opens = 0, closes = 0;
            if (const size_t n = HtmlTag(rest, opens, closes, state)) {
                state.open = (state.open | opens) & ~closes;
                i += n;
                continue;
            }
        } else if (rest[0] == '{') {
            if (rest.size() > 1 && rest[1] == '\\') {
                const size_t end = rest.find('}');
                if (end != std::string_view::npos) {
                    AssCommands(rest.substr(1, end - 1), state.open, state);
                    i += end + 1;
                    continue;
                }
            } else if (syntax == TagSyntax::MicroDvd) {
                if (const size_t n = MicroDvdCode(rest, lineStyle, state)) {
                    i += n;
                    continue;
                }
            }
        }
        Append(runs, plain, rest[0], state.open | lineStyle | state.subtitle, state.Colour());
        ++i;
    }
    for (const StyledRun& run : runs)
        if (run.style != 0 || run.colour != 0) return runs;
    return {};
}

bool LooksLikeUtf8(std::string_view bytes) {
    bool multibyte = false;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t n = 0;
        uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= bytes.size()) return false;
        for (size_t k = 1; k <= n; ++k) {
            const unsigned char d = static_cast<unsigned char>(bytes[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        multibyte = true;
        i += n + 1;
    }
    return multibyte;
}

}  // namespace glyphon
