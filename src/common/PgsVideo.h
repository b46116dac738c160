// The picture a Blu-ray PGS stream is drawn for: its size and the frame
// rate its compositions state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace glyphon {

struct PgsVideo {
    int width = 1920, height = 1080;
    uint8_t frameRate = 0x10;  // PgsFrameRateCode
};

// The composition's frame-rate code for a rate given as text: "23.976" 0x10,
// "24" 0x20, "25" 0x30, "29.97" 0x40, "50" 0x60, "59.94" 0x70 (also
// "24000/1001", "30000/1001", "60000/1001"); nothing for any other text.
std::optional<uint8_t> PgsFrameRateCode(const std::string& rate);
// The rate a picture of `height` rows usually has: 25 for 576, 29.97 for 480,
// 23.976 otherwise.
uint8_t DefaultPgsFrameRate(int height);

}  // namespace glyphon
