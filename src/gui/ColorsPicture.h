// The built-in picture "colors" of the colours help window: what each colour
// role paints, on a 70 x 70 example.
#pragma once

#include <QImage>

namespace glyphon {

// A capital T whose white body is the text, ringed by a grey band (the
// antialias, RGB 132, 132, 132) and a black band (the outline) on a dark red
// field (the background, RGB 198, 0, 0). On the right four black arrows with
// white labels "TXT", "ANT", "OUT" and "BG", top to bottom, point at body,
// grey band, black band and field. 70 x 70, RGB32, drawn pixel by pixel so it
// looks the same everywhere.
QImage ColorsPicture();

}  // namespace glyphon
