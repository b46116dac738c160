#include "app/Ui.h"

#include "render/Bmp.h"

namespace glyphon {

std::optional<Frame> Ui::LoadPicture(const std::string& path) { return ReadBmp24(path); }

}  // namespace glyphon
