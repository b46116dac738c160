// Whether the toolkit can open the display it is told to use. A DISPLAY left
// over from an ssh or cron session names a display that is gone, and the
// toolkit ends the process when it cannot connect.
#pragma once

namespace glyphon {

// Starts the toolkit's platform layer in a child process, which ends at once:
// true when that worked. Call before the program starts any thread.
bool DisplayCanBeOpened(int argc, char** argv);

// Says on standard error that the named display cannot be opened ("cannot
// open the display") and gives the exit status for it, 2.
int ReportUnreachableDisplay();

}  // namespace glyphon
