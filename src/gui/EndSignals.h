// The window closes as the user would close it when the session ends or the
// program is told to stop (SIGTERM, SIGHUP, SIGINT): the settings are
// written, then the program ends.
#pragma once

class QWidget;

namespace glyphon {

// From now on the three signals close `window` and end the event loops.
// Call once, with the event loop's application object alive.
void CloseOnEndSignals(QWidget* window);

}  // namespace glyphon
