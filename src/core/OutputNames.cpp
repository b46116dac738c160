#include "core/OutputNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "mux/DvdAuthoring.h"
#include "mux/DvdMux.h"

namespace glyphon {

std::vector<std::string> DiscFileNames(const std::string& stem) { return AuthoringFileNames(stem); }
std::string DiscFilmName(const std::string& stem) { return MuxedFileName(stem); }

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The first `size` bytes of a file (fewer when it is shorter); empty when it
// cannot be read. Opened without waiting, so a pipe reads as nothing.
std::string Head(const std::string& path, size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(size);
        const ssize_t n = ::read(fd, bytes.data(), size);
        bytes.resize(n > 0 ? size_t(n) : 0);
    }
    ::close(fd);
    return bytes;
}

// The first two lines of every index this program writes.
constexpr const char kOwnIndexStart[] =
    "# VobSub index file, v7 (do not modify this line!)\n"
    "# Written by Glyphon";

}  // namespace

bool SameExistingFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::optional<std::string> OutputReplacingInput(const std::vector<std::string>& outputs,
                                                const std::vector<std::string>& inputs) {
    for (const std::string& output : outputs)
        for (const std::string& input : inputs)
            if (SameExistingFile(output, input))
                return "The output " + output + " would replace " + input +
                       ", an input of this run; nothing was written. Rename the file or choose another "
                       "output folder.";
    return std::nullopt;
}

bool VobSubPairReplaceable(const std::string& idxPath, const std::string& subPath) {
    const bool idx = Exists(idxPath), sub = Exists(subPath);
    if (!idx && !sub) return true;
    if (!idx) return false;  // a ".sub" without an index is somebody else's
    const std::string start = Head(idxPath, sizeof kOwnIndexStart - 1);
    if (start != kOwnIndexStart) return false;
    if (!sub) return true;
    const std::string pack = Head(subPath, 4);
    return pack == std::string("\0\0\1\xBA", 4);
}

std::optional<std::string> FreeVobSubStem(const std::string& stem, const std::vector<std::string>& inputs) {
    for (int n = 0; n < 100; ++n) {
        const std::string candidate =
            n == 0 ? stem : stem + ".vobsub" + (n == 1 ? std::string() : std::to_string(n));
        const std::string idx = candidate + ".idx", sub = candidate + ".sub";
        if (!VobSubPairReplaceable(idx, sub)) continue;
        if (OutputReplacingInput({idx, sub}, inputs)) continue;
        return candidate;
    }
    return std::nullopt;
}

}  // namespace glyphon
