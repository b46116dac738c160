#include "app/SettingsFile.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/StagedFile.h"

namespace glyphon {

namespace fs = std::filesystem;

namespace {

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// Names compare in any letter case (ASCII, as the settings' own names are).
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The file a settings path finally names: symbolic links are followed, so
// that writing replaces the link's target and the link stays.
fs::path FinalTarget(const fs::path& path) {
    fs::path p = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) break;
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    return p;
}

// Whether the file's own permissions let this user write it. The mode bits
// of the user's class decide even for the superuser: a settings file made
// read-only is protected from every run of the program.
bool MayWrite(const std::string& path, const struct stat& st) {
    if (access(path.c_str(), W_OK) != 0) return false;
    if (st.st_uid == geteuid()) return (st.st_mode & S_IWUSR) != 0;
    if (st.st_gid == getegid()) return (st.st_mode & S_IWGRP) != 0;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

namespace {

// The settings file's bytes: at most kLargestSettingsFile of a regular file.
// Anything else (a folder, a pipe, a device such as /dev/zero or
// /dev/urandom behind a link) reads as no file at all, without waiting.
std::string ReadSettingsBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buffer[1 << 14];
        while (bytes.size() < kLargestSettingsFile) {
            const ssize_t n =
                ::read(fd, buffer, std::min(sizeof buffer, kLargestSettingsFile - bytes.size()));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            bytes.append(buffer, size_t(n));
        }
    }
    ::close(fd);
    return bytes;
}

}  // namespace

IniFile IniFile::Load(const std::string& path) {
    IniFile ini;
    std::istringstream in(ReadSettingsBytes(path));
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') {
            raw.pop_back();
            ini.crlf_ = true;
        }
        const std::string line = Trimmed(raw);
        const auto close = line.find(']');
        if (!line.empty() && line.front() == '[' && close != std::string::npos) {
            ini.sections_.push_back({raw, Trimmed(line.substr(1, close - 1)), {}});
            continue;
        }
        if (ini.sections_.empty()) ini.sections_.push_back({});  // lines before any section
        Line entry;
        entry.text = raw;
        const auto eq = line.find('=');
        if (eq != std::string::npos && !Trimmed(line.substr(0, eq)).empty()) {
            entry.isEntry = true;
            entry.text = Trimmed(line.substr(0, eq));
            entry.value = Trimmed(line.substr(eq + 1));
        }
        ini.sections_.back().lines.push_back(std::move(entry));
    }
    return ini;
}

bool IniFile::Save(const std::string& path) const {
    if (path.empty()) return false;  // no settings are kept
    const char* eol = crlf_ ? "\r\n" : "\n";
    std::string out;
    for (const auto& s : sections_) {
        if (!s.header.empty()) out += s.header + eol;
        for (const auto& l : s.lines) out += (l.isEntry ? l.text + '=' + l.value : l.text) + eol;
    }

    const fs::path target = FinalTarget(path);
    std::error_code ec;
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    // A settings file the user has made read-only (or that belongs to
    // someone else) stays as it is.
    if (exists && !MayWrite(target.string(), st)) return false;
    // Nor is anything but a regular file replaced (a link to a device).
    if (exists && !S_ISREG(st.st_mode)) return false;
    if (!exists && target.has_parent_path()) fs::create_directories(target.parent_path(), ec);

    // Write beside the target and rename, so that a failed write never
    // leaves a half-written settings file behind.
    const std::string tmp = target.string() + ".tmp";
    unlink(tmp.c_str());
    // Removed by the signal handler should the program be stopped meanwhile.
    struct Listed {
        int slot;
        ~Listed() { ForgetTemporaryFile(slot); }
    } listed{ListTemporaryFile(tmp)};
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        // A writable file in a folder the user may not write: only an
        // in-place write can keep it current.
        if (!exists) return false;
        const int direct = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (direct < 0) return false;
        const bool ok = WriteAll(direct, out);
        return close(direct) == 0 && ok;
    }
    bool ok = WriteAll(fd, out);
    if (ok && exists) {
        // The replacement keeps the file's owner where the user may give
        // it (the superuser editing another user's settings), and its mode.
        if (fchown(fd, st.st_uid, st.st_gid) != 0) { /* not ours to give away: ours it stays */
        }
        ok = fchmod(fd, st.st_mode & 07777) == 0;
    }
    ok = close(fd) == 0 && ok;
    if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) unlink(tmp.c_str());
    return ok;
}

const IniFile::Line* IniFile::Find(const std::string& section, const std::string& key) const {
    for (const auto& s : sections_) {
        if (s.header.empty() || !SameName(s.name, section)) continue;
        for (const auto& l : s.lines)
            if (l.isEntry && SameName(l.text, key)) return &l;
    }
    return nullptr;
}

IniFile::Line* IniFile::Find(const std::string& section, const std::string& key) {
    return const_cast<Line*>(static_cast<const IniFile*>(this)->Find(section, key));
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
    if (const Line* l = Find(section, key)) return l->value;
    return std::nullopt;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    if (Line* l = Find(section, key)) {
        l->value = value;
        return;
    }
    const Line entry{true, key, value};
    for (auto& s : sections_) {
        if (s.header.empty() || !SameName(s.name, section)) continue;
        // After the section's last entry, before the blank lines that part
        // it from the next one.
        auto at = s.lines.end();
        while (at != s.lines.begin() && !std::prev(at)->isEntry && Trimmed(std::prev(at)->text).empty()) --at;
        s.lines.insert(at, entry);
        return;
    }
    if (!sections_.empty() && !sections_.back().lines.empty() &&
        !Trimmed(sections_.back().lines.back().text).empty())
        sections_.back().lines.push_back({});
    sections_.push_back({"[" + section + "]", section, {entry}});
}

bool RunFromBuildFolder(const std::string& programDir) {
    return !programDir.empty() && access((programDir + kBuildFolderMark).c_str(), F_OK) == 0;
}

std::string DefaultSettingsPath(const std::string& programDir) {
    // A settings file already beside the program makes a portable copy; a
    // program still in its build folder keeps its settings there too. An
    // installed program never writes into its own folder, whoever runs it.
    // Only an absolute folder is the program's (not the working directory).
    if (!programDir.empty() && programDir[0] == '/') {
        const std::string beside = programDir + kSettingsFileName;
        if (access(beside.c_str(), F_OK) == 0 || RunFromBuildFolder(programDir)) return beside;
    }
    // Without a home of the user's own, no settings are kept: a fixed
    // folder in the shared temporary directory could be another user's.
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        base = std::string(home) + "/.config";
    else
        return {};
    return base + "/glyphon/" + kSettingsFileName;
}

}  // namespace glyphon
