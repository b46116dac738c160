#include "mux/DvdMux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/FileError.h"
#include "common/StagedFile.h"
#include "sup/SupWriter.h"

namespace glyphon {

std::string MuxedFileName(const std::string& stem) { return stem + ".muxed.mpg"; }
std::string PaletteFileName(const std::string& stem) { return stem + ".palette.yuv"; }

void CheckDvdMuxInput(const std::string& video, const std::string& muxedPath) {
    const int fd = OpenFilmOnce(video);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat in{}, out{};
    if (::fstat(fd, &in) != 0) ThrowFileError(errno);
    if (::stat(muxedPath.c_str(), &out) == 0 && out.st_dev == in.st_dev && out.st_ino == in.st_ino)
        throw ProgramStreamError(video + ": the muxed file " + muxedPath +
                                 " would replace the video itself; choose another output folder");
    try {
        FdSource source(fd);
        ScanProgramStreamStart(source);
    } catch (const ProgramStreamError& e) {
        throw ProgramStreamError(video + ": " + e.what());
    }
}

DvdMuxSink::DvdMuxSink(DvdMuxRequest request, std::string stem, const DiscPalette& palette)
    : request_(std::move(request)), stem_(std::move(stem)), palette_(palette), units_(MuxedFileName(stem_)) {}

void DvdMuxSink::Append(int64_t start, const std::vector<uint8_t>& unit) {
    // The same presentation time as the ".sup" record's header.
    units_.Append(PresentationTime(start), -1, unit);
}

std::string DvdMuxSink::PastEndWarning(const MuxReport& report) const {
    if (report.pastEnd == 0) return {};
    return std::to_string(report.pastEnd) + (report.pastEnd == 1 ? " subtitle starts" : " subtitles start") +
           " after the end of the video in " + request_.video + "; appended at the end of " +
           MuxedFileName(stem_);
}

}  // namespace glyphon
