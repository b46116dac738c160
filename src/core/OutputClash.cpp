#include "core/OutputClash.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <utility>

#include "core/OutputKinds.h"
#include "core/OutputNames.h"

namespace glyphon {

namespace {

// The name as one spelling: absolute and without "." and "..".
std::string Spelling(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path.empty() ? "./" : path, ec);
    if (ec) absolute = path;
    return absolute.lexically_normal().string();
}

using FileId = std::pair<dev_t, ino_t>;
std::optional<FileId> IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

// Who a name belongs to: the index of the subtitle file (the mux: -1), and
// whether it is that file itself rather than one of its outputs.
struct Owner {
    long file;
    bool input;
    std::string name;
};

}  // namespace

std::vector<std::string> FileOutputNames(const ConversionJob& shared, const std::vector<std::string>& files,
                                         const std::string& file) {
    // The job's outputs as the table names them; the VobSub pair is put
    // where the run will put it, free of every file the run reads.
    ConversionJob job;
    job.subtitle.file = file;
    job.outputs.kinds = shared.outputs.kinds;
    job.outputs.folder = shared.outputs.folder;
    job.outputs.mux.video = shared.outputs.mux.video;
    job.otherInputs = shared.otherInputs;
    job.otherInputs.insert(job.otherInputs.end(), files.begin(), files.end());
    return OutputFileNames(job, OutputStem(shared.outputs.folder, file), false);
}

std::optional<std::string> OutputClash(const ConversionJob& shared, const std::vector<std::string>& files) {
    const std::string& folder = shared.outputs.folder;
    const std::string& film = shared.outputs.mux.video;
    std::map<std::string, Owner> byName;
    std::map<FileId, Owner> byId;
    const auto note = [&](const Owner& owner) {
        byName.emplace(Spelling(owner.name), owner);
        if (const auto id = IdOf(owner.name)) byId.emplace(*id, owner);
    };
    const auto quoted = [](const std::string& name) { return "'" + name + "'"; };
    for (size_t i = 0; i < files.size(); ++i) note({long(i), true, files[i]});
    if (!film.empty() && !files.empty())
        for (const std::string& name : DiscFileNames(OutputStem(folder, files.front())))
            note({-1, false, name});
    for (size_t i = 0; i < files.size(); ++i) {
        for (const std::string& name : FileOutputNames(shared, files, files[i])) {
            const Owner mine{long(i), false, name};
            std::optional<Owner> other;
            if (const auto it = byName.find(Spelling(name));
                it != byName.end() && it->second.file != mine.file)
                other = it->second;
            if (!other)
                if (const auto id = IdOf(name))
                    if (const auto it = byId.find(*id); it != byId.end() && it->second.file != mine.file)
                        other = it->second;
            if (other) {
                if (other->input)
                    return "the output " + name + " of " + quoted(files[i]) + " would replace " +
                           quoted(other->name) + ", another subtitle file of this run; nothing was written";
                if (other->file < 0)
                    return quoted(files[i]) + " and the muxed film would both write " + name +
                           "; nothing was written";
                return quoted(files[size_t(other->file)]) + " and " + quoted(files[i]) +
                       " would both write " + name;
            }
            note(mine);
        }
    }
    return std::nullopt;
}

}  // namespace glyphon
