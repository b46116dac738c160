// The window module's entry point, looked up by the program with dlsym.
#include "gui/WindowedApp.h"

extern "C" __attribute__((visibility("default"))) int glyphon_window_main(int argc, char** argv) {
    return glyphon::RunWindowed(argc, argv);
}
