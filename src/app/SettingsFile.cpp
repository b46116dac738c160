#include "app/SettingsFile.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace glyphon {

IniFile IniFile::Load(const std::string& path) {
    IniFile ini;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            ini.sections_.push_back({line.substr(1, line.size() - 2), {}});
            current = &ini.sections_.back();
            continue;
        }
        const auto eq = line.find('=');
        if (current == nullptr || eq == std::string::npos) continue;
        current->entries.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return ini;
}

bool IniFile::Save(const std::string& path) const {
    std::ostringstream out;
    for (const auto& s : sections_) {
        out << '[' << s.name << "]\n";
        for (const auto& [k, v] : s.entries) out << k << '=' << v << '\n';
        out << '\n';
    }
    // Write beside the target and rename, so a failed write never leaves a
    // half-written settings file behind.
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) return false;
        f << out.str();
        f.flush();
        if (!f) return false;
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) std::filesystem::remove(tmp, ec);
    return !ec;
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
    for (const auto& s : sections_) {
        if (s.name != section) continue;
        for (const auto& [k, v] : s.entries)
            if (k == key) return v;
    }
    return std::nullopt;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    for (auto& s : sections_) {
        if (s.name != section) continue;
        for (auto& [k, v] : s.entries)
            if (k == key) {
                v = value;
                return;
            }
        s.entries.emplace_back(key, value);
        return;
    }
    sections_.push_back({section, {{key, value}}});
}

std::string DefaultSettingsPath(const std::string& programDir) {
    if (!programDir.empty() && access(programDir.c_str(), W_OK) == 0) return programDir + kSettingsFileName;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    const std::string dir = base + "/glyphon/";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir + kSettingsFileName;
}

}  // namespace glyphon
