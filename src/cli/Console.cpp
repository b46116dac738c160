#include "cli/Console.h"

#include "common/StagedFile.h"
#include "common/Utf8.h"

namespace glyphon {

namespace {

// Redraw a running line at most this often: a terminal need not see every
// one of 1,500 subtitles.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string Counted(const std::string& name, int done, int total) {
    return name + ": " + std::to_string(done) + "/" + std::to_string(total) + " subtitles";
}

}  // namespace

Console::Console(std::FILE* err, bool progress, int rows) : err_(err), progress_(progress), rows_(rows) {}

void Console::Append(const std::string& text) {
    std::fputs(TerminalSafe(text).c_str(), err_);
    std::fputc('\n', err_);
    ++written_;
}

void Console::Redraw(Line& line, const std::string& text) {
    const size_t up = written_ - line.row;
    if (up >= size_t(rows_ > 1 ? rows_ - 1 : 1)) return;  // scrolled out of reach
    // Up to the line, rewrite it, clear its rest, and back down.
    std::fprintf(err_, "\x1b[%zuA\r%s\x1b[K\r\x1b[%zuB", up, TerminalSafe(text).c_str(), up);
    std::fflush(err_);
}

Console::Line& Console::LineOf(size_t file) {
    if (file >= lines_.size()) lines_.resize(file + 1);
    return lines_[file];
}

void Console::Message(const std::string& line) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (ProgramEnding()) return;  // a signal removes the files these would be about
    Append("glyphon: " + line);
    std::fflush(err_);
}

void Console::Start(size_t file, const std::string& name) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Line& line = LineOf(file);
    line.name = name;
    if (!progress_) return;
    line.row = written_;
    Append(name + ": reading");
    std::fflush(err_);
}

void Console::Progress(size_t file, int done, int total) {
    if (!progress_) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    Line& line = LineOf(file);
    line.done = done;
    line.total = total;
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - line.drawn < kRedrawInterval) return;
    line.drawn = now;
    Redraw(line, Counted(line.name, done, total));
}

void Console::Finish(size_t file, bool converted, const std::vector<std::string>& messages) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (ProgramEnding()) return;
    Line& line = LineOf(file);
    if (progress_) {
        const std::string text =
            converted ? Counted(line.name, line.total, line.total) + ", done" : line.name + ": failed";
        const size_t up = written_ - line.row;
        if (up < size_t(rows_ > 1 ? rows_ - 1 : 1))
            Redraw(line, text);
        else
            Append(text);  // its line has scrolled away: the outcome gets a new one
    }
    for (const std::string& m : messages) Append("glyphon: " + line.name + ": " + m);
    std::fflush(err_);
}

}  // namespace glyphon
