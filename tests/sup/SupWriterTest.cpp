#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

#include "common/FileError.h"
#include "subtitle/Cue.h"
#include "sup/SubPictureEncoder.h"
#include "sup/SupWriter.h"
#include "sup/SyntheticBand.h"
#include "support/DvdSubDecoder.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

using test::TempDir;

std::string Str(const std::array<uint8_t, 10>& a) { return std::string(a.begin(), a.end()); }

TEST(UnitHeader, StartTimeIsItsTicksLittleEndian) {
    EXPECT_EQ(Str(UnitHeader(TicksOfMs(1000))), std::string("\x53\x50\x90\x5F\x01\x00\x00\x00\x00\x00", 10));
    EXPECT_EQ(Str(UnitHeader(0)), std::string("SP\0\0\0\0\0\0\0\0", 10));
    EXPECT_EQ(Str(UnitHeader(TicksOfMs(47721858))),
              std::string("SP\xB4\xFF\xFF\xFF\0\0\0\0", 10));  // 4294967220
}

TEST(UnitHeader, NegativeStartIsZeroAndTooLateIsHeldAtTheLargestTime) {
    EXPECT_EQ(Str(UnitHeader(-1)), Str(UnitHeader(0)));
    EXPECT_EQ(Str(UnitHeader(INT64_MIN)), Str(UnitHeader(0)));
    EXPECT_EQ(Str(UnitHeader(TicksOfMs(47721859))), std::string("SP\xFF\xFF\xFF\xFF\0\0\0\0", 10));
    EXPECT_EQ(Str(UnitHeader(INT64_MAX)), std::string("SP\xFF\xFF\xFF\xFF\0\0\0\0", 10));
}

std::vector<uint8_t> Unit(int top, int rows, uint32_t seed, int64_t ms) {
    Frame frame(kFrameWidth, kPalHeight);
    test::DrawTextBand(frame, top, rows, seed);
    return EncodeSubPicture(frame, top, rows, RoleIndices{1, 2, 3, 0}, test::kBandColours, ms);
}

TEST(SupWriter, RecordsFollowEachOtherWithNothingBetween) {
    TempDir dir;
    const std::string path = dir.File("movie.sup");
    const std::vector<std::vector<uint8_t>> units = {Unit(480, 64, 1, 2000), Unit(100, 2, 2, 50),
                                                     Unit(300, 61, 3, 1500)};
    const int64_t starts[] = {1000, 5000, 3'600'000};
    SupWriter writer;
    writer.Create(path);
    for (size_t i = 0; i < units.size(); ++i) writer.Append(TicksOfMs(starts[i]), units[i]);
    writer.Close();
    writer.Close();  // a second close does nothing

    const std::string bytes = TempDir::Read(path);
    std::string expected;
    size_t sum = 0;
    for (size_t i = 0; i < units.size(); ++i) {
        expected += Str(UnitHeader(TicksOfMs(starts[i])));
        expected.append(units[i].begin(), units[i].end());
        sum += 10 + (size_t(units[i][0]) << 8 | units[i][1]);
    }
    EXPECT_EQ(bytes.size(), sum);
    EXPECT_EQ(bytes, expected);

    const auto records = test::SplitSupFile(bytes);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].pts, 324'000'000u);
    EXPECT_EQ(records[1].unit, units[1]);
}

TEST(SupWriter, RecordsLargerThanTheBufferAndManySmallOnesArriveWhole) {
    TempDir dir;
    const std::string path = dir.File("big.sup");
    const auto big = Unit(0, 576, 4, 1000);
    const auto small = Unit(100, 2, 5, 1000);
    std::string expected;
    {
        SupWriter writer;
        writer.Create(path);
        for (int i = 0; i < 3000; ++i) {
            const auto& unit = i % 500 == 7 ? big : small;
            writer.Append(TicksOfMs(i * 40), unit);
            expected += Str(UnitHeader(TicksOfMs(i * 40)));
            expected.append(unit.begin(), unit.end());
        }
        writer.Close();
    }
    EXPECT_EQ(TempDir::Read(path), expected);
}

TEST(SupWriter, AnExistingFileIsReplacedOnlyOnClose) {
    TempDir dir;
    const std::string old(5000, 'x');
    const std::string path = dir.Write("old.sup", old);
    const auto unit = Unit(200, 20, 6, 700);
    {
        // Never closed (a failed run): the previous file stays, and no
        // temporary file is left.
        SupWriter writer;
        writer.Create(path);
        writer.Append(TicksOfMs(40), unit);
        writer.Seal();
        EXPECT_EQ(TempDir::Read(path), old);
    }
    EXPECT_EQ(TempDir::Read(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    {
        SupWriter writer;
        writer.Create(path);
        writer.Append(TicksOfMs(40), unit);
        writer.Close();
    }
    EXPECT_EQ(TempDir::Read(path), Str(UnitHeader(TicksOfMs(40))) + std::string(unit.begin(), unit.end()));

    SupWriter empty;
    empty.Create(path);
    empty.Close();
    EXPECT_EQ(TempDir::Read(path), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SupWriter, UncreatableFileRaisesFileError) {
    TempDir dir;
    SupWriter writer;
    try {
        writer.Create(dir.File("missing-folder/movie.sup"));
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_THROW(writer.Create(dir.path()), FileError);  // a folder
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(dir.path().c_str(), 0500), 0);
        EXPECT_THROW(writer.Create(dir.File("movie.sup")), FileError);
        chmod(dir.path().c_str(), 0700);
    }
    EXPECT_THROW(writer.Append(0, {}), std::logic_error);
}

// Files past `bytes` cannot grow while it lives (EFBIG, shown as "Disk full").
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, handler_);
    }

private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};

TEST(SupWriter, WriteFailureIsReportedAndLeavesThePreviousFile) {
    TempDir dir;
    const std::string previous(300000, 'p');
    const std::string path = dir.Write("movie.sup", previous);
    const auto unit = Unit(0, 100, 7, 1000);
    {
        SupWriter writer;
        writer.Create(path);
        writer.Append(0, unit);
        const FileSizeLimit limit(100);
        EXPECT_THROW(writer.Close(), FileError);  // the final flush fails
        EXPECT_NO_THROW(writer.Close());
    }
    SupWriter writer;
    writer.Create(path);
    try {
        const FileSizeLimit limit(100000);
        for (int i = 0; i < 100; ++i) writer.Append(i, unit);
        FAIL() << "appending 100 records past the size limit succeeded";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Disk full");
    }
    writer.Discard();
    EXPECT_EQ(TempDir::Read(path), previous);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace glyphon
