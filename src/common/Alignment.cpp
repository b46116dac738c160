#include "common/Alignment.h"

namespace glyphon {

Alignment AlignmentOf(std::string_view text) {
    if (text == "center") return Alignment::Center;
    if (text == "left") return Alignment::Left;
    return Alignment::Right;
}

const char* AlignmentText(Alignment a) {
    switch (a) {
        case Alignment::Center:
            return "center";
        case Alignment::Left:
            return "left";
        case Alignment::Right:
            break;
    }
    return "right";
}

}  // namespace glyphon
