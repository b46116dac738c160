// Legacy subtitle files made as their authors made them: UTF-8 text written
// in a code page by iconv, and the dialogues of legacy-dialogues.txt.
#pragma once

#include <gtest/gtest.h>
#include <iconv.h>

#include <fstream>
#include <string>
#include <vector>

namespace glyphon::test {

// `utf8` in the code page iconv names `code` (or text `from` another page).
inline std::string Encoded(const std::string& utf8, const std::string& code, const char* from = "UTF-8") {
    iconv_t cd = iconv_open(code.c_str(), from);
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* to = out.data();
    size_t inLeft = utf8.size(), outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), size_t(-1)) << code;
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

struct Dialogue {
    std::string code, item;  // the iconv name to write it in, the item it reads as
    std::string srt;         // a SubRip file in UTF-8, every second cue in italics
};

inline std::vector<Dialogue> Dialogues() {
    std::ifstream in(GLYPHON_TEST_DATA "/subtitle/legacy-dialogues.txt");
    std::vector<Dialogue> out;
    bool header = true;
    int cue = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            header = header || line.empty();
            continue;
        }
        if (header) {
            out.push_back(Dialogue{line.substr(0, line.find(' ')), line.substr(line.find(' ') + 1), {}});
            header = false;
            cue = 0;
            continue;
        }
        const int start = 10 + 3 * cue;
        const std::string text = cue % 2 ? "<i>" + line + "</i>" : line;
        out.back().srt += std::to_string(++cue) + "\r\n00:00:" + std::to_string(start) +
                          ",000 --> 00:00:" + std::to_string(start + 2) + ",500\r\n" + text + "\r\n\r\n";
    }
    return out;
}

}  // namespace glyphon::test
