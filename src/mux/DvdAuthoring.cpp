#include "mux/DvdAuthoring.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "common/FileError.h"
#include "common/Utf8.h"
#include "mux/DvdMux.h"
#include "mux/PackWriter.h"

namespace glyphon {

namespace {

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            // Written as references, or the parser would make spaces of them.
            case '\n':
                out += "&#10;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

// A file of the authoring, written in full under its temporary name.
std::unique_ptr<StagedFile> StagedText(const std::string& path, const std::string& text) {
    auto file = std::make_unique<StagedFile>(path);
    file->Write(text.data(), text.size());
    file->Close();
    return file;
}

// Refuses an output name that is the film itself (a link, or the film named
// like the output).
void RefuseReplacingFilm(const std::string& video, const std::string& output) {
    struct stat in {
    }, out{};
    if (::stat(video.c_str(), &in) == 0 && ::stat(output.c_str(), &out) == 0 && in.st_dev == out.st_dev &&
        in.st_ino == out.st_ino)
        throw ProgramStreamError(video + ": the file " + output +
                                 " would replace the video itself; choose another output folder");
}

// The languages of the sub-picture streams an earlier project of this
// program gave the film (FILM.dvdauthor.xml beside FILM.muxed.mpg): stream
// number to language.
std::map<int, std::string> EarlierProjectLanguages(const std::string& video) {
    std::map<int, std::string> languages;
    const std::string suffix = ".muxed.mpg";
    if (video.size() <= suffix.size() ||
        video.compare(video.size() - suffix.size(), suffix.size(), suffix) != 0)
        return languages;
    std::ifstream in(ProjectFileName(video.substr(0, video.size() - suffix.size())));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > (size_t(1) << 20)) return languages;
    const std::string open = "<subpicture lang=\"", id = " id=\"";
    for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
        const size_t end = text.find('"', at + open.size());
        const size_t close = text.find("</subpicture>", at);
        const size_t number = text.find(id, at);
        if (end == std::string::npos || number == std::string::npos || number > close) continue;
        const int stream = std::atoi(text.c_str() + number + id.size());
        const std::string language = text.substr(at + open.size(), end - at - open.size());
        if (stream >= 0 && stream < kSubPictureStreams && language.size() == 2 &&
            std::isalpha(static_cast<unsigned char>(language[0])) &&
            std::isalpha(static_cast<unsigned char>(language[1])))
            languages[stream] = language;
    }
    return languages;
}

}  // namespace

VideoFormat FormatOfStart(const ProgramStreamStart& start) {
    VideoFormat f;
    f.width = start.width;
    f.height = start.height;
    f.widescreen = start.aspectCode == 3;
    f.pal = start.height == 576 || (start.height != 480 && start.rateCode == 3);
    return f;
}

FilmFacts ReadFilmFacts(const std::string& video, const std::string& muxedPath, uint32_t* heldStreams) {
    // Refuses a pipe or device without waiting on it: the film is read again
    // to mux it.
    const int fd = OpenFilmOnce(video);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat in {
    }, out{};
    if (::fstat(fd, &in) != 0) ThrowFileError(errno);
    if (!muxedPath.empty() && ::stat(muxedPath.c_str(), &out) == 0 && out.st_dev == in.st_dev &&
        out.st_ino == in.st_ino)
        throw ProgramStreamError(video + ": the muxed file " + muxedPath +
                                 " would replace the video itself; choose another output folder");
    FilmFacts facts;
    try {
        FdSource source(fd);
        facts.start = ScanProgramStreamStart(source, heldStreams);
        if (facts.start.height == 0)
            throw ProgramStreamError("no MPEG-2 sequence header near the start of the video");
    } catch (const ProgramStreamError& e) {
        throw ProgramStreamError(video + ": " + e.what());
    }
    facts.format = FormatOfStart(facts.start);
    return facts;
}

VideoFormat ReadVideoFormat(const std::string& video) { return ReadFilmFacts(video).format; }

std::optional<std::string> UnnameableInProject(const std::string& stem) {
    for (const std::string& name : {AbsolutePath(PaletteFileName(stem)), AbsolutePath(MuxedFileName(stem))}) {
        if (ValidUtf8(name) != name)
            return "The dvdauthor project cannot name " + TerminalSafe(name) +
                   ": it is not UTF-8 text, as the project must be; rename it or choose another output "
                   "folder";
        std::vector<uint32_t> chars;
        DecodeUtf8(name, chars);
        for (const uint32_t c : chars)
            if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || (c >= 0x7F && c < 0xA0))
                return "The dvdauthor project cannot name " + TerminalSafe(name) +
                       ": it holds a control character; rename it or choose another output folder";
    }
    return std::nullopt;
}

std::string ProjectFileName(const std::string& stem) { return stem + ".dvdauthor.xml"; }

std::vector<std::string> AuthoringFileNames(const std::string& stem) {
    return {MuxedFileName(stem), PaletteFileName(stem), ProjectFileName(stem)};
}

std::string DvdAuthorProjectText(const DvdAuthorProject& project) {
    const std::string format = project.pal ? "pal" : "ntsc";
    const std::string aspect = project.widescreen ? "16:9" : "4:3";
    // The disc's own menu domain needs the video format too, or dvdauthor
    // takes it from its environment.
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dvdauthor>\n  <vmgm>\n    <menus>\n";
    x += "      <video format=\"" + format + "\" aspect=\"" + aspect + "\" />\n";
    x += "    </menus>\n  </vmgm>\n  <titleset>\n    <titles>\n";
    x += "      <video format=\"" + format + "\" aspect=\"" + aspect + "\"" +
         (project.widescreen ? " widescreen=\"nopanscan\"" : "") + " />\n";
    for (const auto& [stream, language] : project.streams) {
        // A stream of unknown language (muxed by another program) has none.
        x += language.empty() ? std::string("      <subpicture>\n")
                              : "      <subpicture lang=\"" + XmlEscaped(language) + "\">\n";
        if (project.widescreen) {
            x += "        <stream mode=\"widescreen\" id=\"" + std::to_string(stream) + "\" />\n";
        } else {
            x += "        <stream mode=\"normal\" id=\"" + std::to_string(stream) + "\" />\n";
        }
        x += "      </subpicture>\n";
    }
    x += "      <pgc palette=\"" + XmlEscaped(project.paletteFile) + "\">\n";
    x += "        <vob file=\"" + XmlEscaped(project.vobFile) + "\" />\n";
    x += "      </pgc>\n    </titles>\n  </titleset>\n</dvdauthor>\n";
    return x;
}

DvdAuthoringResult AuthorDvdFilm(const DvdAuthoringRequest& request, StagedAuthoring* staged) {
    DvdAuthoringResult result;
    bool used[kSubPictureStreams] = {};
    JoinedUnitLists units;
    for (const AuthoringStream& s : request.streams) {
        if (s.stream < 0 || s.stream >= kSubPictureStreams)
            throw std::invalid_argument("sub-picture stream number " + std::to_string(s.stream) +
                                        " outside 0 to 31");
        if (used[s.stream])
            throw std::invalid_argument("sub-picture stream " + std::to_string(s.stream) + " given twice");
        used[s.stream] = true;
        units.Add(s.units, s.stream);
    }
    const FilmFacts film = request.film ? *request.film : ReadFilmFacts(request.video);
    result.format = film.format;
    const std::string muxed = MuxedFileName(request.stem);
    const std::string palette = PaletteFileName(request.stem);
    const std::string projectFile = ProjectFileName(request.stem);
    for (const std::string& output : AuthoringFileNames(request.stem))
        RefuseReplacingFilm(request.video, output);
    if (const auto refusal = UnnameableInProject(request.stem)) throw ProgramStreamError(*refusal);

    StagedAuthoring local;
    StagedAuthoring& files = staged ? *staged : local;
    files.Discard();
    const int firstStream = request.streams.empty() ? 0 : request.streams.front().stream;
    auto muxedFile = std::make_unique<StagedFile>(muxed);
    result.report = MuxSubPicturesIntoStaged(request.video, *muxedFile, firstStream, units, &film.start);
    files.Add(std::move(muxedFile));
    result.written.push_back(muxed);

    files.Add(StagedText(palette, PaletteFileText(request.palette)));
    result.written.push_back(palette);

    DvdAuthorProject project;
    project.pal = result.format.pal;
    project.widescreen = request.widescreen.value_or(result.format.widescreen);
    // The disc lists every sub-picture stream the film holds, in stream
    // order, so that the streams muxed earlier keep their logical numbers
    // and languages.
    const std::map<int, std::string> earlier = EarlierProjectLanguages(request.video);
    std::map<int, std::string> streams;
    for (int n = 0; n < kSubPictureStreams; ++n)
        if (result.report.filmStreams & (1u << n)) {
            const auto known = earlier.find(n);
            streams[n] = known == earlier.end() ? std::string() : known->second;
        }
    for (const AuthoringStream& s : request.streams) streams[s.stream] = s.language;
    for (const auto& [stream, language] : streams) project.streams.emplace_back(stream, language);
    project.paletteFile = AbsolutePath(palette);
    project.vobFile = AbsolutePath(muxed);
    files.Add(StagedText(projectFile, DvdAuthorProjectText(project)));
    result.written.push_back(projectFile);
    if (!staged) local.Commit();
    return result;
}

StagedAuthoring::StagedAuthoring() = default;
StagedAuthoring::StagedAuthoring(StagedAuthoring&&) noexcept = default;
StagedAuthoring& StagedAuthoring::operator=(StagedAuthoring&&) noexcept = default;
StagedAuthoring::~StagedAuthoring() { Discard(); }

void StagedAuthoring::Add(std::unique_ptr<StagedFile> file) { files_.push_back(std::move(file)); }

void StagedAuthoring::Commit() {
    OutputsCommitting committing;  // the film, its palette and project together
    for (auto& file : files_) file->Commit();
    files_.clear();
}

void StagedAuthoring::Discard() {
    for (auto& file : files_) file->Discard();
    files_.clear();
}

std::optional<std::string> LanguageFromFileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t last = name.rfind('.');
    if (last == std::string::npos || last < 3) return std::nullopt;
    if (name[last - 3] != '.') return std::nullopt;
    std::string code;
    for (size_t i = last - 2; i < last; ++i) {
        const char c = name[i];
        if (c >= 'a' && c <= 'z')
            code += c;
        else if (c >= 'A' && c <= 'Z')
            code += char(c - 'A' + 'a');
        else
            return std::nullopt;
    }
    // "x.fr.srt" has a base name before the code; ".fr.srt" is a hidden file.
    if (last - 3 == 0) return std::nullopt;
    return code;
}

}  // namespace glyphon
