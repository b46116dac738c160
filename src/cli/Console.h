// Standard error of a named conversion, shared by the threads that convert:
// messages as whole lines, and on a terminal one progress line per file
// (subtitles done / total) rewritten in place.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace glyphon {

class Console {
public:
    // `progress`: draw progress lines (only sensible on a terminal);
    // `rows`: the terminal's height, to know which lines can still be reached.
    Console(std::FILE* err, bool progress, int rows = 24);

    // Lines about the whole command ("glyphon: " is put in front).
    void Message(const std::string& line);
    // A file's progress line appears when it starts.
    void Start(size_t file, const std::string& name);
    void Progress(size_t file, int done, int total);
    // The final state of the file's line, then its messages.
    void Finish(size_t file, bool converted, const std::vector<std::string>& messages);

private:
    struct Line {
        std::string name;
        int done = 0, total = 0;
        size_t row = 0;  // index among the lines written so far
        std::chrono::steady_clock::time_point drawn{};
    };
    void Append(const std::string& text);
    void Redraw(Line& line, const std::string& text);
    Line& LineOf(size_t file);

    std::mutex mutex_;
    std::FILE* err_;
    bool progress_;
    int rows_;
    size_t written_ = 0;  // lines written below which the cursor stands
    std::vector<Line> lines_;
};

}  // namespace glyphon
