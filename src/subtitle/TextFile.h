// Subtitle files as text: lines end at a line feed, at carriage returns with
// or without a line feed after them, as players read them (a file from an old
// Mac has carriage returns alone); a byte 26 (Ctrl-Z) ends the file; reading
// past the end gives empty lines. Bytes are never decoded, with one
// exception: a file that starts with a byte-order mark is Unicode text. The
// UTF-8 mark is dropped, and UTF-16 and UTF-32 (either byte order) are
// converted to UTF-8, before the rules above apply.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace glyphon::textfile {

// A file's bytes as read, not initialised beforehand.
struct Bytes {
    std::unique_ptr<char[]> data;
    size_t size = 0;
};

// The lines of a file's bytes, read one after another.
class TextLines {
public:
    // Takes the raw bytes of the file.
    explicit TextLines(Bytes bytes);

    // True when nothing but dropped bytes is left.
    bool Eof() const { return pos_ >= size_; }

    // The next line without its line end; empty once the end has been reached.
    // The view stays valid as long as this object lives.
    std::string_view ReadLine();

    // Back to the first line.
    void Rewind() { pos_ = 0; }

    // Bytes left after dropping carriage returns and everything from a Ctrl-Z.
    size_t Size() const { return size_; }
    // Those bytes; every line ReadLine gives is a view into them.
    const char* Data() const { return text_.get(); }

private:
    std::unique_ptr<char[]> text_;
    size_t size_ = 0;
    size_t pos_ = 0;
};

// True when FileName names an existing regular file (or a link to one).
bool FileExists(const std::string& FileName);

// The file name's extension, from the last "." of its last path component on,
// ASCII letters upper-cased; empty when there is none.
std::string UpperExtension(const std::string& FileName);

// The largest file ReadFileBytes reads: a subtitle file of 100,000 entries
// is a few megabytes, one of three million one-word cues about 120 MB, and a
// larger one would only fill the memory with lines no frame can hold.
inline constexpr size_t kLargestTextFile = size_t(128) << 20;
// Said of a pipe, device or socket given as a subtitle file.
inline constexpr const char* kNotARegularTextFile =
    "Not a regular file (a pipe, device or socket); subtitles are read from a file on disk";

// The whole file, read in one go. Throws FileError when it cannot be opened
// or read, or is larger than kLargestTextFile.
Bytes ReadFileBytes(const std::string& FileName);

// Which Unicode form a byte-order mark at the start of `bytes` announces.
enum class ByteOrderMark { None, Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE };
ByteOrderMark MarkOf(std::string_view bytes);

// `bytes` without their byte-order mark, converted to UTF-8 when they are
// UTF-16 or UTF-32; unchanged when there is no mark.
Bytes WithoutMark(Bytes bytes);

// ReadFileBytes, then WithoutMark. `unicode` tells whether a mark was found
// (the text is then UTF-8 whatever character set is chosen).
Bytes ReadTextFile(const std::string& FileName, bool& unicode);

// Turns every line end of text[0, size) into a single line feed, in place;
// returns the new end.
char* UnixLineEnds(char* text, size_t size);

// What the readers' probes look at: the first kHeadBytes of a file.
inline constexpr size_t kHeadBytes = 16 * 1024;

// The text of the file's first `size` bytes under the rules above, every line
// ended by a line feed (the last one may be cut). Throws FileError.
std::string ReadHead(const std::string& FileName, size_t size = kHeadBytes);

// The first `count` lines of the file's head (ReadHead), each cut to at most
// `keep` bytes; lines past the end are empty. Throws FileError.
std::vector<std::string> ReadFirstLines(const std::string& FileName, int count, size_t keep);

}  // namespace glyphon::textfile
