#include "render/LineBreaks.h"

#include <hb.h>
#include <linebreak.h>
#include <thai/thbrk.h>
#include <thai/thwbrk.h>

#include <map>
#include <memory>
#include <mutex>

#include "render/CodePage.h"

namespace glyphon {

namespace {

bool IsThai(uint32_t c) { return c >= 0x0E00 && c <= 0x0E7F; }

// Scripts written without spaces between words, which UAX #14 leaves to a
// dictionary (its class SA): Thai, Lao, Myanmar, Khmer.
bool WithoutSpaces(uint32_t c) {
    return (c >= 0x0E00 && c <= 0x0EFF) || (c >= 0x1000 && c <= 0x109F) || (c >= 0x1780 && c <= 0x17FF);
}

// A character that belongs to the grapheme cluster before it.
bool Extends(uint32_t c) {
    if (c == 0x0E33 || c == 0x0EB3 || c == 0x200D) return true;  // SARA AM and its Lao twin, ZWJ
    switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c)) {
        case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
        case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
        case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
            return true;
        default:
            return false;
    }
}

// Small kana and the prolonged sound mark (UAX #14's class CJ): strict line
// breaking, the usual one for Japanese, never starts a line with them.
bool IsSmallKana(uint32_t c) {
    switch (c) {
        case 0x3041:
        case 0x3043:
        case 0x3045:
        case 0x3047:
        case 0x3049:
        case 0x3063:
        case 0x3083:
        case 0x3085:
        case 0x3087:
        case 0x308E:
        case 0x3095:
        case 0x3096:
        case 0x30A1:
        case 0x30A3:
        case 0x30A5:
        case 0x30A7:
        case 0x30A9:
        case 0x30C3:
        case 0x30E3:
        case 0x30E5:
        case 0x30E7:
        case 0x30EE:
        case 0x30F5:
        case 0x30F6:
        case 0x30FC:
            return true;
        default:
            return (c >= 0x31F0 && c <= 0x31FF) || (c >= 0xFF67 && c <= 0xFF70);
    }
}

bool IsSpace(uint32_t c) { return c == 0x20 || c == 0x09 || c == 0x3000; }

// libthai's word breaker with its dictionary, one per thread; null when the
// dictionary cannot be loaded.
ThBrk* ThaiWords() {
    struct Breaker {
        ThBrk* brk = th_brk_new(nullptr);
        ~Breaker() {
            if (brk) th_brk_delete(brk);
        }
    };
    thread_local Breaker breaker;
    return breaker.brk;
}

// A reader per code page and thread: a single-byte page's table is built once.
CodePageReader& ReaderOf(const std::string& codePage) {
    thread_local std::map<std::string, std::unique_ptr<CodePageReader>> readers;
    std::unique_ptr<CodePageReader>& reader = readers[codePage];
    if (!reader) reader = std::make_unique<CodePageReader>(codePage);
    return *reader;
}

// Marks the breaks inside [from, to), a stretch of a script written without
// spaces: between Thai words, else between grapheme clusters.
void BreakWithoutSpaces(const std::vector<uint32_t>& chars, size_t from, size_t to,
                        std::vector<bool>& allowed) {
    bool thai = true;
    for (size_t i = from; i < to; ++i) thai = thai && IsThai(chars[i]);
    if (ThBrk* words = thai ? ThaiWords() : nullptr) {
        const std::wstring text(chars.begin() + std::ptrdiff_t(from), chars.begin() + std::ptrdiff_t(to));
        std::vector<int> at(text.size() + 1);
        const int found = th_brk_wc_find_breaks(words, text.c_str(), at.data(), at.size());
        for (int k = 0; k < found; ++k)
            if (at[size_t(k)] > 0 && size_t(at[size_t(k)]) < text.size())
                allowed[from + size_t(at[size_t(k)])] = true;
        return;
    }
    for (size_t i = from + 1; i < to; ++i) allowed[i] = !Extends(chars[i]);
}

}  // namespace

std::vector<LineBreak> LineBreaks(std::string_view text, const std::string& codePage) {
    static std::once_flag ready;
    std::call_once(ready, init_linebreak);
    std::vector<uint32_t> chars;
    std::vector<size_t> starts;
    ReaderOf(codePage).Decode(text, chars, starts);
    const size_t n = chars.size();
    if (n < 2) return {};
    for (uint32_t& c : chars)
        if (c == kNoCharacter) c = 0xFFFD;
    std::vector<char> rules(n);
    set_linebreaks_utf32(reinterpret_cast<const utf32_t*>(chars.data()), n, nullptr, rules.data());
    // allowed[i]: a line may start with character i.
    std::vector<bool> allowed(n);
    for (size_t i = 1; i < n; ++i)
        allowed[i] = (rules[i - 1] == LINEBREAK_ALLOWBREAK || rules[i - 1] == LINEBREAK_MUSTBREAK) &&
                     !IsSmallKana(chars[i]);
    for (size_t i = 0; i < n;) {
        if (!WithoutSpaces(chars[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < n && (WithoutSpaces(chars[end]) || Extends(chars[end]))) ++end;
        BreakWithoutSpaces(chars, i, end, allowed);
        i = end;
    }
    std::vector<LineBreak> breaks;
    for (size_t i = 1; i < n; ++i) {
        if (!allowed[i]) continue;
        size_t last = i;  // one past the last character the line before keeps
        while (last > 0 && IsSpace(chars[last - 1])) --last;
        if (last == 0) continue;
        breaks.push_back(LineBreak{starts[last], starts[i]});
    }
    return breaks;
}

}  // namespace glyphon
