#include "mux/ProgramStreamMuxer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "common/FileError.h"
#include "common/StagedFile.h"
#include "mux/BufferedFileSink.h"
#include "mux/FilmTimeline.h"
#include "mux/PackWriter.h"
#include "mux/SubPictureDelivery.h"
#include "mux/UnitSpool.h"
#include "subtitle/Cue.h"

namespace glyphon {

namespace {

bool IsVideo(uint8_t streamId) { return streamId >= kFirstVideoStream && streamId <= kLastVideoStream; }

// The sub-picture stream (0 to 31) a packet belongs to; -1 for any other.
int SubPictureStreamOf(const PsItem& item) {
    return item.streamId == kPrivateStream1 && item.subStreamId >= kSubPictureSubStream &&
                   item.subStreamId < kSubPictureSubStream + kSubPictureStreams
               ? item.subStreamId - kSubPictureSubStream
               : -1;
}

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
        throw ProgramStreamError(
            videoPath +
            ": not a regular file (a pipe, device or folder); the film is read twice, once "
            "to find its first frame and once to mux, so it must be a file on disk");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

ProgramStreamStart ScanProgramStreamStart(ByteSource& input, uint32_t* heldStreams) {
    // Frames are stored in decoding order: pictures shown before the first
    // stored one (B-frames of an open GOP) come a little later in the file.
    // The smallest PTS among the first frames is the first one shown.
    constexpr int kFramesLooked = 16;
    ProgramStreamReader reader(input);
    PsItem item;
    ProgramStreamStart start;
    std::vector<uint8_t> video;  // the first packets' video bytes, for the sequence header
    int frames = 0;
    if (heldStreams) *heldStreams = 0;
    while ((frames < kFramesLooked || heldStreams) && reader.Next(item)) {
        if (const int held = SubPictureStreamOf(item);
            heldStreams && item.kind == PsItemKind::Packet && held >= 0)
            *heldStreams |= 1u << held;
        if (frames >= kFramesLooked) continue;
        if (item.kind == PsItemKind::Packet && IsVideo(item.streamId) && start.rateNum == 0 &&
            item.size > 9 && (item.data[6] & 0xC0) == 0x80 && size_t(9 + item.data[8]) < item.size) {
            const size_t from = video.size() >= 7 ? video.size() - 7 : 0;  // a header cut by the packet end
            video.insert(video.end(), item.data + 9 + item.data[8], item.data + item.size);
            for (size_t i = from; i + 8 <= video.size() && start.rateNum == 0; ++i)
                if (video[i] == 0 && video[i + 1] == 0 && video[i + 2] == 1 && video[i + 3] == 0xB3) {
                    // frame_rate_code: the low four bits after size and aspect
                    static constexpr int64_t kRates[][2] = {{0, 1},  {24000, 1001}, {24, 1},
                                                            {25, 1}, {30000, 1001}, {30, 1},
                                                            {50, 1}, {60000, 1001}, {60, 1}};
                    const int code = video[i + 7] & 0x0F;
                    if (start.height == 0) {  // the first header's
                        start.width = video[i + 4] << 4 | video[i + 5] >> 4;
                        start.height = (video[i + 5] & 0x0F) << 8 | video[i + 6];
                        start.aspectCode = video[i + 7] >> 4;
                        start.rateCode = code;
                    }
                    if (code >= 1 && code <= 8) {
                        start.rateNum = kRates[code][0];
                        start.rateDen = kRates[code][1];
                    }
                }
        }
        if (item.kind == PsItemKind::Packet && IsVideo(item.streamId) && item.pts >= 0) {
            // Compared as steps of the 33-bit clock, which may wrap among them.
            if (start.firstVideoPts < 0 || (int64_t((uint64_t(item.pts) - uint64_t(start.firstVideoPts)) &
                                                    FilmTimeline::kClockMask) >= int64_t(1) << 32))
                start.firstVideoPts = item.pts;
            ++frames;
        }
    }
    if (start.firstVideoPts < 0)
        throw ProgramStreamError(
            "the program stream has no video with presentation times to time subtitles from");
    return start;
}

int64_t OntoFilmFrame(int64_t ticks, const ProgramStreamStart& start) {
    if (start.rateNum <= 0 || ticks <= 0) return ticks;
    const int64_t perSecond = kTicksPerSecond * start.rateDen;  // ticks x frames per second
    const int64_t frame = ticks * start.rateNum / perSecond;
    const int64_t frameStart =
        (frame * perSecond + start.rateNum / 2) / start.rateNum;  // as the film rounds it
    return ticks > frameStart && ticks - frameStart < kTicksPerMs ? frameStart : ticks;
}

MuxReport MuxProgramStream(ByteSource& input, ByteSink& output, const ProgramStreamStart& start, int stream,
                           const std::vector<TimedUnit>& units) {
    const TimedUnitList list(units);
    return MuxProgramStream(input, output, start, stream, list);
}

MuxReport MuxProgramStream(ByteSource& input, ByteSink& output, const ProgramStreamStart& start, int stream,
                           const UnitList& units) {
    if (stream < 0 || stream >= kSubPictureStreams)
        throw std::invalid_argument("sub-picture stream number " + std::to_string(stream) +
                                    " outside 0 to 31");
    // The sub-streams the units go into; the film must not have any of them.
    bool used[kSubPictureStreams] = {};
    used[stream] = true;
    for (size_t i = 0; i < units.Count(); ++i) {
        const int own = units.Stream(i);
        if (own >= kSubPictureStreams)
            throw std::invalid_argument("sub-picture stream number " + std::to_string(own) +
                                        " outside 0 to 31");
        if (own >= 0) used[own] = true;
    }

    // Units in order of presentation; a stable sort keeps the list order of
    // subtitles that start together.
    std::vector<size_t> order(units.Count());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return units.Pts(a) < units.Pts(b); });
    // The schedule runs on the film's timeline (FilmTimeline): from its first
    // frame on, across wraps of the clock and restarts of it, as a player
    // counts the film's time. SCRs and PTSs are written in the 33-bit clock
    // of the stretch the packs are inserted into.
    FilmTimeline timeline;
    int64_t firstVideoFilm = 0;  // the film time of start.firstVideoPts, known at the first pack
    auto filmPtsOf = [&](size_t k) {
        return firstVideoFilm + OntoFilmFrame(int64_t(units.Pts(order[k])), start);
    };
    // Only the unit being sent is held in memory.
    std::vector<uint8_t> current;
    size_t loaded = SIZE_MAX;
    auto bytesOf = [&](size_t k) -> const std::vector<uint8_t>& {
        if (loaded != k) {
            units.Read(order[k], current);
            loaded = k;
        }
        return current;
    };

    MuxReport report;
    report.firstVideoPts = start.firstVideoPts;
    ProgramStreamReader reader(input);
    PsItem item;
    bool afterPack = false;     // at least one input pack has been copied
    int64_t lastScr = 0;        // film time of the pack written last, copied or inserted
    uint32_t muxRate = 0;       // of the pack copied last
    int64_t lastVideoPts = -1;  // film time
    uint64_t videoLead = 0;     // how far ahead of their frames the video packets come
    int64_t packScr = 0;        // film time of the input pack being copied
    bool heldEndCode = false;   // an end code waits: it stays last if the stream ends there
    size_t next = 0;            // the unit being sent, or the next one to send
    size_t sent = 0;            // bytes of it already in packs
    int64_t arrival = 0;        // film time of its first pack
    SubPictureBufferModel buffer;
    // The buffer model counts from a point before any film time (a broken
    // film's first frame may precede its first pack).
    constexpr int64_t kModelOrigin = int64_t(1) << 40;
    auto modelTime = [&](int64_t film) { return uint64_t(film + kModelOrigin); };

    // One more pack of the current unit, at film time scr.
    auto insertPack = [&](int64_t scr) {
        const std::vector<uint8_t>& bytes = bytesOf(next);
        const int own = units.Stream(order[next]);
        const bool first = sent == 0;
        const size_t n = std::min(bytes.size() - sent, SubPicturePayloadCapacity(first));
        PackWriter writer(output, muxRate ? muxRate : kDvdMuxRate);
        writer.WriteSubPicturePack(
            timeline.Clock(scr), own >= 0 ? own : stream,
            first ? std::optional<uint64_t>(timeline.Clock(filmPtsOf(next))) : std::nullopt,
            bytes.data() + sent, n);
        if (first) arrival = scr;
        sent += n;
        lastScr = scr;
        if (sent >= bytes.size()) {
            buffer.Enter(modelTime(arrival), bytes.size(),
                         modelTime(filmPtsOf(next)) + UnitShownTicks(bytes.data(), bytes.size()));
            ++next;
            sent = 0;
            ++report.units;
        }
    };
    auto packsLeft = [&]() {
        const size_t size = units.Size(order[next]);
        return SubPicturePackCount(size) - (sent == 0 ? 0 : SubPicturePackCount(sent));
    };

    // Fills the film time before an input pack at `until` with unit packs:
    // a unit starts once waiting any longer would send it less than the lead
    // ahead of its time (and the player's buffer has room for it); its packs
    // go at the mux rate into the gaps the input leaves, and are squeezed in
    // before the input pack only when they would otherwise arrive less than
    // the least lead (150 ms) ahead. Across a restart of the film's clock
    // film time stands still, so no unit goes between those two packs.
    auto insertBefore = [&](int64_t until) {
        const int64_t pack = int64_t(PackTicks(muxRate));
        const int64_t lead = int64_t(SubPictureLead(videoLead));
        while (next < order.size()) {
            const int64_t pts = filmPtsOf(next);
            const size_t size = units.Size(order[next]);
            const int64_t left = int64_t(packsLeft());
            if (sent == 0 && until + int64_t(DeliveryTime(size_t(left), muxRate)) + lead <= pts)
                return;  // not due yet
            int64_t scr = lastScr + pack;
            if (scr + pack > until) {
                // A later gap will do while the unit still arrives the least
                // lead ahead.
                if (until + left * pack + int64_t(kLeastSubPictureLead) <= pts) return;
                scr = lastScr + 1;
                if (scr >= until) return;
            }
            if (sent == 0 && !buffer.Fits(modelTime(scr), size)) return;
            insertPack(scr);
        }
    };
    const uint8_t endCode[4] = {0, 0, 1, kEndCode};

    while (reader.Next(item)) {
        report.inputBytes += item.size;
        if (heldEndCode) {
            output.Write(endCode, sizeof endCode);
            heldEndCode = false;
        }
        switch (item.kind) {
            case PsItemKind::PackHeader: {
                // The film time this pack will have; units inserted before
                // it are stamped in the clock of the packs they follow.
                const int64_t step = int64_t((item.scr - timeline.Clock(packScr)) & FilmTimeline::kClockMask);
                if (afterPack) insertBefore(packScr + (step < FilmTimeline::kLargestStep ? step : 0));
                packScr = timeline.OnPack(item.scr);
                if (!afterPack) firstVideoFilm = timeline.FilmTime(uint64_t(start.firstVideoPts));
                afterPack = true;
                lastScr = packScr;
                muxRate = item.muxRate;
                break;
            }
            case PsItemKind::Packet:
                if (const int held = SubPictureStreamOf(item); held >= 0) {
                    if (used[size_t(held)])
                        throw ProgramStreamError("the program stream already has sub-picture stream " +
                                                 StreamText(held) + "; choose another stream number");
                    report.filmStreams |= 1u << held;
                }
                if (IsVideo(item.streamId) && item.pts >= 0 && timeline.Started()) {
                    const int64_t pts = timeline.FilmTime(uint64_t(item.pts));
                    lastVideoPts = std::max(lastVideoPts, pts);
                    if (pts > packScr) videoLead = std::max(videoLead, uint64_t(pts - packScr));
                }
                break;
            case PsItemKind::EndCode:
                heldEndCode = true;
                continue;
            case PsItemKind::SystemHeader:
                break;
        }
        output.Write(item.data, item.size);
    }
    // Units left over go after the last pack at the mux rate.
    while (next < order.size()) insertPack(lastScr + int64_t(PackTicks(muxRate)));
    if (heldEndCode) output.Write(endCode, sizeof endCode);

    for (size_t k = 0; k < order.size(); ++k)
        if (filmPtsOf(k) > lastVideoPts) ++report.pastEnd;
    // On the film's timeline counted from the first frame's own clock value,
    // so that firstVideoPts + a unit's pts compares with it.
    if (lastVideoPts >= 0) report.lastVideoPts = start.firstVideoPts + (lastVideoPts - firstVideoFilm);
    return report;
}

MuxReport MuxSubPicturesIntoStaged(const std::string& videoPath, StagedFile& output, int stream,
                                   const UnitList& units, const ProgramStreamStart* known) {
    if (stream < 0 || stream >= kSubPictureStreams)
        throw std::invalid_argument("sub-picture stream number " + std::to_string(stream) +
                                    " outside 0 to 31");
    const int in = OpenFilmOnce(videoPath);
    FdCloser inCloser{in};

    struct stat inStat {
    }, outStat{};
    if (::fstat(in, &inStat) != 0) ThrowFileError(errno);
    if (::stat(output.FinalPath().c_str(), &outStat) == 0 && outStat.st_dev == inStat.st_dev &&
        outStat.st_ino == inStat.st_ino)
        throw ProgramStreamError(videoPath + ": the muxed file " + output.FinalPath() +
                                 " would replace the video itself; choose another output folder");

    try {
        ProgramStreamStart start;
        if (known) {
            start = *known;
        } else {
            FdSource scanSource(in);
            start = ScanProgramStreamStart(scanSource);
            if (::lseek(in, 0, SEEK_SET) != 0) ThrowFileError(errno);
        }

        const int fd = ::dup(output.Fd());
        if (fd < 0) ThrowFileError(errno);
        BufferedFileSink out(fd);
        FdSource source(in);
        const MuxReport report = MuxProgramStream(source, out, start, stream, units);
        out.Close();
        output.Close();
        return report;
    } catch (const ProgramStreamError& e) {
        throw ProgramStreamError(videoPath + ": " + e.what());
    }
}

MuxReport MuxSubPicturesIntoFile(const std::string& videoPath, const std::string& outputPath, int stream,
                                 const std::vector<TimedUnit>& units) {
    StagedFile output(outputPath);
    const MuxReport report = MuxSubPicturesIntoStaged(videoPath, output, stream, TimedUnitList(units));
    output.Commit();
    return report;
}

}  // namespace glyphon
