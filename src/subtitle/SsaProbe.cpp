#include "subtitle/SsaProbe.h"

namespace glyphon {

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool HasSection(std::string_view head, std::string_view name) {
    while (!head.empty()) {
        const size_t lf = head.find('\n');
        if (SameLetters(Trimmed(head.substr(0, lf)), name)) return true;
        head.remove_prefix(lf == std::string_view::npos ? head.size() : lf + 1);
    }
    return false;
}

ProbeMatch ProbeSsa(std::string_view head) {
    for (std::string_view rest = head; !rest.empty();) {
        const size_t lf = rest.find('\n');
        const std::string_view line = Trimmed(rest.substr(0, lf));
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
        if (line.empty() || line[0] == ';') continue;
        if (SameLetters(line.substr(0, 13), "[Script Info]")) return ProbeMatch::Sure;
        break;
    }
    for (const std::string_view section : {"[V4+ Styles]", "[V4 Styles]", "[Events]"})
        if (HasSection(head, section)) return ProbeMatch::Weak;
    return ProbeMatch::No;
}

}  // namespace glyphon
