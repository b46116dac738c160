#include "render/StyledLines.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <string>

#include "render/FontTables.h"
#include "render/LineBreaks.h"

namespace glyphon {

RunLine DrawnRuns(const RunLine& line) {
    RunLine runs;
    for (const TextRun& run : line) {
        if (run.text.empty()) continue;
        if (!runs.empty() && runs.back().style == run.style &&
            runs.back().text.data() + runs.back().text.size() == run.text.data()) {
            runs.back().text =
                std::string_view(runs.back().text.data(), runs.back().text.size() + run.text.size());
            continue;
        }
        runs.push_back(run);
    }
    return runs;
}

namespace {

FontSpec WithStyle(const FontSpec& font, int style) {
    FontSpec f = font;
    f.style |= style;
    return f;
}

RunLine Drawn(const RunLine& line) { return DrawnRuns(line); }

// `from` in mask coordinates ORed into `into` with its origin moved by dx.
void Merge(const LineMask& from, int dx, LineMask& into) {
    for (int y = 0; y < from.height; ++y)
        for (int x = 0; x < from.width; ++x)
            if (from.Test(x, y)) into.Set(from.left + dx + x - into.left, from.top + y - into.top);
}

// Characters [from, to) of the line's text, counted over all its runs.
RunLine Slice(const RunLine& line, size_t from, size_t to) {
    RunLine out;
    size_t at = 0;
    for (const TextRun& run : line) {
        const size_t begin = std::max(from, at), end = std::min(to, at + run.text.size());
        if (begin < end)
            out.push_back(TextRun{run.text.substr(begin - at, end - begin), run.style, run.colour});
        at += run.text.size();
    }
    return out;
}

// The line broken where lines may break (LineBreaks) into the fewest pieces
// narrower than `limit`, the widest of them as narrow as possible; empty when
// there is no such way.
std::vector<RunLine> Balanced(TextEngine& text, const RunLine& line, const FontSpec& font, int limit) {
    constexpr size_t kMostBreaks = 200;   // beyond this, no text of a subtitle
    constexpr size_t kLongest = 8 << 10;  // bytes: more than any frame holds wrapped
    size_t length = 0;
    for (const TextRun& run : line) length += run.text.size();
    if (length > kLongest) return {};
    std::string all;
    for (const TextRun& run : line) all += run.text;
    const std::vector<LineBreak> breaks = LineBreaks(all, CodePageOf(font.charset));
    const size_t m = breaks.size(), total = all.size();
    if (m == 0 || m > kMostBreaks) return {};
    // Break points 0 (the start) and m + 1 (the end) around the breaks.
    const auto begin = [&](size_t b) { return b == 0 ? size_t(0) : breaks[b - 1].begin; };
    const auto end = [&](size_t b) { return b == m + 1 ? total : breaks[b - 1].end; };
    std::map<std::pair<size_t, size_t>, int> widths;
    const auto width = [&](size_t a, size_t b) {
        auto [it, added] = widths.try_emplace({a, b}, 0);
        if (added) it->second = MeasureRunLine(text, Slice(line, begin(a), end(b)), font).width;
        return it->second;
    };
    // best[c][b]: the widest piece of the best way to cover up to break b
    // with c + 1 pieces (INT_MAX when none fits); from[c][b] the break
    // before. A piece that starts earlier is wider: once one is too wide,
    // every longer one is too.
    std::vector<std::vector<int>> best(1, std::vector<int>(m + 2, INT_MAX));
    std::vector<std::vector<size_t>> from(1, std::vector<size_t>(m + 2, 0));
    for (size_t b = 1; b <= m + 1; ++b) {
        if (width(0, b) >= limit) break;
        best[0][b] = width(0, b);
    }
    for (size_t pieces = 2; pieces <= m + 1; ++pieces) {
        best.emplace_back(m + 2, INT_MAX);
        from.emplace_back(m + 2, 0);
        const size_t c = pieces - 1;
        for (size_t b = pieces; b <= m + 1; ++b)
            for (size_t a = b; a-- > pieces - 1;) {
                if (best[c - 1][a] == INT_MAX) continue;
                const int w = width(a, b);
                if (w >= limit) break;
                const int widest = std::max(best[c - 1][a], w);
                // On a tie the earlier break: the last piece the longer.
                if (widest < best[c][b] || (widest == best[c][b] && a < from[c][b])) {
                    best[c][b] = widest;
                    from[c][b] = a;
                }
            }
        if (best[c][m + 1] != INT_MAX) {
            std::vector<RunLine> out(pieces);
            size_t b = m + 1;
            for (size_t k = pieces; k-- > 0;) {
                const size_t a = k == 0 ? 0 : from[k][b];
                out[k] = Slice(line, begin(a), end(b));
                b = a;
            }
            return out;
        }
    }
    return {};
}

}  // namespace

TextExtent MeasureRunLine(TextEngine& text, const RunLine& line, const FontSpec& font) {
    const RunLine runs = Drawn(line);
    if (runs.empty()) return text.MeasureLine({}, font);
    if (runs.size() == 1) return text.MeasureLine(runs[0].text, WithStyle(font, runs[0].style));
    TextExtent e;
    for (const TextRun& run : runs) {
        const TextExtent r = text.MeasureLine(run.text, WithStyle(font, run.style));
        e.width += r.width;
        e.height = std::max(e.height, r.height);
    }
    return e;
}

void DrawRunLineMask(TextEngine& text, const RunLine& line, const FontSpec& font, LineMask& mask) {
    const RunLine runs = Drawn(line);
    if (runs.empty()) {
        text.DrawLineMask({}, font, mask);
        return;
    }
    if (runs.size() == 1) {
        text.DrawLineMask(runs[0].text, WithStyle(font, runs[0].style), mask);
        return;
    }
    std::vector<LineMask> parts(runs.size());
    std::vector<int> xs(runs.size());
    int x = 0, left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (size_t i = 0; i < runs.size(); ++i) {
        const FontSpec f = WithStyle(font, runs[i].style);
        text.DrawLineMask(runs[i].text, f, parts[i]);
        xs[i] = x;
        x += text.MeasureLine(runs[i].text, f).width;
        if (parts[i].Empty()) continue;
        left = std::min(left, xs[i] + parts[i].left);
        top = std::min(top, parts[i].top);
        right = std::max(right, xs[i] + parts[i].left + parts[i].width);
        bottom = std::max(bottom, parts[i].top + parts[i].height);
    }
    if (left == INT_MAX) {
        mask.Reset(0, 0, 0, 0);
        return;
    }
    mask.Reset(left, top, right - left, bottom - top);
    for (size_t i = 0; i < runs.size(); ++i) Merge(parts[i], xs[i], mask);
}

StackPlacement PlaceLines(const std::vector<TextExtent>& extents, int frameWidth, int frameHeight, int offset,
                          int offsetOr, Alignment align, bool top, bool anchorLast) {
    StackPlacement p;
    const size_t n = extents.size();
    p.x.resize(n);
    p.y.resize(n);
    for (size_t i = 0; i < n; ++i) p.x[i] = AlignedX(extents[i].width, frameWidth, align);
    if (n == 0) return p;
    if (top) {
        p.y[0] = 40 + offset;
        for (size_t i = 1; i < n; ++i) p.y[i] = p.y[i - 1] + extents[i].height - offsetOr;
    } else {
        // The last line's place: at the offset when anchored there, else
        // where line 2 of a two-line subtitle goes (line 1 of a one-line
        // one); the others stack upward from it.
        const int first = frameHeight - extents[0].height - 40 - offset;
        p.y[n - 1] = anchorLast ? frameHeight - extents[n - 1].height - 40 - offset
                     : n == 1   ? first
                                : first + extents[n - 1].height - offsetOr;
        for (size_t i = n - 1; i-- > 0;) p.y[i] = p.y[i + 1] - extents[i + 1].height + offsetOr;
    }
    p.bandTop = (p.y[0] % 2 == 0) ? p.y[0] : p.y[0] - 1;  // also right for odd negatives: -3 -> -4
    p.bandHeight = extents[0].height + 6;
    for (size_t i = 1; i < n; ++i) p.bandHeight += extents[i].height - offsetOr;
    return p;
}

void PlaceBox(const std::vector<TextExtent>& extents, int frameWidth, int frameHeight, int margin,
              const BoxPlace& at, StackPlacement& p) {
    const size_t n = std::min(extents.size(), p.x.size());
    if (n == 0 || !at.Any()) return;
    if (at.across) {
        int width = 0;
        for (size_t i = 0; i < n; ++i) width = std::max(width, extents[i].width);
        if (at.width > 0) width = std::max(width, int(std::lround(at.width * frameWidth)));
        const double lineX = at.width > 0 ? at.lineX : at.boxX;
        int left = int(std::lround(at.x * frameWidth - at.boxX * width));
        left = std::max(margin, std::min(left, frameWidth - margin - width));
        if (width > frameWidth - 2 * margin) left = (frameWidth - width) / 2;
        for (size_t i = 0; i < n; ++i) p.x[i] = left + int(std::lround(lineX * (width - extents[i].width)));
    }
    if (at.down) {
        const int height = p.y[n - 1] + extents[n - 1].height - p.y[0];
        int top = int(std::lround(at.y * frameHeight - at.boxY * height));
        top = std::max(0, std::min(top, frameHeight - height));
        const int shift = top - p.y[0];
        for (size_t i = 0; i < n; ++i) p.y[i] += shift;
        p.bandTop = (p.y[0] % 2 == 0) ? p.y[0] : p.y[0] - 1;
    }
}

size_t LinesWithText(const std::vector<RunLine>& lines) {
    size_t n = lines.size();
    while (n > 1 && Drawn(lines[n - 1]).empty()) --n;
    return std::max<size_t>(n, 1);
}

void HoldInk(StackPlacement& p, int inkTop, int inkEnd) {
    if (inkEnd <= inkTop) return;
    if (inkTop <= p.bandTop) {
        int top = inkTop - 1;
        if (top % 2 != 0) --top;
        p.bandHeight += p.bandTop - top;
        p.bandTop = top;
    }
    if (inkEnd >= p.bandTop + p.bandHeight) p.bandHeight = inkEnd + 1 - p.bandTop;
}

namespace {

// The columns [from, to) of the line's cell that the runs in one of
// `colours` take: from where the runs before one end to where it ends, the
// first run's from the far left and the last one's to the far right, so
// that ink past the cell (italics) keeps its run's colour.
std::vector<std::pair<int, int>> ColumnsOfRuns(TextEngine& text, const RunLine& line, const FontSpec& font,
                                               const std::vector<uint32_t>& colours) {
    std::vector<std::pair<int, int>> columns;
    RunLine before;
    size_t last = line.size();
    while (last > 0 && line[last - 1].text.empty()) --last;
    int from = INT_MIN;
    for (size_t i = 0; i < last; ++i) {
        if (line[i].text.empty()) continue;
        before.push_back(line[i]);
        const int to = i + 1 == last ? INT_MAX : MeasureRunLine(text, before, font).width;
        if (std::find(colours.begin(), colours.end(), line[i].colour) != colours.end()) {
            if (!columns.empty() && columns.back().second == from)
                columns.back().second = to;
            else
                columns.emplace_back(from, to);
        }
        from = to;
    }
    return columns;
}

// Calls `paint(x, y)` for every pixel of the frame where the mask, its cell
// at (x, y), has a glyph pixel in the cell's columns [from, to).
template <class Paint>
void ForGlyphPixels(const LineMask& mask, int x, int y, int from, int to, int frameWidth, int frameHeight,
                    Paint paint) {
    for (int r = 0; r < mask.height; ++r) {
        const int fy = y + mask.top + r;
        if (fy < 0 || fy >= frameHeight) continue;
        for (int c = 0; c < mask.width; ++c) {
            const int column = mask.left + c, fx = x + column;
            if (column >= from && column < to && fx >= 0 && fx < frameWidth && mask.Test(c, r)) paint(fx, fy);
        }
    }
}

// Measures and places the lines, then draws each with `draw(mask, x, y)`
// and paints the letters of the look's second text colour with
// `second(mask, x, y, from, to)`, the cell's columns [from, to).
template <class Draw, class Second>
StackPlacement DrawLinesWith(TextEngine& text, const std::vector<RunLine>& lines, const SubtitleLook& look,
                             bool top, int frameWidth, int frameHeight, Draw draw, Second second) {
    const bool anchorLast = look.anchorBottom && !top;
    const size_t n = anchorLast ? LinesWithText(lines) : lines.size();
    std::vector<TextExtent> extents;
    extents.reserve(n);
    for (size_t i = 0; i < n; ++i) extents.push_back(MeasureRunLine(text, lines[i], look.font));
    StackPlacement p =
        PlaceLines(extents, frameWidth, frameHeight, look.offset, look.offsetOr, look.align, top, anchorLast);
    PlaceBox(extents, frameWidth, frameHeight, 8, look.place, p);
    // The layers reach the outline width (the antialias ring at least one
    // pixel) past the glyphs.
    const int reach = std::max(look.outlineWidth, 1);
    int inkTop = INT_MAX, inkEnd = INT_MIN;
    static thread_local LineMask mask;
    for (size_t i = 0; i < n; ++i) {
        DrawRunLineMask(text, lines[i], look.font, mask);
        draw(mask, p.x[i], p.y[i]);
        if (mask.Empty()) continue;
        if (!look.second.runs.empty())
            for (const auto& [from, to] : ColumnsOfRuns(text, lines[i], look.font, look.second.runs))
                second(mask, p.x[i], p.y[i], from, to);
        inkTop = std::min(inkTop, p.y[i] + mask.top - reach);
        inkEnd = std::max(inkEnd, p.y[i] + mask.top + mask.height + reach);
    }
    HoldInk(p, inkTop, inkEnd);
    return p;
}

}  // namespace

StackPlacement DrawSubtitleLines(Frame& frame, TextEngine& text, const std::vector<RunLine>& lines,
                                 const SubtitleLook& look, bool top) {
    return DrawLinesWith(
        text, lines, look, top, frame.Width(), frame.Height(),
        [&](const LineMask& mask, int x, int y) {
            DrawLayeredLine(frame, mask, x, y, look.outlineWidth, look.colors);
        },
        [&](const LineMask& mask, int x, int y, int from, int to) {
            const uint32_t colour = look.second.colour.Packed();
            ForGlyphPixels(mask, x, y, from, to, frame.Width(), frame.Height(),
                           [&](int fx, int fy) { frame.Row(fy)[fx] = colour; });
        });
}

StackPlacement DrawSubtitleLines(CodeFrame& frame, TextEngine& text, const std::vector<RunLine>& lines,
                                 const SubtitleLook& look, const LayerCodes& codes, bool top) {
    return DrawLinesWith(
        text, lines, look, top, frame.Width(), frame.Height(),
        [&](const LineMask& mask, int x, int y) {
            DrawLayeredLineCodes(frame, mask, x, y, look.outlineWidth, codes);
        },
        [&](const LineMask& mask, int x, int y, int from, int to) {
            const unsigned code = look.second.code;
            ForGlyphPixels(mask, x, y, from, to, frame.Width(), frame.Height(), [&](int fx, int fy) {
                const uint64_t bit = uint64_t(1) << (fx & 63);
                uint64_t& lo = frame.Low(fy)[fx >> 6];
                uint64_t& hi = frame.High(fy)[fx >> 6];
                lo = code & 1 ? lo | bit : lo & ~bit;
                hi = code & 2 ? hi | bit : hi & ~bit;
            });
        });
}

std::vector<RunLine> WrapLines(TextEngine& text, const std::vector<RunLine>& lines, const FontSpec& font,
                               int limit) {
    std::vector<RunLine> out;
    for (const RunLine& line : lines) {
        if (MeasureRunLine(text, line, font).width < limit) {
            out.push_back(line);
            continue;
        }
        std::vector<RunLine> pieces = Balanced(text, line, font, limit);
        if (pieces.empty())
            out.push_back(line);
        else
            for (RunLine& piece : pieces) out.push_back(std::move(piece));
    }
    return out;
}

}  // namespace glyphon
