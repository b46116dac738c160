#include "gui/DisplayProbe.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>

namespace glyphon {

bool DisplayCanBeOpened(int argc, char** argv) {
    const pid_t child = fork();
    if (child < 0) return true;  // no probe possible: let the toolkit try
    if (child == 0) {
        // The toolkit's complaint about the display is the parent's to word.
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, STDERR_FILENO);
        // A display that never answers counts as one that cannot be opened.
        alarm(10);
        QGuiApplication probe(argc, argv);
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return true;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int ReportUnreachableDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* name = x && *x ? x : std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "glyphon: cannot open the display \"%s\"\n", name ? name : "");
    return 2;
}

}  // namespace glyphon
