// Unicode subtitles through the window's logic: the "UTF-8" item, files with
// a byte-order mark, and subtitle text shown as the character set reads it.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/HeadlessUi.h"
#include "common/Convert.h"
#include "render/FontTables.h"
#include "render/TextEngine.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

namespace {

constexpr int kUtf8Position = 19;

// Program, then the 16 arguments: generic palette, default look, the given
// character-set position.
std::vector<std::string> Job(const std::string& subtitleFile, int charsetPosition) {
    return {"glyphon", "-1", "none", subtitleFile, "-1", "1", "0", "3", "0", "0", IntToStr(charsetPosition),
            "0",       "14", "0",    "30",         "-4", "1"};
}

std::string Entry(const std::string& line1, const std::string& line2) {
    return "1\r\n00:00:01,000 --> 00:00:02,500\r\n" + line1 + "\r\n" + line2 + "\r\n\r\n";
}

// UTF-16 little-endian with its mark, as Windows editors save "Unicode".
std::string Utf16LeWithMark(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (const char16_t u : text) {
        out += char(u & 0xFF);
        out += char(u >> 8);
    }
    return out;
}

const std::string kBom = "\xEF\xBB\xBF";
// "Café crème" / "Ελληνικά и русский": Latin, Greek and Cyrillic.
const std::string kLatin = "Caf\xC3\xA9 cr\xC3\xA8me";
const std::string kGreekCyrillic =
    "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xD0\xB8 "
    "\xD1\x80\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9";
constexpr std::u16string_view kLatin16 = u"Café crème";
constexpr std::u16string_view kGreekCyrillic16 = u"Ελληνικά и русский";

}  // namespace

class UnicodeText : public ModelTest {
protected:
    // Runs without a window; returns the exit status, `err` what it wrote.
    template <typename Engine>
    int Run(Engine& engine, std::vector<std::string> args, std::string& err) {
        std::FILE* f = std::tmpfile();
        const int status = RunHeadless(engine, Environment(std::move(args)), f);
        std::rewind(f);
        err.clear();
        char buf[256];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) err.append(buf, n);
        std::fclose(f);
        return status;
    }
};

TEST_F(UnicodeText, Utf8ItemAndByteOrderMarksGiveTheSameStream) {
    std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    std::string err;
    const std::string srt = Entry(kLatin, kGreekCyrillic);
    ASSERT_EQ(Run(*engine, Job(dir.Write("plain.srt", srt), kUtf8Position), err), 0) << err;
    ASSERT_EQ(Run(*engine, Job(dir.Write("mark.srt", kBom + srt), kDefaultCharsetPosition), err), 0) << err;
    const std::string utf16 =
        Utf16LeWithMark(u"1\r\n00:00:01,000 --> 00:00:02,500\r\n" + std::u16string(kLatin16) + u"\r\n" +
                        std::u16string(kGreekCyrillic16) + u"\r\n\r\n");
    ASSERT_EQ(Run(*engine, Job(dir.Write("wide.srt", utf16), kDefaultCharsetPosition), err), 0) << err;
    const std::string plain = TempDir::Read(dir.File("plain.sup"));
    EXPECT_GT(plain.size(), 1000u);
    EXPECT_EQ(TempDir::Read(dir.File("mark.sup")), plain);
    EXPECT_EQ(TempDir::Read(dir.File("wide.sup")), plain);
    // The same bytes read in the DEFAULT code page draw something else.
    ASSERT_EQ(Run(*engine, Job(dir.File("plain.srt"), kDefaultCharsetPosition), err), 0) << err;
    EXPECT_NE(TempDir::Read(dir.File("plain.sup")), plain);
}

TEST_F(UnicodeText, MessagesOnStandardErrorShowTheCharactersAsUtf8) {
    // The fake engine gives every byte one pixel: 700 bytes do not fit.
    const std::string wide(690, 'W');
    std::string err;
    EXPECT_EQ(Run(text,
                  Job(dir.Write("ansi.srt", Entry("\xC7"
                                                  "a va? Tr\xE8s bien",
                                                  wide)),
                      4),
                  err),
              1);
    EXPECT_EQ(err.rfind("The string \n\xC3\x87"
                        "a va? Tr\xC3\xA8s bien\n",
                        0),
              0u)
        << err;
    // GREEK reads the same byte as another letter.
    EXPECT_EQ(Run(text, Job(dir.File("ansi.srt"), 7), err), 1);
    EXPECT_EQ(err.rfind("The string \n\xCE\x97"
                        "a va? Tr\xCE\xB8s bien\n",
                        0),
              0u)
        << err;
    // UTF-8 text shows as it is; a broken sequence as U+FFFD.
    EXPECT_EQ(Run(text, Job(dir.Write("utf8.srt", Entry(kLatin + "\xC3", wide)), kUtf8Position), err), 1);
    EXPECT_EQ(err.rfind("The string \n" + kLatin + "\xEF\xBF\xBD\n", 0), 0u) << err;
}

TEST_F(UnicodeText, ListAndMessagesReadTheChosenCharacterSet) {
    TForm1& f = Start();
    f.SetNoIfoChecked(true);
    ui.dialogAnswers.push_back(dir.Write("cafe.srt", Entry("Caf\xE9 au lait", "s'il vous pla\xEEt")));
    f.ButtonLoadSubClick();
    ASSERT_TRUE(f.SubtitleLoaded);
    ASSERT_EQ(f.ListBox1.items.size(), 1u);
    EXPECT_EQ(f.ListBox1.items[0], "Caf\xE9 au lait|s'il vous pla\xEEt");  // the bytes stay as read
    EXPECT_EQ(f.ShownText(f.ListBox1.items[0]), "Caf\xC3\xA9 au lait|s'il vous pla\xC3\xAEt");
    f.UserPick(f.ComboBoxFontCharset, 13);  // RUSSIAN
    EXPECT_EQ(f.ShownText("\xE9"), "\xD0\xB9");
    f.UserPick(f.ComboBoxFontCharset, kUtf8Position);
    EXPECT_EQ(f.SubtitleCharset(), kUtf8Charset);
    EXPECT_EQ(f.ShownText("Caf\xE9"), "Caf\xEF\xBF\xBD");

    // A file with a mark reads as UTF-8 whatever is chosen.
    f.UserPick(f.ComboBoxFontCharset, kDefaultCharsetPosition);
    ui.dialogAnswers.push_back(dir.Write("mark.srt", kBom + Entry(kLatin, "")));
    f.ButtonLoadSubClick();
    ASSERT_TRUE(f.SubtitleLoaded);
    EXPECT_EQ(f.SubtitleCharset(), kUtf8Charset);
    EXPECT_EQ(f.ShownText(f.ListBox1.items[0]), kLatin);
}

TEST_F(UnicodeText, Utf8PositionIsStoredAndReadBack) {
    TForm1& f = Start();
    f.UserPick(f.ComboBoxFontCharset, kUtf8Position);
    EXPECT_EQ(f.ComboBoxFontCharset.Text(), "UTF-8");
    f.FormClose();
    Start();
    EXPECT_EQ(form->ComboBoxFontCharset.itemIndex, kUtf8Position);
}

}  // namespace glyphon::test
