// The program. Named commands and jobs without a display run here without
// any toolkit library; the window lives in a module of its own
// (glyphon-window.so), loaded only when a window is opened.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "launch/Launch.h"

#ifndef GLYPHON_WINDOW_MODULE_DIR
#define GLYPHON_WINDOW_MODULE_DIR "../lib/glyphon"
#endif

namespace {

constexpr const char* kModuleName = "glyphon-window.so";

// The folder of the running program, absolute and with its separator; empty
// when it cannot be known (no /proc). Never a relative folder: a module
// from the working directory would be anybody's.
std::string ProgramFolder() {
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    const std::string path(buf.data(), size_t(n));
    const size_t slash = path.rfind('/');
    if (path[0] != '/' || slash == std::string::npos) return {};
    return path.substr(0, slash + 1);
}

// Beside the program (the build folder), then where make install puts it.
int RunWindowModule(int argc, char** argv) {
    const std::string folder = ProgramFolder();
    if (folder.empty()) {
        std::fprintf(stderr,
                     "glyphon: cannot find the window module: the program's own folder is unknown "
                     "(/proc/self/exe cannot be read)\n");
        return 1;
    }
    std::string tried, why;
    for (const std::string& path :
         {folder + kModuleName, folder + GLYPHON_WINDOW_MODULE_DIR + "/" + kModuleName}) {
        if (::access(path.c_str(), F_OK) != 0) {
            if (tried.empty()) tried = path;
            continue;
        }
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* e = ::dlerror();
            std::fprintf(stderr, "glyphon: cannot load the window (%s): %s\n", path.c_str(), e ? e : "");
            return 1;
        }
        using Entry = int (*)(int, char**);
        auto run = reinterpret_cast<Entry>(::dlsym(module, "glyphon_window_main"));
        if (!run) {
            std::fprintf(stderr, "glyphon: %s is not Glyphon's window module\n", path.c_str());
            return 1;
        }
        // The module stays loaded until the process ends.
        return run(argc, argv);
    }
    std::fprintf(stderr, "glyphon: cannot find the window module %s\n", tried.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) { return glyphon::RunProgram(argc, argv, RunWindowModule); }
