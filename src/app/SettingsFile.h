// "Glyphon_Settings.ini": one [Form1] section of key=value lines. Only what
// the program itself writes is promised to round-trip; anything else in the
// file is kept as it stands when the file is rewritten.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace glyphon {

class IniFile {
public:
    // A missing or unreadable file reads as empty.
    static IniFile Load(const std::string& path);
    // Writes the whole file; returns false when it cannot be written.
    bool Save(const std::string& path) const;

    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Replaces the value in place, or appends the key to its section.
    void Set(const std::string& section, const std::string& key, const std::string& value);

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    std::vector<Section> sections_;
};

// Where the settings live: beside the program when that folder is writable,
// otherwise $XDG_CONFIG_HOME/glyphon/ (default ~/.config/glyphon/), created
// on demand.
std::string DefaultSettingsPath(const std::string& programDir);

inline constexpr const char* kSettingsFileName = "Glyphon_Settings.ini";

}  // namespace glyphon
