// The ".pgs.sup" in the tools people use it with: mkvmerge muxes it into
// Matroska, and FFmpeg overlays it on a 1080p picture, shown at its start
// and gone at its end, with smooth edges.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "pgs/PgsSink.h"
#include "subtitle/Cue.h"
#include "support/PgsDecoder.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

// Two subtitles at 1080p, white on a black outline.
std::string WriteStream(TextEngine& engine, const TempDir& dir) {
    PgsLook look;
    look.font = FontSpec{"Arial", 20, 1, 0};
    PgsOptions options;
    const std::string path = dir.File("movie.pgs.sup");
    PgsSink sink(engine, look, options);
    sink.Create(path);
    sink.Subtitle(TicksOfMs(400), TicksOfMs(1000),
                  {PlainLine("Rethymno, the old Venetian harbour."), PlainLine("Crete Hellas, summer")}, {});
    sink.Subtitle(TicksOfMs(1200), TicksOfMs(1600), {PlainLine("Second subtitle"), PlainLine("")}, {});
    sink.Close();
    return path;
}

std::string Shell(const std::string& command) {
    return std::system(command.c_str()) == 0 ? std::string() : "failed: " + command;
}

}  // namespace

TEST(PgsTools, MkvmergeMuxesTheStreamIntoMatroskaAndFFmpegReadsItBack) {
    auto engine = CreateFreeTypeEngine();
    TempDir dir;
    const std::string sup = WriteStream(*engine, dir);
    const std::string mkv = dir.File("movie.mkv");
    ASSERT_EQ(Shell("mkvmerge -q -o '" + mkv + "' '" + sup + "' >/dev/null 2>&1"), "")
        << "mkvmerge (Debian package mkvtoolnix)";
    const DecodedPgs direct = DecodePgs(sup);
    const DecodedPgs muxed = DecodePgs(mkv);
    EXPECT_EQ(muxed.format, "matroska,webm");
    EXPECT_EQ(muxed.codec, "hdmv_pgs_subtitle");
    ASSERT_EQ(muxed.subtitles.size(), 4u);
    ASSERT_EQ(direct.subtitles.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(muxed.subtitles[i].pts, direct.subtitles[i].pts);
        ASSERT_EQ(muxed.subtitles[i].rects.size(), direct.subtitles[i].rects.size());
        if (!direct.subtitles[i].rects.empty()) {
            EXPECT_EQ(muxed.subtitles[i].rects[0].indices, direct.subtitles[i].rects[0].indices);
        }
    }
}

TEST(PgsTools, FFmpegOverlaysItOnA1080pPictureWithSmoothEdgesFromStartToEnd) {
    auto engine = CreateFreeTypeEngine();
    TempDir dir;
    const std::string sup = WriteStream(*engine, dir);
    // 25 frames a second: frame n starts at 40 n ms. The first subtitle runs
    // from 400 to 1000 ms (frames 10 to 24), the second from 1200 to 1600 ms
    // (frames 30 to 39). The picture's own times are kept (-copyts), so the
    // stream is not moved to start at its first subtitle.
    const std::string raw = dir.File("frames.rgb");
    ASSERT_EQ(Shell("ffmpeg -v error -copyts -f lavfi -i color=c=0x306090:s=1920x1080:r=25:d=2 -i '" + sup +
                    "' -filter_complex '[0:v][1:s]overlay,crop=1920:240:0:840' -f rawvideo -pix_fmt rgb24 '" +
                    raw + "'"),
              "")
        << "ffmpeg (Debian package ffmpeg)";
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t frameSize = size_t(1920) * 240 * 3;  // the bottom rows, where the lines are
    ASSERT_GE(bytes.size(), frameSize * 30);
    const auto colours = [&](int n) {
        std::set<uint32_t> seen;
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + frameSize * size_t(n);
        for (size_t i = 0; i < frameSize; i += 3)
            seen.insert(uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8 | p[i + 2]);
        return seen.size();
    };
    // Shown within a frame of each start, gone within a frame of each end;
    // while shown: white, black and many blends of them and the picture.
    for (const int plain : {9, 26, 29, 41}) EXPECT_LE(colours(plain), 2u) << plain;
    for (const int shown : {11, 24, 31, 38}) EXPECT_GE(colours(shown), 60u) << shown;
}

}  // namespace glyphon::test
