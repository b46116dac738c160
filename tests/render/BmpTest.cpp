#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "render/Bmp.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

Frame Pattern(int w, int h) {
    Frame f(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) f.Set(x, y, Rgb{uint8_t(x * 7), uint8_t(y * 13), uint8_t(x ^ y)});
    return f;
}

std::vector<uint8_t> Encoded(const Frame& f, const std::string& path) {
    EXPECT_TRUE(WriteBmp24(path, f));
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Bmp, RoundTripsOddWidthsWithRowPadding) {
    test::TempDir dir;
    for (int w : {1, 2, 3, 5, 720}) {
        const Frame f = Pattern(w, 7);
        const std::string path = dir.path() + "/p.bmp";
        WriteBmp24(path, f);
        const auto back = ReadBmp24(path);
        ASSERT_TRUE(back) << w;
        EXPECT_EQ(*back, f);
    }
}

TEST(Bmp, ReadsTopDownRows) {
    test::TempDir dir;
    const Frame f = Pattern(4, 3);
    std::vector<uint8_t> bytes = Encoded(f, dir.path() + "/p.bmp");
    // Flip to a top-down file: negative height, rows in the other order.
    const int32_t negative = -3;
    std::memcpy(&bytes[22], &negative, 4);
    std::vector<uint8_t> flipped(bytes.begin(), bytes.begin() + 54);
    for (int r = 2; r >= 0; --r)
        flipped.insert(flipped.end(), bytes.begin() + 54 + r * 12, bytes.begin() + 54 + (r + 1) * 12);
    const auto back = DecodeBmp24(flipped.data(), flipped.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, f);
}

TEST(Bmp, RefusesWhatIsNotAComplete24BitBitmap) {
    test::TempDir dir;
    std::vector<uint8_t> good = Encoded(Pattern(10, 10), dir.path() + "/p.bmp");
    ASSERT_TRUE(DecodeBmp24(good.data(), good.size()));
    for (size_t cut : {size_t(0), size_t(10), size_t(53), good.size() - 1})
        EXPECT_FALSE(DecodeBmp24(good.data(), cut)) << cut;
    auto bad = good;
    bad[28] = 32;  // 32 bits per pixel
    EXPECT_FALSE(DecodeBmp24(bad.data(), bad.size()));
    bad = good;
    bad[30] = 1;  // run-length compressed
    EXPECT_FALSE(DecodeBmp24(bad.data(), bad.size()));
    bad = good;
    bad[10] = 0xFF, bad[11] = 0xFF, bad[12] = 0xFF, bad[13] = 0x7F;  // pixels far beyond the end
    EXPECT_FALSE(DecodeBmp24(bad.data(), bad.size()));
    bad = good;
    bad[21] = 0x7F;  // absurd width
    EXPECT_FALSE(DecodeBmp24(bad.data(), bad.size()));
    EXPECT_FALSE(ReadBmp24(dir.path() + "/missing.bmp"));
}

TEST(Bmp, ScaleNearestStretchesToTheFrame) {
    Frame small(2, 2);
    small.Set(1, 0, Rgb{255, 0, 0});
    const Frame big = ScaleNearest(small, 720, 576);
    EXPECT_EQ(big.Width(), 720);
    EXPECT_EQ(big.At(359, 287), kPureBlue);
    EXPECT_EQ(big.At(360, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(big.At(719, 287), (Rgb{255, 0, 0}));
    EXPECT_EQ(big.At(719, 288), kPureBlue);
}

}  // namespace
}  // namespace glyphon
