#include "mux/ProgramStreamMuxer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <numeric>
#include <stdexcept>

#include "common/FileError.h"
#include "common/StagedFile.h"
#include "mux/BufferedFileSink.h"
#include "mux/FilmTimeline.h"
#include "mux/PackWriter.h"

namespace glyphon {

namespace {

bool IsVideo(uint8_t streamId) { return streamId >= kFirstVideoStream && streamId <= kLastVideoStream; }

// 90 kHz ticks that delivering the given number of packs takes at the mux
// rate (units of 50 bytes/s), rounded up. A stream that states no rate is
// taken at the DVD's 10.08 Mbit/s.
uint64_t DeliveryTime(size_t packs, uint32_t muxRate) {
    const uint64_t bytesPerSecond = uint64_t(muxRate ? muxRate : kDvdMuxRate) * 50;
    const uint64_t bytes = uint64_t(packs) * kPackSize;
    return (bytes * 90000 + bytesPerSecond - 1) / bytesPerSecond;
}

std::string StreamText(int stream) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", kSubPictureSubStream + stream);
    return std::to_string(stream) + " (sub-stream " + hex + ")";
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

int OpenFilmOnce(const std::string& videoPath) {
    // Opened without waiting: a pipe without a writer would block the open
    // itself. Only a regular file can be read from its start a second time.
    const int fd = ::open(videoPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) ThrowFileError(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw ProgramStreamError(videoPath +
                                 ": not a regular file (a pipe, device or folder); the film is read twice, once "
                                 "to find its first frame and once to mux, so it must be a file on disk");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

ProgramStreamStart ScanProgramStreamStart(ByteSource& input) {
    // Frames are stored in decoding order: pictures shown before the first
    // stored one (B-frames of an open GOP) come a little later in the file.
    // The smallest PTS among the first frames is the first one shown.
    constexpr int kFramesLooked = 16;
    ProgramStreamReader reader(input);
    PsItem item;
    ProgramStreamStart start;
    int frames = 0;
    while (frames < kFramesLooked && reader.Next(item))
        if (item.kind == PsItemKind::Packet && IsVideo(item.streamId) && item.pts >= 0) {
            // Compared as steps of the 33-bit clock, which may wrap among them.
            if (start.firstVideoPts < 0 || (int64_t((uint64_t(item.pts) - uint64_t(start.firstVideoPts)) &
                                                    FilmTimeline::kClockMask) >= int64_t(1) << 32))
                start.firstVideoPts = item.pts;
            ++frames;
        }
    if (start.firstVideoPts < 0)
        throw ProgramStreamError("the program stream has no video with presentation times to time subtitles from");
    return start;
}

MuxReport MuxProgramStream(ByteSource& input, ByteSink& output, const ProgramStreamStart& start, int stream,
                           const std::vector<TimedUnit>& units) {
    if (stream < 0 || stream >= kSubPictureStreams)
        throw std::invalid_argument("sub-picture stream number " + std::to_string(stream) + " outside 0 to 31");
    const int subStreamId = kSubPictureSubStream + stream;

    // Units in order of presentation; a stable sort keeps the list order of
    // subtitles that start together.
    std::vector<size_t> order(units.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return units[a].pts < units[b].pts; });
    // Units are timed on the film's timeline (FilmTimeline): from its first
    // frame on, across wraps of the clock and restarts of it, as a player
    // counts the film's time.
    FilmTimeline timeline;
    int64_t firstVideoFilm = 0;  // the film time of start.firstVideoPts, known at the first pack
    auto filmPtsOf = [&](size_t k) { return firstVideoFilm + int64_t(units[order[k]].pts); };
    auto ptsOf = [&](size_t k) { return timeline.Clock(filmPtsOf(k)); };

    MuxReport report;
    report.firstVideoPts = start.firstVideoPts;
    ProgramStreamReader reader(input);
    PsItem item;
    bool afterPack = false;    // at least one input pack has been copied
    uint64_t lastScr = 0;      // of the pack copied last
    int64_t lastFilmScr = 0;   // its film time
    uint32_t muxRate = 0;      // of the pack copied last
    int64_t lastVideoPts = -1;  // film time
    bool heldEndCode = false;  // an end code waits: it stays last if the stream ends there
    size_t next = 0;

    // Inserts the next unit between two input packs, its packs stamped with
    // the SCR of the pack they follow.
    auto insertNext = [&]() {
        const TimedUnit& unit = units[order[next]];
        PackWriter writer(output, muxRate ? muxRate : kDvdMuxRate);
        writer.WriteSubPictureUnit(unit.bytes.data(), unit.bytes.size(), ptsOf(next), stream,
                                   [&](size_t) { return lastScr; });
        ++next;
        ++report.units;
    };
    const uint8_t endCode[4] = {0, 0, 1, kEndCode};

    while (reader.Next(item)) {
        report.inputBytes += item.size;
        if (heldEndCode) {
            output.Write(endCode, sizeof endCode);
            heldEndCode = false;
        }
        switch (item.kind) {
        case PsItemKind::PackHeader:
            // Before this pack: every unit that, sent after it, would no
            // longer arrive whole before its presentation time.
            if (afterPack) {
                // The film time this pack will have; units inserted before
                // it still carry the clock of the packs they follow.
                const int64_t step = int64_t((item.scr - lastScr) & FilmTimeline::kClockMask);
                const int64_t filmScr = lastFilmScr + (step < FilmTimeline::kLargestStep ? step : 0);
                while (next < order.size() &&
                       filmScr + int64_t(DeliveryTime(SubPicturePackCount(units[order[next]].bytes.size()), muxRate)) >
                           filmPtsOf(next))
                    insertNext();
            }
            lastFilmScr = timeline.OnPack(item.scr);
            if (!afterPack) firstVideoFilm = timeline.FilmTime(uint64_t(start.firstVideoPts));
            afterPack = true;
            lastScr = item.scr;
            muxRate = item.muxRate;
            break;
        case PsItemKind::Packet:
            if (item.streamId == kPrivateStream1 && item.subStreamId == subStreamId)
                throw ProgramStreamError("the program stream already has sub-picture stream " + StreamText(stream) +
                                         "; choose another stream number");
            if (IsVideo(item.streamId) && item.pts >= 0 && timeline.Started())
                lastVideoPts = std::max(lastVideoPts, timeline.FilmTime(uint64_t(item.pts)));
            break;
        case PsItemKind::EndCode:
            heldEndCode = true;
            continue;
        case PsItemKind::SystemHeader:
            break;
        }
        output.Write(item.data, item.size);
    }
    while (next < order.size()) insertNext();
    if (heldEndCode) output.Write(endCode, sizeof endCode);

    for (size_t k = 0; k < order.size(); ++k)
        if (filmPtsOf(k) > lastVideoPts) ++report.pastEnd;
    return report;
}

MuxReport MuxSubPicturesIntoFile(const std::string& videoPath, const std::string& outputPath, int stream,
                                 const std::vector<TimedUnit>& units) {
    if (stream < 0 || stream >= kSubPictureStreams)
        throw std::invalid_argument("sub-picture stream number " + std::to_string(stream) + " outside 0 to 31");
    const int in = OpenFilmOnce(videoPath);
    FdCloser inCloser{in};

    struct stat inStat{}, outStat{};
    if (::fstat(in, &inStat) != 0) ThrowFileError(errno);
    if (::stat(outputPath.c_str(), &outStat) == 0 && outStat.st_dev == inStat.st_dev &&
        outStat.st_ino == inStat.st_ino)
        throw ProgramStreamError(videoPath + ": the muxed file " + outputPath +
                                 " would replace the video itself; choose another output folder");

    try {
        FdSource scanSource(in);
        const ProgramStreamStart start = ScanProgramStreamStart(scanSource);
        if (::lseek(in, 0, SEEK_SET) != 0) ThrowFileError(errno);

        std::string tempPath;
        int slot = -1;  // listed for removal on a signal
        BufferedFileSink out(CreateTemporaryBeside(outputPath, tempPath, slot));
        struct Unlist {
            int slot;
            ~Unlist() { ForgetTemporaryFile(slot); }
        } unlist{slot};
        try {
            FdSource source(in);
            const MuxReport report = MuxProgramStream(source, out, start, stream, units);
            out.Close();
            if (::rename(tempPath.c_str(), outputPath.c_str()) != 0) ThrowFileError(errno);
            return report;
        } catch (...) {
            try {
                out.Close();
            } catch (const FileError&) {
            }
            ::unlink(tempPath.c_str());
            throw;
        }
    } catch (const ProgramStreamError& e) {
        throw ProgramStreamError(videoPath + ": " + e.what());
    }
}

}  // namespace glyphon
