#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sup/SubPictureEncoder.h"

namespace glyphon {
namespace {

constexpr Rgb kText{235, 235, 235};
constexpr Rgb kOutline{16, 16, 16};
constexpr Rgb kAntialias{125, 125, 125};
constexpr Rgb kOther{1, 2, 3};  // matches no role
const RoleColours kColours{kAntialias, kOutline, kText};
const RoleIndices kIndices{1, 0, 3, 0};  // antialias, outline, text, background

std::string Hex(const uint8_t* data, size_t size) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < size; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

// Parses "00 34 ..." into bytes.
std::vector<uint8_t> Bytes(const std::string& text) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(uint8_t(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

// Expected hex digits, written with spaces between codes for reading.
std::string Digits(std::string text) {
    std::erase(text, ' ');
    return text;
}

size_t U16(const std::vector<uint8_t>& unit, size_t at) { return size_t(unit[at]) << 8 | unit[at + 1]; }

// Row 0 of a PAL frame painted as runs from pixel 1 on (pixel 0 takes the
// first run's colour); the last run reaches pixel 719.
Frame RowOfRuns(const std::vector<std::pair<int, Rgb>>& runs) {
    Frame frame(kFrameWidth, kPalHeight);
    int x = 1;
    frame.Set(0, 0, runs.front().second);
    for (const auto& [length, colour] : runs)
        for (int i = 0; i < length && x < kFrameWidth; ++i) frame.Set(x++, 0, colour);
    return frame;
}

// The hex digits of the one encoded row of a one-row band, without its
// closing end-of-line code 0000.
std::string RowDigits(const Frame& frame, int row = 0) {
    const auto unit = EncodeSubPicture(frame, row, 1, kIndices, kColours, 1000);
    const size_t c = U16(unit, 2);
    const size_t bottom = U16(unit, c + 21);
    EXPECT_EQ(Hex(&unit[bottom - 2], 2), "0000");
    return Hex(&unit[6], bottom - 2 - 6);
}

TEST(ClassifyPixel, ExactRoleColoursGiveTheirCodes) {
    EXPECT_EQ(ClassifyPixel(kText, kColours), kCodeText);
    EXPECT_EQ(ClassifyPixel(kOutline, kColours), kCodeOutline);
    EXPECT_EQ(ClassifyPixel(kAntialias, kColours), kCodeAntialias);
    EXPECT_EQ(ClassifyPixel(kPureBlue, kColours), kCodeBackground);
    EXPECT_EQ(ClassifyPixel(kOther, kColours), kCodeBackground);
    EXPECT_EQ(ClassifyPixel(Rgb{235, 235, 234}, kColours), kCodeBackground);  // no nearest-colour matching
}

TEST(ClassifyPixel, SharedColoursResolveTextThenOutlineThenAntialias) {
    const Rgb shared{200, 100, 50};
    EXPECT_EQ(ClassifyPixel(shared, RoleColours{shared, kOutline, shared}), kCodeText);
    EXPECT_EQ(ClassifyPixel(shared, RoleColours{shared, shared, kText}), kCodeOutline);
    EXPECT_EQ(ClassifyPixel(shared, RoleColours{kAntialias, shared, shared}), kCodeText);
    EXPECT_EQ(ClassifyPixel(shared, RoleColours{shared, shared, shared}), kCodeText);
}

TEST(ClassifyPixel, PureBlueRoleColourIsBackground) {
    EXPECT_EQ(ClassifyPixel(kPureBlue, RoleColours{kAntialias, kOutline, kPureBlue}), kCodeBackground);
    EXPECT_EQ(ClassifyPixel(kPureBlue, RoleColours{kPureBlue, kPureBlue, kPureBlue}), kCodeBackground);
}

// The row coder classifies runs its own way; it must agree with ClassifyPixel
// for every way the three roles can share colours, pure blue included.
TEST(ClassifyPixel, EncoderAgreesForEverySharingOfRoleColours) {
    const Rgb choices[4] = {Rgb{10, 20, 30}, Rgb{40, 50, 60}, Rgb{70, 80, 90}, kPureBlue};
    const Rgb pixels[5] = {choices[0], choices[1], choices[2], kPureBlue, kOther};
    for (int a = 0; a < 4; ++a)
        for (int o = 0; o < 4; ++o)
            for (int t = 0; t < 4; ++t) {
                const RoleColours roles{choices[a], choices[o], choices[t]};
                for (const Rgb& pixel : pixels) {
                    // A first run of 4 pixels is the two digits "1" and its code.
                    const Frame frame = RowOfRuns({{4, pixel}, {715, Rgb{200, 200, 200}}});
                    const auto unit = EncodeSubPicture(frame, 0, 1, kIndices, roles, 1000);
                    EXPECT_EQ(unit[6], 0x10 | ClassifyPixel(pixel, roles))
                        << "roles " << a << o << t << " pixel " << int(pixel.r);
                }
            }
}

TEST(RunLength, CodeWidthsAtTheirLimits) {
    // Each case: the run under test first, then the rest of the row, padded to whole bytes.
    EXPECT_EQ(RowDigits(RowOfRuns({{3, kAntialias}, {716, kPureBlue}})), Digits("F 03FC03FC0338 0"));
    EXPECT_EQ(RowDigits(RowOfRuns({{4, kPureBlue}, {715, kText}})), Digits("10 03FD03FD0335"));
    EXPECT_EQ(RowDigits(RowOfRuns({{15, kAntialias}, {704, kPureBlue}})), Digits("3F 03FC03FC0308"));
    EXPECT_EQ(RowDigits(RowOfRuns({{16, kPureBlue}, {703, kText}})), Digits("040 03FD03FD0305 0"));
    EXPECT_EQ(RowDigits(RowOfRuns({{63, kAntialias}, {656, kPureBlue}})), Digits("0FF 03FC03FC0248 0"));
    EXPECT_EQ(RowDigits(RowOfRuns({{64, kPureBlue}, {655, kText}})), Digits("0100 03FD03FD0245"));
    EXPECT_EQ(RowDigits(RowOfRuns({{255, kAntialias}, {464, kPureBlue}})), Digits("03FF 03FC0344"));
    EXPECT_EQ(RowDigits(RowOfRuns({{2, kOutline}, {717, kPureBlue}})), Digits("A 03FC03FC033C 0"));
}

TEST(RunLength, RunsOver255SplitIntoCodesOfAtMost255) {
    EXPECT_EQ(RowDigits(RowOfRuns({{256, kText}, {463, kPureBlue}})), Digits("03FD 5 03FC0340 0"));
    EXPECT_EQ(RowDigits(RowOfRuns({{510, kText}, {209, kPureBlue}})), Digits("03FD03FD 0344"));
    EXPECT_EQ(RowDigits(RowOfRuns({{511, kText}, {208, kPureBlue}})), Digits("03FD03FD 5 0340 0"));
    EXPECT_EQ(RowDigits(RowOfRuns({{600, kText}, {119, kPureBlue}})), Digits("03FD03FD0169 01DC"));
}

TEST(RunLength, BackgroundRowIsThreeCodesCovering719Pixels) {
    EXPECT_EQ(RowDigits(Frame(kFrameWidth, kPalHeight)), "03FC03FC0344");
}

TEST(RunLength, ThreeTextPixelsBetweenBackgroundRuns) {
    EXPECT_EQ(RowDigits(RowOfRuns({{100, kPureBlue}, {3, kText}, {616, kPureBlue}})),
              Digits("0190 D 03FC03FC01A8 0"));
}

TEST(RunLength, RunsFollowRawColoursNotCodes) {
    // Two unmatched colours are both background but still two runs.
    EXPECT_EQ(RowDigits(RowOfRuns({{10, kOther}, {709, kPureBlue}})), Digits("28 03FC03FC031C"));
    // Two roles sharing one colour make one run of the winning code.
    const Rgb shared{9, 9, 9};
    const auto unit = EncodeSubPicture(RowOfRuns({{100, kPureBlue}, {3, shared}, {616, kPureBlue}}), 0, 1,
                                       kIndices, RoleColours{shared, kOutline, shared}, 1000);
    EXPECT_EQ(Hex(&unit[6], 9), "0190D03FC03FC01A80");
}

TEST(RunLength, LastPixelIsNotLookedAtAndLastRunTakesIt) {
    Frame frame(kFrameWidth, kPalHeight);
    frame.Set(719, 0, kText);
    EXPECT_EQ(RowDigits(frame), "03FC03FC0344");
    frame.Set(718, 0, kText);
    frame.Set(719, 0, kPureBlue);
    EXPECT_EQ(RowDigits(frame), Digits("03FC03FC033C 9 0"));  // 717 background, then 718-719 text
}

TEST(RunLength, PixelZeroDifferingFromPixelOneGivesNoEmptyRun) {
    Frame frame(kFrameWidth, kPalHeight);
    frame.Set(0, 0, kText);
    EXPECT_EQ(RowDigits(frame), "03FC03FC0344");
    Frame other(kFrameWidth, kPalHeight);
    other.Set(1, 0, kText);
    EXPECT_EQ(RowDigits(other), Digits("5 03FC03FC0340 0"));
}

TEST(EncodeSubPicture, TwoBackgroundRowsGiveThe52ByteUnit) {
    const Frame frame(kFrameWidth, kPalHeight);
    const auto unit = EncodeSubPicture(frame, 100, 2, kIndices, kColours, 2000);
    EXPECT_EQ(unit, Bytes("00 34 00 16"
                          " 00 00 03 FC 03 FC 03 44 00 00 03 FC 03 FC 03 44 00 00 00 00"
                          " 00 2E 01 03 10 30 04 FF F0 05 00 02 CF 06 40 65 06 00 06 00 0E FF"
                          " 00 AF 00 2E 02 FF"));
}

TEST(EncodeSubPicture, OddPixelBlockEndsInTwoFFAndGives56Bytes) {
    Frame frame(kFrameWidth, kPalHeight);
    for (int x = 101; x <= 103; ++x) frame.Set(x, 100, kText);
    const auto unit = EncodeSubPicture(frame, 100, 2, kIndices, kColours, 50);
    EXPECT_EQ(unit, Bytes("00 38 00 19"
                          " 00 00 01 90 D0 3F C0 3F C0 1A 80 00 00 03 FC 03 FC 03 44 00 00 00 00"
                          " 00 31 01 03 10 30 04 FF F0 05 00 02 CF 06 40 65 06 00 06 00 11 FF"
                          " 00 04 00 31 02 FF FF"));
}

TEST(EncodeSubPicture, DisplayAreaIsFullWidthAndEndsOnTheLastCodedRow) {
    const Frame frame(kFrameWidth, kPalHeight);
    const auto unit = EncodeSubPicture(frame, 480, 60, kIndices, kColours, 1000);
    const size_t c = U16(unit, 2);
    EXPECT_EQ(unit[c + 11], 0x05);
    EXPECT_EQ(Hex(&unit[c + 12], 6), "0002CF1E021B");
}

TEST(EncodeSubPicture, OddBandPutsTheExtraRowInTheTopField) {
    Frame frame(kFrameWidth, kPalHeight);
    frame.Set(1, 12, kText);  // the band's last row, in the top field
    const auto unit = EncodeSubPicture(frame, 10, 3, kIndices, kColours, 1000);
    const size_t c = U16(unit, 2);
    const size_t bottom = U16(unit, c + 21);
    EXPECT_EQ(U16(unit, c + 19), 6u);
    EXPECT_EQ(Hex(&unit[6], bottom - 6), Digits("03FC03FC0344 0000 503FC03FC0340 0 0000"));
    EXPECT_EQ(Hex(&unit[bottom], c - bottom), "03FC03FC03440000");
    EXPECT_EQ(U16(unit, 0), unit.size());
    EXPECT_EQ(unit.size() % 2, 0u);
}

TEST(EncodeSubPicture, PaletteAndContrastBytes) {
    const Frame frame(kFrameWidth, kPalHeight);
    const auto unit = EncodeSubPicture(frame, 0, 2, RoleIndices{15, 7, 10, 2}, kColours, 1000);
    const size_t c = U16(unit, 2);
    EXPECT_EQ(Hex(&unit[c + 4], 7), "0103F7A204FFF0");
}

// The stop delay counts 1024/90,000 s: a 3 s subtitle is 263.67 units. It
// is rounded down, so that a subtitle is gone when the next one starts.
TEST(DisplayTime, MillisecondsTimes90Over1024RoundedDown) {
    EXPECT_EQ(DisplayTimeUnits(2000), 175);  // 175.78
    EXPECT_EQ(DisplayTimeUnits(3000), 263);  // 263.67
    EXPECT_EQ(DisplayTimeUnits(50), 4);      // 4.39
    EXPECT_EQ(DisplayTimeUnits(1000), 87);   // 87.89
    EXPECT_EQ(DisplayTimeUnits(256), 22);    // 22.5
    EXPECT_EQ(DisplayTimeUnits(12), 1);      // 1.05
    EXPECT_EQ(DisplayTimeUnits(11), 0);      // 0.97
}

TEST(DisplayTime, NegativeGivesZeroAndOverflowHoldsAt65535) {
    EXPECT_EQ(DisplayTimeUnits(0), 0);
    EXPECT_EQ(DisplayTimeUnits(-1500), 0);
    EXPECT_EQ(DisplayTimeUnits(745642), 65534);  // 65534.94
    EXPECT_EQ(DisplayTimeUnits(745643), 65535);  // 65535.03
    EXPECT_EQ(DisplayTimeUnits(745660), 65535);  // 65536.52
    EXPECT_EQ(DisplayTimeUnits(INT64_MAX), 65535);

    const Frame frame(kFrameWidth, kPalHeight);
    const auto unit = EncodeSubPicture(frame, 100, 2, kIndices, kColours, 10'000'000);
    const size_t c = U16(unit, 2);
    EXPECT_EQ(U16(unit, c + 24), 65535u);
    const auto negative = EncodeSubPicture(frame, 100, 2, kIndices, kColours, -40);
    EXPECT_EQ(U16(negative, c + 24), 0u);
}

TEST(EncodeSubPicture, BandOutsideTheFrameIsRefusedBeforeReading) {
    const Frame pal(kFrameWidth, kPalHeight), ntsc(kFrameWidth, kNtscHeight);
    EXPECT_THROW(EncodeSubPicture(pal, -2, 10, kIndices, kColours, 1000), std::invalid_argument);
    EXPECT_THROW(EncodeSubPicture(pal, 570, 7, kIndices, kColours, 1000), std::invalid_argument);
    EXPECT_THROW(EncodeSubPicture(ntsc, 478, 4, kIndices, kColours, 1000), std::invalid_argument);
    EXPECT_THROW(EncodeSubPicture(pal, 100, 0, kIndices, kColours, 1000), std::invalid_argument);
    EXPECT_THROW(EncodeSubPicture(pal, 2147483646, 4, kIndices, kColours, 1000), std::invalid_argument);
    EXPECT_NO_THROW(EncodeSubPicture(pal, 570, 6, kIndices, kColours, 1000));
    EXPECT_NO_THROW(EncodeSubPicture(ntsc, 478, 2, kIndices, kColours, 1000));
    EXPECT_THROW(EncodeSubPicture(Frame(640, 480), 0, 2, kIndices, kColours, 1000), std::invalid_argument);
}

TEST(EncodeSubPicture, PaletteIndexOutside0To15IsRefused) {
    const Frame frame(kFrameWidth, kPalHeight);
    EXPECT_THROW(EncodeSubPicture(frame, 0, 2, RoleIndices{16, 0, 1, 0}, kColours, 1000),
                 std::invalid_argument);
    EXPECT_THROW(EncodeSubPicture(frame, 0, 2, RoleIndices{0, 0, 1, -1}, kColours, 1000),
                 std::invalid_argument);
}

// Rows of alternating colours cost 361 bytes each: 181 of them still fit a
// unit, 182 do not.
TEST(EncodeSubPicture, UnitOver65535BytesRaisesInsteadOfTruncating) {
    Frame frame(kFrameWidth, kPalHeight);
    for (int y = 0; y < kPalHeight; ++y)
        for (int x = 0; x < kFrameWidth; x += 2) frame.Set(x, y, kText);
    const auto fits = EncodeSubPicture(frame, 0, 181, kIndices, kColours, 1000);
    EXPECT_EQ(fits.size(), 65378u);
    EXPECT_EQ(U16(fits, 0), fits.size());
    try {
        EncodeSubPicture(frame, 0, 182, kIndices, kColours, 1000);
        FAIL() << "no error for a unit of 65,739 bytes";
    } catch (const UnitTooLargeError& e) {
        EXPECT_GT(e.Size(), 65535u);
        EXPECT_NE(std::string(e.what()).find("65535"), std::string::npos);
        const std::runtime_error& base = e;
        (void)base;
    }
    EXPECT_THROW(EncodeSubPicture(frame, 0, 576, kIndices, kColours, 1000), std::runtime_error);
}

TEST(SubPictureEncoder, ReusedEncoderGivesTheSameBytesAsTheFunction) {
    Frame busy(kFrameWidth, kPalHeight);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < kFrameWidth; x += 3) busy.Set(x, y, y % 2 ? kOutline : kText);
    const Frame empty(kFrameWidth, kPalHeight);
    SubPictureEncoder encoder(kIndices, kColours);
    EXPECT_EQ(encoder.Encode(busy, 0, 80, 3000), EncodeSubPicture(busy, 0, 80, kIndices, kColours, 3000));
    EXPECT_EQ(encoder.Encode(empty, 100, 2, 2000), EncodeSubPicture(empty, 100, 2, kIndices, kColours, 2000));
    EXPECT_EQ(encoder.Encode(busy, 2, 31, 50), EncodeSubPicture(busy, 2, 31, kIndices, kColours, 50));
}

}  // namespace
}  // namespace glyphon
