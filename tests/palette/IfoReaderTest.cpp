#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>

#include "common/FileError.h"
#include "palette/IfoReader.h"
#include "palette/Palette.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

using test::TempDir;

const std::string kPalIfo = std::string(GLYPHON_TEST_DATA) + "/ifo/pal/VTS_01_0.IFO";
const std::string kNtscIfo = std::string(GLYPHON_TEST_DATA) + "/ifo/ntsc/VTS_01_0.IFO";

std::array<std::string, 16> Texts(const IfoPalette& p) {
    std::array<std::string, 16> t;
    for (size_t i = 0; i < 16; ++i) t[i] = EntryText(p.entries[i]);
    return t;
}

// A file of `size` zero bytes with big-endian 32-bit values put at offsets.
std::string Image(size_t size, std::initializer_list<std::pair<size_t, uint32_t>> words) {
    std::string b(size, '\0');
    for (auto [at, v] : words)
        for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char(v >> (24 - 8 * i));
    return b;
}

std::string ErrorOf(const std::string& path) {
    try {
        ReadIfoPalette(path);
    } catch (const FileError& e) {
        return e.what();
    }
    return "(no error)";
}

// Files authored by dvdauthor from known palette files (scripts/make-test-ifos).
TEST(ReadIfoPalette, ReadsPaletteAndStandardOfDvdauthorTitleSets) {
    const IfoPalette pal = ReadIfoPalette(kPalIfo);
    EXPECT_EQ(Texts(pal), (std::array<std::string, 16>{"0051F05A", "00EB8081", "00468080", "00108080",
                                                       "00478080", "00C98080", "00C88080", "00EB8080",
                                                       "00902236", "0029F06E", "006A2ECA", "00D21092",
                                                       "00A9A510", "001080F0", "0080F080", "007E6080"}));
    EXPECT_TRUE(pal.IsPal());

    const IfoPalette ntsc = ReadIfoPalette(kNtscIfo);
    EXPECT_EQ(EntryText(ntsc.entries[0]), "00EB8081");
    EXPECT_EQ(EntryText(ntsc.entries[1]), "00108080");
    EXPECT_EQ(EntryText(ntsc.entries[15]), "00FF8180");
    EXPECT_FALSE(ntsc.IsPal());
}

TEST(ReadIfoPalette, VideoStandardIsBit12OfTheAttributesWordOnly) {
    TempDir dir;
    for (auto [word, pal] :
         {std::pair{0x1000u, true}, {0x3000u, true}, {0x0000u, false}, {0x2000u, false}, {0xEFFFu, false}}) {
        std::string b(1024, '\0');
        b[512] = char(word >> 8);
        b[513] = char(word & 0xFF);
        const IfoPalette p = ReadIfoPalette(dir.Write("a.ifo", b));
        EXPECT_EQ(p.attributes, word);
        EXPECT_EQ(p.IsPal(), pal) << std::hex << word;
    }
}

TEST(ReadIfoPalette, FileCutInsideThePaletteRepeatsTheBufferedBytes) {
    TempDir dir;
    const std::string whole = TempDir::Read(kPalIfo);
    const size_t palette = 2 * 2048 + 16 + 164;  // S = 2, P = 16 in this file
    // Entry 5 (00 C9 80 80) is cut after its first two bytes: the buffer
    // still holds entry 4 (00 47 80 80) behind them, and nothing more comes.
    const IfoPalette p = ReadIfoPalette(dir.Write("cut.ifo", whole.substr(0, palette + 5 * 4 + 2)));
    const auto t = Texts(p);
    EXPECT_EQ(t[4], "00478080");
    for (size_t i = 5; i < 16; ++i) EXPECT_EQ(t[i], "00C98080") << i;
    EXPECT_TRUE(p.IsPal());  // the attributes lie before the cut
}

TEST(ReadIfoPalette, ShortAndEmptyFilesGiveAPaletteNotAnError) {
    TempDir dir;
    // Empty: every buffer stays zero; S = P = 0, so the palette would start at 164.
    const IfoPalette empty = ReadIfoPalette(dir.Write("empty.ifo", ""));
    for (uint32_t e : empty.entries) EXPECT_EQ(e, 0u);
    EXPECT_EQ(empty.attributes, 0);

    // Ends after S: the read of P delivers nothing, so P is S again (2) and
    // the palette position 2 * 2048 + 2 + 164 lies beyond the end: every
    // entry is the buffer's 00 00 00 02. The attributes word is missing.
    const IfoPalette shortFile = ReadIfoPalette(dir.Write("short.ifo", Image(300, {{204, 2}})));
    for (uint32_t e : shortFile.entries) EXPECT_EQ(e, 2u);
    EXPECT_EQ(shortFile.attributes, 0);

    // Only the first byte of the attributes word exists.
    std::string half(513, '\0');
    half[512] = 0x10;
    EXPECT_EQ(ReadIfoPalette(dir.Write("half.ifo", half)).attributes, 0x1000);
}

TEST(ReadIfoPalette, PositionsWrapIn32BitSignedArithmetic) {
    TempDir dir;
    // S = 0x00200000: S * 2048 = 2^32 wraps to 0, so P is read at 12 and the
    // palette starts at P + 164.
    const std::string wrapped =
        Image(2048, {{204, 0x00200000}, {12, 400}, {564, 0x00EB8080}, {624, 0x00108080}});
    const IfoPalette p = ReadIfoPalette(dir.Write("wrap.ifo", wrapped));
    EXPECT_EQ(EntryText(p.entries[0]), "00EB8080");
    EXPECT_EQ(EntryText(p.entries[15]), "00108080");
}

TEST(ReadIfoPalette, NegativePositionIsRefusedInASentence) {
    TempDir dir;
    const std::string expected = kNotAnIfoText;
    EXPECT_NE(expected.find("not a DVD IFO file"), std::string::npos);
    EXPECT_NE(expected.find("(I/O error " + std::to_string(kNegativeSeekError) + ")"), std::string::npos);
    // S * 2048 = 0x80000000: negative before P is read.
    EXPECT_EQ(ErrorOf(dir.Write("s.ifo", Image(1024, {{204, 0x00100000}}))), expected);
    // P negative.
    EXPECT_EQ(ErrorOf(dir.Write("p.ifo", Image(1024, {{12, 0xFFFFFF00}}))), expected);
    // P + 164 overflows into the negative range.
    EXPECT_EQ(ErrorOf(dir.Write("o.ifo", Image(1024, {{12, 0x7FFFFFF0}}))), expected);
    // A foreign file: a settings file picked by mistake. S = "Form" puts the
    // table at 0x7B936800, beyond the end, so P repeats S and the sum turns
    // negative.
    std::string text;
    while (text.size() < 600) text += "[Form1]\r\noffset_Position=30\r\n";
    EXPECT_EQ(ErrorOf(dir.Write("Glyphon_Settings.ini", text)), expected);
}

TEST(ReadIfoPalette, FilesThatCannotBeOpenedReportTheRuntimeTexts) {
    TempDir dir;
    EXPECT_EQ(ErrorOf(dir.File("missing.ifo")), "File not found");
    EXPECT_EQ(ErrorOf(""), "File not found");
    EXPECT_EQ(ErrorOf(kPalIfo + "/VTS_01_0.IFO"), "File not found");  // a file used as a folder
    EXPECT_EQ(ErrorOf(dir.path()), "File access denied");             // a folder
}

TEST(ReadIfoPalette, FileWithoutReadPermissionIsAccessDenied) {
    TempDir dir;
    const std::string path = dir.Write("locked.ifo", TempDir::Read(kPalIfo));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(ErrorOf(path), "File access denied");
        return;
    }
    // Root reads any file; an unprivileged child process does not.
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        _exit(ErrorOf(path) == "File access denied" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2) << "could not drop privileges";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace glyphon
