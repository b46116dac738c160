#include "subtitle/SubtitleReaders.h"

#include "subtitle/MicroDvdReader.h"
#include "subtitle/SsaProbe.h"
#include "subtitle/SubRipReader.h"
#include "subtitle/WebVttReader.h"

namespace glyphon {

namespace {

// One row per format; a new format is its files and one row here.
constexpr SubtitleReader kReaders[] = {
    {"SubRip", ".SRT", ProbeSubRip, ReadSubRip},
    {"MicroDVD", ".SUB .TXT", ProbeMicroDvd, ReadMicroDvd},
    {"ASS/SSA", ".ASS .SSA", ProbeSsa, nullptr},
    {"WebVTT", ".VTT", ProbeWebVtt, ReadWebVttFile},
};

bool HasExtension(const SubtitleReader& r, const std::string& ext) {
    if (ext.empty()) return false;
    for (std::string_view list = r.extensions; !list.empty();) {
        const size_t space = list.find(' ');
        if (list.substr(0, space) == ext) return true;
        list.remove_prefix(space == std::string_view::npos ? list.size() : space + 1);
    }
    return false;
}

}  // namespace

std::span<const SubtitleReader> SubtitleReaders() { return kReaders; }

const SubtitleReader* PickReader(std::string_view head, const std::string& fileName) {
    const std::string ext = textfile::UpperExtension(fileName);
    const SubtitleReader* best = nullptr;
    int bestScore = 0;
    for (const SubtitleReader& r : kReaders) {
        const ProbeMatch match = r.probe(head);
        const bool named = HasExtension(r, ext);
        if (match == ProbeMatch::No || (match == ProbeMatch::Weak && !named)) continue;
        // The probe's certainty first, the extension between equals.
        const int score = int(match) * 2 + (named ? 1 : 0);
        if (score > bestScore) {
            best = &r;
            bestScore = score;
        }
    }
    return best;
}

const SubtitleReader* PickReaderForFile(const std::string& fileName) {
    if (!textfile::FileExists(fileName)) return nullptr;
    return PickReader(textfile::ReadHead(fileName), fileName);
}

std::string ReadableFormats() {
    std::string names;
    for (const SubtitleReader& r : kReaders) (names += names.empty() ? "" : ", ") += r.name;
    return names;
}

}  // namespace glyphon
