#include <gtest/gtest.h>

#include <numeric>

#include "mux/PackWriter.h"

namespace glyphon {
namespace {

template <size_t N>
std::vector<uint8_t> V(const std::array<uint8_t, N>& a) {
    return {a.begin(), a.end()};
}
std::vector<uint8_t> Slice(const std::vector<uint8_t>& b, size_t from, size_t n) {
    return {b.begin() + from, b.begin() + from + n};
}
std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), uint8_t(1));
    return v;
}

TEST(PackHeader, ScrAndMuxRateBitsAsHandComputed) {
    EXPECT_EQ(V(PackHeader(0)), (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04,
                                                      0x01, 0x01, 0x89, 0xC3, 0xF8}));
    // 90000 = 0b1_0101_1111_1001_0000: bits 19..15 = 00010, 14..13 = 10, 12..5 = 0xFC, 4..0 = 10000.
    EXPECT_EQ(V(PackHeader(90000)), (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x16, 0xFC,
                                                          0x84, 0x01, 0x01, 0x89, 0xC3, 0xF8}));
    // Every one of the 33 bits set; a 34th is dropped. Mux rate 1 sits in the lowest bits.
    EXPECT_EQ(V(PackHeader((uint64_t(1) << 34) - 1, 1)),
              (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBA, 0x7F, 0xFF, 0xFF, 0xFF, 0xFC, 0x01, 0x00, 0x00,
                                    0x07, 0xF8}));
}

TEST(PtsField, PrefixMarkersAndBitsAsHandComputed) {
    EXPECT_EQ(V(PtsField(90000)), (std::vector<uint8_t>{0x21, 0x00, 0x05, 0xBF, 0x21}));
    EXPECT_EQ(V(PtsField(0)), (std::vector<uint8_t>{0x21, 0x00, 0x01, 0x00, 0x01}));
    EXPECT_EQ(V(PtsField((uint64_t(1) << 33) - 1)), (std::vector<uint8_t>{0x2F, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(PackWriter, SmallUnitIsOnePackWithPtsAndAPaddingPacket) {
    MemorySink sink;
    PackWriter writer(sink);
    const auto unit = Counting(100);
    EXPECT_EQ(writer.WriteSubPictureUnit(unit.data(), unit.size(), 90000, 3, [](size_t) { return 90000; }),
              1u);
    const auto& b = sink.Bytes();
    ASSERT_EQ(b.size(), kPackSize);
    EXPECT_EQ(Slice(b, 0, 14), V(PackHeader(90000)));
    // PES: private stream 1, 109 bytes follow (3 flag bytes, PTS, sub-stream id, unit).
    EXPECT_EQ(Slice(b, 14, 15), (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBD, 0x00, 0x6D, 0x81, 0x80, 0x05,
                                                      0x21, 0x00, 0x05, 0xBF, 0x21, 0x23}));
    EXPECT_EQ(Slice(b, 29, 100), unit);
    // 2048 - 129 = 1919 bytes left: a padding packet with 1913 bytes of 0xFF.
    EXPECT_EQ(Slice(b, 129, 6), (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBE, 0x07, 0x79}));
    EXPECT_EQ(Slice(b, 135, 1913), std::vector<uint8_t>(1913, 0xFF));
}

TEST(PackWriter, UnitThatFillsThePackExactlyHasNoPadding) {
    MemorySink sink;
    PackWriter writer(sink);
    const auto unit = Counting(2019);
    EXPECT_EQ(SubPicturePackCount(unit.size()), 1u);
    writer.WriteSubPictureUnit(unit.data(), unit.size(), 0, 0, [](size_t) { return 0; });
    const auto& b = sink.Bytes();
    ASSERT_EQ(b.size(), kPackSize);
    EXPECT_EQ(Slice(b, 18, 2), (std::vector<uint8_t>{0x07, 0xEC}));  // 2028: the rest of the pack
    EXPECT_EQ(b[28], 0x20);
    EXPECT_EQ(Slice(b, 29, 2019), unit);
}

TEST(PackWriter, FewerThanSixBytesLeftBecomeHeaderStuffing) {
    MemorySink sink;
    PackWriter writer(sink);
    const auto unit = Counting(2016);
    writer.WriteSubPictureUnit(unit.data(), unit.size(), 0, 1, [](size_t) { return 0; });
    const auto& b = sink.Bytes();
    ASSERT_EQ(b.size(), kPackSize);
    // Packet length still 2028; header data length 5 + 3 stuffing bytes.
    EXPECT_EQ(Slice(b, 18, 5), (std::vector<uint8_t>{0x07, 0xEC, 0x81, 0x80, 0x08}));
    EXPECT_EQ(Slice(b, 28, 4), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x21}));
    EXPECT_EQ(Slice(b, 32, 2016), unit);
}

TEST(PackWriter, LargeUnitContinuesInPacksWithoutPtsEachWithItsOwnScr) {
    MemorySink sink;
    PackWriter writer(sink);
    const auto unit = Counting(2019 + 2024 + 1);
    EXPECT_EQ(SubPicturePackCount(unit.size()), 3u);
    EXPECT_EQ(writer.WriteSubPictureUnit(unit.data(), unit.size(), 90000, 31,
                                         [](size_t k) { return 90000 + 10 * k; }),
              3u);
    const auto& b = sink.Bytes();
    ASSERT_EQ(b.size(), 3 * kPackSize);
    EXPECT_EQ(Slice(b, 29, 2019), Slice(unit, 0, 2019));
    const size_t second = kPackSize, third = 2 * kPackSize;
    EXPECT_EQ(Slice(b, second, 14), V(PackHeader(90010)));
    EXPECT_EQ(Slice(b, second + 14, 10),
              (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBD, 0x07, 0xEC, 0x81, 0x00, 0x00, 0x3F}));
    EXPECT_EQ(Slice(b, second + 24, 2024), Slice(unit, 2019, 2024));
    EXPECT_EQ(Slice(b, third, 14), V(PackHeader(90020)));
    // One byte: packet length 5, then padding of 2048 - 25 - 6 = 2017 bytes.
    EXPECT_EQ(Slice(b, third + 14, 17),
              (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBD, 0x00, 0x05, 0x81, 0x00, 0x00, 0x3F, unit.back(),
                                    0x00, 0x00, 0x01, 0xBE, 0x07, 0xE1}));
}

TEST(PackWriter, RefusesStreamsBeyond31AndOverfullPacks) {
    MemorySink sink;
    PackWriter writer(sink);
    const auto unit = Counting(2025);
    EXPECT_THROW(writer.WriteSubPicturePack(0, 32, 0, unit.data(), 10), std::invalid_argument);
    EXPECT_THROW(writer.WriteSubPicturePack(0, -1, 0, unit.data(), 10), std::invalid_argument);
    EXPECT_THROW(writer.WriteSubPicturePack(0, 0, 0, unit.data(), 2020), std::invalid_argument);
    EXPECT_THROW(writer.WriteSubPicturePack(0, 0, std::nullopt, unit.data(), 2025), std::invalid_argument);
    EXPECT_TRUE(sink.Bytes().empty());
    EXPECT_EQ(SubPicturePackCount(0), 1u);
    EXPECT_EQ(SubPicturePackCount(2020), 2u);
    EXPECT_EQ(SubPicturePackCount(2019 + 2024), 2u);
}

}  // namespace
}  // namespace glyphon
