#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "common/FileError.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

struct Row {
    int err;
    const char* text;
};

// What the user reads for each system error of the mapping.
class FileErrorMapping : public ::testing::TestWithParam<Row> {};

TEST_P(FileErrorMapping, ShowsTheRuntimesText) { EXPECT_EQ(FileErrorText(GetParam().err), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    EveryRow, FileErrorMapping,
    ::testing::Values(Row{ENOENT, "File not found"}, Row{ENOTDIR, "File not found"},
                      Row{ENAMETOOLONG, "Invalid filename"}, Row{EMFILE, "Too many open files"},
                      Row{ENFILE, "Too many open files"}, Row{EACCES, "File access denied"},
                      Row{EPERM, "File access denied"}, Row{EROFS, "File access denied"},
                      Row{EISDIR, "File access denied"}, Row{ETXTBSY, "I/O error 32"},
                      Row{EBUSY, "I/O error 32"}, Row{ENOSPC, "Disk full"}, Row{EDQUOT, "Disk full"},
                      Row{EFBIG, "Disk full"}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(strerrorname_np(info.param.err)); });

TEST(FileError, NumbersWithoutARuntimeMeaningAreDescribedNotNumbered) {
    EXPECT_EQ(FileErrorText(EIO), "I/O error: Input/output error");
    EXPECT_EQ(FileErrorText(ELOOP), "I/O error: Too many levels of symbolic links");
    EXPECT_EQ(FileErrorText(9999), "I/O error: unknown error 9999");
}

TEST(FileError, RuntimeCodesKeepTheirOwnTexts) {
    EXPECT_EQ(RuntimeErrorText(100), "Read beyond end of file");
    EXPECT_EQ(RuntimeErrorText(106), "Invalid numeric input");
    EXPECT_EQ(RuntimeErrorText(131), "I/O error 131");  // negative seek
}

// The situation users met: a folder where a file is to be written.
TEST(FileError, FolderInPlaceOfAFileIsAccessDenied) {
    test::TempDir dir;
    std::ofstream out(dir.path(), std::ios::binary | std::ios::trunc);
    ASSERT_FALSE(out);
    EXPECT_EQ(FileErrorText(errno), "File access denied");
}

}  // namespace
}  // namespace glyphon
