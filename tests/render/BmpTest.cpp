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

TEST(Bmp, RefusesWhatIsNotAComplete24BitBitmapAndSaysWhy) {
    test::TempDir dir;
    std::vector<uint8_t> good = Encoded(Pattern(10, 10), dir.path() + "/p.bmp");
    ASSERT_TRUE(DecodeBmp24(good.data(), good.size()));
    auto problem = [](const std::vector<uint8_t>& b, size_t size) {
        std::string why = "(decoded)";
        DecodeBmp24(b.data(), size, &why);
        return why;
    };
    EXPECT_EQ(problem(good, 0), "it is not a BMP picture");
    for (size_t cut : {size_t(10), size_t(53), good.size() - 1})
        EXPECT_EQ(problem(good, cut), "the file is cut short") << cut;
    auto with = [&good](std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
        auto b = good;
        for (auto [at, v] : bytes) b[at] = v;
        return b;
    };
    const std::string unsupported = "only uncompressed 24-bit pictures can be used";
    EXPECT_EQ(problem(with({{28, 32}}), good.size()), unsupported);  // 32 bits per pixel
    EXPECT_EQ(problem(with({{28, 8}}), good.size()), unsupported);   // 8 bits per pixel
    EXPECT_EQ(problem(with({{30, 1}}), good.size()), unsupported);   // run-length compressed
    EXPECT_EQ(problem(with({{14, 12}}), good.size()), "it is not a Windows BMP picture");  // OS/2 header
    // Pixels far beyond the end, or near the 32-bit limit.
    EXPECT_EQ(problem(with({{10, 0xFF}, {11, 0xFF}, {12, 0xFF}, {13, 0x7F}}), good.size()),
              "the file is cut short");
    EXPECT_EQ(problem(with({{10, 0xFF}, {11, 0xFF}, {12, 0xFF}, {13, 0xFF}}), good.size()),
              "the file is cut short");
    EXPECT_EQ(problem(with({{18, 0}}), good.size()), "the picture has no pixels (0 x 10)");
    EXPECT_EQ(problem(with({{22, 0}}), good.size()), "the picture has no pixels (10 x 0)");
    EXPECT_EQ(problem(with({{21, 0x7F}}), good.size()),
              "the picture is too large (2130706442 x 10; at most 16384 x 16384)");
    EXPECT_EQ(problem(with({{22, 0x01}, {23, 0x00}, {24, 0x00}, {25, 0x80}}), good.size()),
              "the picture is too large (10 x 2147483647; at most 16384 x 16384)");
    std::string why;
    EXPECT_FALSE(ReadBmp24(dir.path() + "/missing.bmp", &why));
    EXPECT_EQ(why, "the file cannot be read");
}

// Found by fuzz_bmp: a pixel offset of 0 made the headers themselves the
// picture's pixels.
TEST(Bmp, RefusesPixelsThatStartInsideTheHeaders) {
    std::string why;
    EXPECT_FALSE(ReadBmp24(std::string(GLYPHON_TEST_DATA) + "/fuzz/bmp-pixels-inside-headers.bmp", &why));
    EXPECT_EQ(why, "the pixel data starts inside the headers");
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
