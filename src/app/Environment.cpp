#include "app/Environment.h"

#include <unistd.h>

#include <climits>
#include <cstdio>

#include "app/SettingsFile.h"
#include "render/FontList.h"

namespace glyphon {

std::string ProgramDir() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, size_t(n));
    return path.substr(0, path.rfind('/') + 1);
}

AppEnvironment MakeEnvironment(int argc, char** argv) {
    AppEnvironment env;
    env.programDir = ProgramDir();
    env.settingsPath = DefaultSettingsPath(env.programDir);
    // Said once, when the window starts (the other runs store nothing).
    if (env.settingsPath.empty() && argc <= 1)
        std::fputs("glyphon: neither HOME nor XDG_CONFIG_HOME names a folder: settings are not kept\n",
                   stderr);
    env.args.assign(argv, argv + argc);
    env.installedFamilies = ListInstalledFontFamilies();
    return env;
}

}  // namespace glyphon
