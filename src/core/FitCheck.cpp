#include "core/FitCheck.h"

#include "core/DrawnLines.h"
#include "render/FontTables.h"
#include "render/Renderer.h"
#include "render/StyledLines.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

bool LinesInsideFrame(const SubtitleLine& entry, TextEngine& text, const FitLook& look, FrameExit& exit) {
    const TextExtent e1 = text.MeasureLine(entry.Line1, look.font);
    const TextExtent e2 = text.MeasureLine(entry.Line2, look.font);
    SubtitlePlacement p =
        PlaceSubtitle(e1, e2, kFrameWidth, look.frameHeight, look.offset, look.offsetOr, look.align);
    if (look.anchorBottom && !entry.AtTop() && !entry.Line2.empty()) {
        // Line 2 where a one-line subtitle's line goes, line 1 above it.
        p.y2 = look.frameHeight - e2.height - 40 - look.offset;
        p.y1 = p.y2 - e2.height + look.offsetOr;
    }
    if (p.y1 < 0) {
        exit.line = 1;
        exit.row = p.y1;
        return false;
    }
    // The lower line's cell: line 2 when it has text, otherwise line 1.
    const bool two = !entry.Line2.empty();
    const int bottom = two ? p.y2 + e2.height : p.y1 + e1.height;
    if (bottom > look.frameHeight) {
        exit.line = two ? 2 : 1;
        exit.row = bottom - 1;
        return false;
    }
    return true;
}

void CheckSubtitleFits(const SubtitleLine& entry, int number, TextEngine& text, const FitLook& look,
                       bool checkOutside, FitResult& result) {
    const std::vector<RunLine> lines = LinesToDraw(entry, text, look.font, look.wrap);
    std::vector<TextExtent> extents;
    extents.reserve(lines.size());
    for (size_t k = 0; k < lines.size(); ++k) {
        extents.push_back(MeasureRunLine(text, lines[k], look.font));
        if (extents.back().width >= kFitLimit)
            result.problems.push_back({number, int(k + 1), extents.back().width});
    }
    if (lines.size() > 2) {
        // Lines beyond the second must also stay within the frame.
        const bool anchorLast = look.anchorBottom && !entry.AtTop();
        if (anchorLast) extents.resize(LinesWithText(lines));
        const StackPlacement p = PlaceLines(extents, kFrameWidth, look.frameHeight, look.offset,
                                            look.offsetOr, look.align, entry.AtTop(), anchorLast);
        if (p.y.front() < 0)
            result.problems.push_back({number, int(lines.size()), 0, true, true});
        else if (p.y.back() + extents.back().height > look.frameHeight)
            result.problems.push_back({number, int(lines.size()), 0, true});
    }
    if (checkOutside && !result.outside && lines.size() <= 2) {
        FrameExit exit;
        if (!LinesInsideFrame(entry, text, look, exit)) {
            exit.entry = number;
            result.outside = exit;
        }
    }
}

}  // namespace glyphon
