// A DVD from a film and its subtitle streams: every stream muxed into the
// film in one pass (NAME.muxed.mpg), the palette file (NAME.palette.yuv) and
// a dvdauthor project (NAME.dvdauthor.xml) that builds the disc with
// `dvdauthor -o DVD -x NAME.dvdauthor.xml` from any folder.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/StagedFile.h"
#include "mux/PaletteFile.h"
#include "mux/ProgramStreamMuxer.h"
#include "mux/UnitSpool.h"

namespace glyphon {

// What the film's first MPEG-2 sequence header says.
struct VideoFormat {
    int width = 0, height = 0;
    bool widescreen = false;  // display aspect 16:9 (aspect code 3), else 4:3
    bool pal = true;          // 25 frames per second; 29.97 and 23.976 are NTSC
};

// The format a film's start says (ScanProgramStreamStart's sequence header):
// PAL for 576 rows, NTSC for 480, else by the frame rate (25 is PAL).
VideoFormat FormatOfStart(const ProgramStreamStart& start);

// The film read once before anything is written: its start (the first frame
// shown, the sequence header) and format. Opened once, without waiting on a
// pipe. Throws FileError; ProgramStreamError naming the film when it is no
// program stream with timed video and a sequence header, or when
// `muxedPath` (the muxed film to write) is the film itself.
// With `heldStreams` the whole film is read, for the sub-picture streams it
// holds (bit n for stream n).
struct FilmFacts {
    ProgramStreamStart start;
    VideoFormat format;
};
FilmFacts ReadFilmFacts(const std::string& video, const std::string& muxedPath = {},
                        uint32_t* heldStreams = nullptr);

// The format alone (ReadFilmFacts(video).format).
VideoFormat ReadVideoFormat(const std::string& video);

// One subtitle stream of the disc.
struct AuthoringStream {
    int stream = 0;        // sub-picture stream number 0 to 31
    std::string language;  // two lower-case letters
    UnitSpool units;
};

struct DvdAuthoringRequest {
    std::string video;                     // the film, a DVD MPEG-2 program stream
    std::string stem;                      // folder and base name of the outputs
    std::vector<AuthoringStream> streams;  // in the order the disc lists them
    DiscPalette palette{};
    std::optional<bool> widescreen;  // none: as the film says
    // The film as read before (ReadFilmFacts): it is then read only to copy
    // it. None: read here.
    std::optional<FilmFacts> film;
};

struct DvdAuthoringResult {
    MuxReport report;
    VideoFormat format;
    std::vector<std::string> written;  // the files written, in order
};

std::string ProjectFileName(const std::string& stem);  // stem + ".dvdauthor.xml"
// The three files an authoring writes: muxed film, palette file, project.
std::vector<std::string> AuthoringFileNames(const std::string& stem);

// Why the project could not name the film or palette file of stem (not
// UTF-8, or a control character other than tab, line feed and carriage
// return, which it writes as references); nothing when it can.
std::optional<std::string> UnnameableInProject(const std::string& stem);

// The project for a muxed film: video format and aspect, one <subpicture>
// per stream with its language and stream number, the palette file, the
// film. Paths are written as given (callers give absolute ones).
struct DvdAuthorProject {
    bool pal = true;
    bool widescreen = false;
    std::vector<std::pair<int, std::string>> streams;  // stream number, language
    std::string paletteFile;
    std::string vobFile;
};
std::string DvdAuthorProjectText(const DvdAuthorProject& project);

// The files of an authoring, written in full under temporary names beside
// their own (StagedFile): Commit puts them all in place, Discard (or the
// destructor) removes them and leaves the previous files as they were.
class StagedAuthoring {
public:
    StagedAuthoring();
    StagedAuthoring(StagedAuthoring&&) noexcept;
    StagedAuthoring& operator=(StagedAuthoring&&) noexcept;
    ~StagedAuthoring();
    void Add(std::unique_ptr<StagedFile> file);
    // Throws FileError; a second call does nothing.
    void Commit();
    void Discard();
    bool Empty() const { return files_.empty(); }

private:
    std::vector<std::unique_ptr<StagedFile>> files_;
};

// Muxes every stream's units into the film, then writes the palette file and
// the project beside NAME.muxed.mpg. The film is read for its format first;
// a refused film (or one that any of the three files would replace) leaves
// no file at all. With `staged` the three files wait there for the caller's
// Commit; without, they are put in place once all are written. Throws
// ProgramStreamError (naming the film), FileError, std::invalid_argument for
// a stream number outside 0 to 31 or one used twice.
DvdAuthoringResult AuthorDvdFilm(const DvdAuthoringRequest& request, StagedAuthoring* staged = nullptr);

// The language code in a subtitle file name such as "movie.fr.srt" or
// "/films/Movie.PT.sub": two letters between the last two dots, in lower
// case; none when the name has no such part.
std::optional<std::string> LanguageFromFileName(const std::string& path);

}  // namespace glyphon
