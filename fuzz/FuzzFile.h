// Shared by the fuzz targets: each input is written to a file of a
// fixed name in a private temporary folder, since the readers take file names.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "common/MessageSink.h"
#include "subtitle/Cue.h"

namespace glyphon::fuzz {

class InputFile {
public:
    explicit InputFile(const std::string& name) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "glyphon-fuzz-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) abort();
        dir_ = tmpl;
        path_ = dir_ + "/" + name;
    }
    ~InputFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Write(const uint8_t* data, size_t size) {
        FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) abort();
        if (size && std::fwrite(data, 1, size, f) != size) abort();
        if (std::fclose(f) != 0) abort();
        return path_;
    }
    // Another file in the same private folder.
    std::string Sibling(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_, path_;
};

class CountingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override {
        last = text;
        ++count;
    }
    std::string last;
    int count = 0;
};

// An invariant the readers promise; a broken one is reported as a crash.
inline void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// A cue time is 90 kHz ticks of a time within 32 bits of milliseconds.
inline bool IsCueTime(int64_t ticks) {
    const int64_t ms = ticks / 90;
    return ms >= -2147483648LL && ms <= 2147483647LL;
}

inline bool HasLineEnd(const std::string& s) {
    return s.find('\n') != std::string::npos || s.find('\r') != std::string::npos ||
           s.find('\x1A') != std::string::npos;
}

// The styled runs of each of a cue's lines cover that line's text exactly.
inline void CheckRunsCoverLines(const Cue& e) {
    Check(e.Runs().size() <= 3 + e.MoreLines().size());
    for (size_t k = 0; k < e.Runs().size(); ++k) {
        size_t length = 0;
        for (const StyledRun& run : e.Runs()[k]) length += run.length;
        const std::string& text = k == 0   ? e.Line1
                                  : k == 1 ? e.Line2
                                  : k == 2 ? e.Line3()
                                           : e.MoreLines()[k - 3];
        Check(e.Runs()[k].empty() || length == text.size());
    }
}

}  // namespace glyphon::fuzz
