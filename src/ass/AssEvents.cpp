// The dialogue events of a script as text: what a subtitle list shows.
#include <ass/ass.h>

#include <algorithm>

#include "ass/AssScript.h"

namespace glyphon {

namespace {

// The number after `\p` at `at` (the drawing scale; 0 ends a drawing).
int DrawingScale(std::string_view block, size_t at) {
    int scale = 0;
    while (at < block.size() && block[at] >= '0' && block[at] <= '9')
        scale = scale * 10 + (block[at++] - '0');
    return scale;
}

// The event's text without override blocks and drawings; \N and \n break
// lines, \h is a space.
std::vector<std::string> ReadableLines(std::string_view text) {
    std::vector<std::string> lines(1);
    bool drawing = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{') {
            const size_t close = text.find('}', i);
            if (close == std::string_view::npos) break;  // libass shows nothing of an unclosed block either
            const std::string_view block = text.substr(i + 1, close - i - 1);
            for (size_t p = block.find("\\p"); p != std::string_view::npos; p = block.find("\\p", p + 2))
                if (p + 2 < block.size() && block[p + 2] >= '0' && block[p + 2] <= '9')
                    drawing = DrawingScale(block, p + 2) > 0;
            i = close;
        } else if (drawing) {
            continue;
        } else if (c == '\\' && i + 1 < text.size() && (text[i + 1] == 'N' || text[i + 1] == 'n')) {
            lines.emplace_back();
            ++i;
        } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == 'h') {
            lines.back() += ' ';
            ++i;
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

}  // namespace

std::vector<AssEvent> AssScript::Events() const {
    std::vector<AssEvent> events;
    for (int i = 0; i < track_->n_events; ++i) {
        const ASS_Event& e = track_->events[i];
        events.push_back({e.Start, e.Start + e.Duration, ReadableLines(e.Text ? e.Text : "")});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const AssEvent& a, const AssEvent& b) { return a.startMs < b.startMs; });
    return events;
}

}  // namespace glyphon
