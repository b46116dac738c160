#include "app/Ui.h"

namespace glyphon {

std::optional<Frame> Ui::LoadPicture(const std::string&) { return std::nullopt; }

}  // namespace glyphon
