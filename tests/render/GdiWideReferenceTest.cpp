// Unicode text against the Windows wide-character text API: Latin, Greek and
// Cyrillic lines read as UTF-8 and drawn in "Arial" (Liberation Sans), as
// recorded by tools/gdi-reference/run-wide.sh under Wine into
// tests/data/gdi/arial-wide.txt (TextOutW, GetTextExtentPoint32W).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {
namespace {

struct Drawing {
    int points = 0, style = 0;
    std::string text;  // UTF-8
    int cx = 0, cy = 0;
    int left = 0, top = 0, width = 0, height = 0, gray = 0;
    std::vector<std::string> rows;

    bool Set(int x, int y) const {
        x -= left, y -= top;
        return x >= 0 && y >= 0 && x < width && y < height && rows[size_t(y)][size_t(x)] == '#';
    }
};

struct WideReference {
    std::vector<std::string> families;
    std::vector<Drawing> drawings;
};

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

const WideReference& Data() {
    static const WideReference data = [] {
        WideReference r;
        std::ifstream in(GLYPHON_TEST_DATA "/gdi/arial-wide.txt");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string kind, hex;
            fields >> kind;
            if (kind == "F") {
                const size_t q = line.find("\" \"");
                r.families.push_back(q == std::string::npos ? "" : line.substr(q + 3, line.size() - q - 4));
            } else if (kind == "W") {
                Drawing d;
                fields >> d.points >> d.style >> hex >> d.cx >> d.cy;
                d.text = FromHex(hex);
                r.drawings.push_back(d);
            } else if (kind == "B") {
                Drawing& d = r.drawings.back();
                fields >> d.points >> d.style >> hex >> d.left >> d.top >> d.width >> d.height >> d.gray;
                for (int y = 0; y < d.height && std::getline(in, line); ++y) d.rows.push_back(line);
            }
        }
        return r;
    }();
    return data;
}

FontSpec Utf8Arial(const Drawing& d) { return FontSpec{"Arial", d.points, kUtf8Charset, d.style}; }

TEST(GdiWideReference, EveryDrawingSetsTheSamePixelsAsTextOutW) {
    ASSERT_EQ(Data().drawings.size(), 24u);
    for (const std::string& family : Data().families) EXPECT_EQ(family, "Liberation Sans");
    const std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    for (const Drawing& d : Data().drawings) {
        SCOPED_TRACE(std::to_string(d.points) + "pt style " + std::to_string(d.style) + " " + d.text);
        ASSERT_EQ(d.gray, 0);
        LineMask mask;
        engine->DrawLineMask(d.text, Utf8Arial(d), mask);
        int onlyOurs = 0, onlyGdi = 0;
        const int x0 = std::min(d.left, mask.left), y0 = std::min(d.top, mask.top);
        const int x1 = std::max(d.left + d.width, mask.left + mask.width);
        const int y1 = std::max(d.top + d.height, mask.top + mask.height);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const bool gdi = d.Set(x, y), ours = mask.Test(x - mask.left, y - mask.top);
                // GDI cuts glyphs at the text cell; the engine keeps their ink.
                onlyOurs += ours && !gdi && y >= 0 && y < d.cy;
                onlyGdi += gdi && !ours;
            }
        EXPECT_EQ(onlyOurs, 0);
        EXPECT_EQ(onlyGdi, 0);
        EXPECT_EQ(engine->MeasureLine(d.text, Utf8Arial(d)).height, d.cy);
    }
}

}  // namespace
}  // namespace glyphon
