// Shared by the command-line fuzz targets: the input is one argument per
// line, after the program's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glyphon::fuzz {

inline std::vector<std::string> ArgumentsFromLines(const uint8_t* data, size_t size) {
    std::vector<std::string> args{"glyphon"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            args.push_back(current);
            current.clear();
        } else {
            current += char(data[i]);
        }
    }
    args.push_back(current);
    return args;
}

}  // namespace glyphon::fuzz
