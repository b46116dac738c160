#include "common/PgsVideo.h"

namespace glyphon {

std::optional<uint8_t> PgsFrameRateCode(const std::string& rate) {
    if (rate == "23.976" || rate == "24000/1001") return 0x10;
    if (rate == "24") return 0x20;
    if (rate == "25") return 0x30;
    if (rate == "29.97" || rate == "30000/1001") return 0x40;
    if (rate == "50") return 0x60;
    if (rate == "59.94" || rate == "60000/1001") return 0x70;
    return std::nullopt;
}

uint8_t DefaultPgsFrameRate(int height) {
    if (height == 576) return 0x30;
    if (height == 480) return 0x40;
    return 0x10;
}

}  // namespace glyphon
