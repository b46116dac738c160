// The user's own preview picture (the PAL or NTSC picture chosen with the
// picture button), read through the Ui and scaled to the frame.
#pragma once

#include <optional>
#include <string>

#include "app/Ui.h"
#include "common/Rgb.h"

namespace glyphon {

// The picture at `path` as a 720 x `height` frame; none when there is no
// such regular file or it cannot be read as a picture. The last picture read
// is kept (one per thread) until the file's time or size, the height or the
// Ui changes, so that a preview does not read the file again.
std::optional<Frame> OwnPicture(Ui& ui, const std::string& path, int height);

}  // namespace glyphon
