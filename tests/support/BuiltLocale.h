// A locale built with localedef into a temporary folder and switched on for
// the process through LOCPATH, so tests can run under a decimal comma or a
// single-byte character set whatever the machine has installed. The old
// locale and LOCPATH come back when the object goes.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace glyphon::test {

class BuiltLocale {
public:
    // e.g. ("de_DE", "UTF-8", "de_DE.UTF-8"); check Active() before relying on it.
    BuiltLocale(const std::string& source, const std::string& charmap, const std::string& name) {
        const std::string command =
            "localedef -i " + source + " -f " + charmap + " '" + dir_.File(name) + "' >/dev/null 2>&1";
        // localedef warns (status 1) about some stock sources and still writes
        // the locale; whether it can be switched on is what counts.
        std::system(command.c_str());
        if (const char* old = std::getenv("LOCPATH")) oldLocPath_ = old, hadLocPath_ = true;
        setenv("LOCPATH", dir_.path().c_str(), 1);
        active_ = std::setlocale(LC_ALL, name.c_str()) != nullptr;
        if (!active_) ADD_FAILURE() << "localedef could not build " << name << " (package locales missing?)";
    }
    ~BuiltLocale() {
        std::setlocale(LC_ALL, "C");
        if (hadLocPath_)
            setenv("LOCPATH", oldLocPath_.c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
    BuiltLocale(const BuiltLocale&) = delete;
    BuiltLocale& operator=(const BuiltLocale&) = delete;

    bool Active() const { return active_; }
    const std::string& Folder() const { return dir_.path(); }

private:
    TempDir dir_;
    std::string oldLocPath_;
    bool hadLocPath_ = false;
    bool active_ = false;
};

}  // namespace glyphon::test
