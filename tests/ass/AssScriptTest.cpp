// Reading scripts: found by content, bad scripts refused or drawn with a
// warning (never a crash or a hang), pictures quantised for PGS.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cmath>

extern "C" {
#include <ass/ass.h>
}

#include "ass/AssPgs.h"
#include "ass/AssPgsLayers.h"
#include "ass/AssScript.h"
#include "pgs/PgsPicture.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

std::string Script(const std::string& info, const std::string& events, const std::string& more = {}) {
    return "[Script Info]\nScriptType: v4.00+\n" + info +
           "\n[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, OutlineColour, BorderStyle, "
           "Outline, "
           "Alignment\nStyle: Default,DejaVu Sans,40,&H00FFFFFF,&H00000000,1,2,2\n" +
           more + "\n[Events]\nFormat: Layer, Start, End, Style, Text\n" + events;
}

// Draws every moment and counts them.
int Moments(AssScript& script) {
    int n = 0;
    script.Walk(25, [&](const AssMoment& m, const AssPicture& p) {
        EXPECT_LT(m.startMs, m.endMs);
        EXPECT_FALSE(p.Empty());
        ++n;
    });
    return n;
}

}  // namespace

TEST(AssScript, CutsAtEventsAndAtEveryFrameAnAnimationChanges) {
    TempDir dir;
    const std::string events =
        "Dialogue: 0,0:00:01.00,0:00:02.00,Default,Still\n"
        "Dialogue: 0,0:00:02.00,0:00:03.00,Default,Still\n"
        "Dialogue: 0,0:00:04.00,0:00:05.00,Default,{\\move(100,100,300,100,0,400)}Moving\n";
    AssScript script(dir.Write("a.ass", Script("PlayResX: 640\nPlayResY: 360", events)), 1280, 720);
    std::vector<AssMoment> moments;
    script.Walk(25, [&](const AssMoment& m, const AssPicture&) { moments.push_back(m); });
    // The two equal events are one picture; the move changes every frame
    // (40 ms) for 400 ms, then stands still.
    ASSERT_EQ(moments.size(), 1u + 10u + 1u);
    EXPECT_EQ(moments[0].startMs, 1000);
    EXPECT_EQ(moments[0].endMs, 3000);
    EXPECT_EQ(moments[1].startMs, 4000);
    EXPECT_EQ(moments[1].endMs, 4040);
    EXPECT_EQ(moments.back().endMs, 5000);
}

TEST(AssScript, BadScriptsAreRefusedOrDrawnWithAWarning) {
    const std::string line = "Dialogue: 0,0:00:00.00,0:00:01.00,Default,";
    std::string nested = line;
    for (int i = 0; i < 20000; ++i) nested += "{\\t(\\fscx200\\t(\\frz5))}";
    nested += "x\n";
    const struct {
        const char* name;
        std::string bytes;
        bool refused;
        bool warned;
    } cases[] = {
        {"zero PlayRes", Script("PlayResX: 0\nPlayResY: 0", line + "text\n"), false, true},
        {"negative PlayRes", Script("PlayResX: -640\nPlayResY: -360", line + "text\n"), false, true},
        {"huge sizes", Script("", line + "{\\fs100000\\bord5000\\blur900\\fscx100000}W\n"), false, false},
        {"deep nesting", Script("", nested), false, false},
        {"tall drawing", Script("", line + "{\\p1}m 0 0 l 10 0 10 2000000 0 2000000{\\p0}\n"), false, true},
        {"missing font", Script("", line + "{\\fnNo Such Face At All}text\n"), false, false},
        {"broken fonts", Script("", line + "text\n", "\n[Fonts]\nfontname: broken.ttf\n!!!!\"\"\"\n"), false,
         false},
        {"not a script", std::string("\x00\x01\x02garbage", 10), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            AssScript script("bad.ass", c.bytes, 1280, 720);
            EXPECT_FALSE(c.refused);
            Moments(script);
            if (c.warned) {
                EXPECT_FALSE(script.Warnings().empty());
            }
        } catch (const AssError& e) {
            EXPECT_TRUE(c.refused);
            EXPECT_NE(std::string(e.what()).find("bad.ass"), std::string::npos) << e.what();
        }
    }
}

TEST(AssScript, ScriptsNotInUtf8AreReadInTheirCharacterSet) {
    const std::string russian = "Привет! Как дела? Это проверка: мы читаем старые субтитры.";
    const auto encoded = [&](const char* set, const std::string& text) {
        iconv_t cd = iconv_open(set, "UTF-8");
        std::string out(text.size() * 4 + 4, '\0');
        char* in = const_cast<char*>(text.data());
        char* o = out.data();
        size_t inLeft = text.size(), outLeft = out.size();
        iconv(cd, &in, &inLeft, &o, &outLeft);
        iconv_close(cd);
        out.resize(out.size() - outLeft);
        return out;
    };
    const std::string script =
        Script("", "Dialogue: 0,0:00:01.00,0:00:02.00,Default,{\\i1}" + russian + "\n");
    const struct {
        const char* name;
        std::string bytes;
        const char* found;  // the set a warning names; none for Unicode
    } cases[] = {
        {"UTF-8", script, nullptr},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + script, nullptr},
        {"UTF-16LE with its mark", "\xFF\xFE" + encoded("UTF-16LE", script), nullptr},
        {"Windows-1251", encoded("CP1251", script), "Windows-1251"},
        {"KOI8-R", encoded("KOI8-R", script), "KOI8-R"},
    };
    const std::vector<std::string> plain = AssScript("old.ssa", script, 1280, 720).Warnings();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AssScript read("old.ssa", c.bytes, 1280, 720);
        const std::vector<AssEvent> events = read.Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].lines, std::vector<std::string>{russian});
        if (!c.found) {
            EXPECT_EQ(read.Warnings(), plain);
            continue;
        }
        ASSERT_EQ(read.Warnings().size(), plain.size() + 1);
        EXPECT_NE(read.Warnings()[0].find(c.found), std::string::npos) << read.Warnings()[0];
    }
}

TEST(AssPgs, QuantisingKeepsFewColoursExactlyAndManyWithinAFewLevels) {
    for (const int colours : {3, 4000}) {
        SCOPED_TRACE(colours);
        AssPicture p;
        p.width = 200;
        p.height = 100;
        p.rgba.resize(size_t(p.width) * size_t(p.height) * 4);
        for (int i = 0; i < p.width * p.height; ++i) {
            const int k = i % colours, a = 255 - k % 200;
            uint8_t* q = &p.rgba[size_t(i) * 4];
            q[0] = uint8_t((k * 37 % 256) * a / 255), q[1] = uint8_t((k * 11 % 256) * a / 255), q[2] = 0,
            q[3] = uint8_t(a);
        }
        PgsObject object;
        std::vector<PgsColor> palette;
        QuantiseForPgs(p, 720, object, palette);
        ASSERT_LE(palette.size(), 256u);
        EXPECT_EQ(palette[0].alpha, 0);
        double error = 0;
        for (size_t i = 0; i < object.pixels.size(); ++i) {
            ASSERT_NE(object.pixels[i], 0);
            error += std::abs(int(palette[object.pixels[i]].alpha) - int(p.rgba[i * 4 + 3]));
        }
        if (colours < 256) {
            EXPECT_EQ(palette.size(), size_t(colours) + 1);
        }
        EXPECT_LT(error / double(object.pixels.size()), colours < 256 ? 0.01 : 8.0);
    }
}

TEST(AssPgs, LayeredQuantisingAgreesWithTheComposedPicture) {
    // One, two and three layers; lines whose outlines overlap; thin and
    // blurred edges, whose keys leave the lines most pictures keep to.
    for (const char* text :
         {"{\\bord0}One layer alone", "Two lines\\Nwhose outlines overlap", "{\\bord0.6}A thin outline",
          "{\\blur1\\fs14}A small blurred line", "{\\shad2}Shadow, outline\\Nand fill"}) {
        SCOPED_TRACE(text);
        AssScript script("layers.ass",
                         Script("PlayResX: 640\nPlayResY: 360\n",
                                "Dialogue: 0,0:00:00.00,0:00:01.00,Default," + std::string(text) + "\n"),
                         1280, 720);
        AssPgsLayers layers;
        int pictures = 0;
        script.WalkImages(
            25,
            [&](const ::ass_image* images) {
                AssPicture composed;
                ComposeAssImages(images, 1280, 720, composed);
                PgsObject object;
                std::vector<PgsColor> palette;
                if (!layers.Quantise(images, 1280, 720, 720, object, palette)) return false;
                ++pictures;
                const auto inside = [](int x, int y, int left, int top, int w, int h) {
                    return x >= left && y >= top && x < left + w && y < top + h;
                };
                long far = 0;
                for (int y = 0; y < 720; ++y)
                    for (int x = 0; x < 1280; ++x) {
                        PgsColor ours, theirs;
                        if (inside(x, y, object.x, object.y, object.width, object.height))
                            ours =
                                palette[object.pixels[size_t((y - object.y) * object.width + x - object.x)]];
                        if (inside(x, y, composed.x, composed.y, composed.width, composed.height)) {
                            const uint8_t* c =
                                &composed
                                     .rgba[size_t((y - composed.y) * composed.width + x - composed.x) * 4];
                            const auto straight = [&](int n) {
                                return uint8_t(c[3] ? (c[n] * 255 + c[3] / 2) / c[3] : 0);
                            };
                            theirs = ToPgsColor(Rgba{straight(0), straight(1), straight(2), c[3]}, 720);
                        }
                        far += std::abs(ours.alpha - theirs.alpha) > 6 ||
                               (theirs.alpha > 128 && std::abs(ours.y - theirs.y) > 8);
                    }
                EXPECT_EQ(far, 0);
                return true;
            },
            [](const AssMoment&) {});
        EXPECT_GT(pictures, 0);
    }
}

}  // namespace glyphon::test
