#include "mux/ProgramStreamMuxer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "common/FileError.h"
#include "mux/BufferedFileSink.h"
#include "mux/PackWriter.h"
#include "mux/SubPictureDelivery.h"

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

// A temporary file beside path, created empty and writable, with the
// permissions a new file of that name would get.
int CreateTemporaryBeside(const std::string& path, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) ThrowFileError(errno);
    }
    ThrowFileError(EEXIST);
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

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
            if (start.firstVideoPts < 0 || item.pts < start.firstVideoPts) start.firstVideoPts = item.pts;
            ++frames;
        }
    if (start.firstVideoPts < 0)
        throw ProgramStreamError(
            "the program stream has no video with presentation times to time subtitles from");
    return start;
}

MuxReport MuxProgramStream(ByteSource& input, ByteSink& output, const ProgramStreamStart& start, int stream,
                           const std::vector<TimedUnit>& units) {
    if (stream < 0 || stream >= kSubPictureStreams)
        throw std::invalid_argument("sub-picture stream number " + std::to_string(stream) +
                                    " outside 0 to 31");
    // The sub-streams the units go into; the film must not have any of them.
    bool used[kSubPictureStreams] = {};
    used[stream] = true;
    for (const TimedUnit& unit : units) {
        if (unit.stream >= kSubPictureStreams)
            throw std::invalid_argument("sub-picture stream number " + std::to_string(unit.stream) +
                                        " outside 0 to 31");
        if (unit.stream >= 0) used[unit.stream] = true;
    }

    // Units in order of presentation; a stable sort keeps the list order of
    // subtitles that start together.
    std::vector<size_t> order(units.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return units[a].pts < units[b].pts; });
    auto ptsOf = [&](size_t k) { return uint64_t(start.firstVideoPts) + units[order[k]].pts; };

    MuxReport report;
    report.firstVideoPts = start.firstVideoPts;
    ProgramStreamReader reader(input);
    PsItem item;
    bool afterPack = false;  // at least one input pack has been copied
    uint64_t lastScr = 0;    // of the pack written last, copied or inserted
    uint32_t muxRate = 0;    // of the pack copied last
    int64_t lastVideoPts = -1;
    uint64_t videoLead = 0;    // how far ahead of their frames the video packets come
    uint64_t packScr = 0;      // of the input pack being copied
    bool heldEndCode = false;  // an end code waits: it stays last if the stream ends there
    size_t next = 0;           // the unit being sent, or the next one to send
    size_t sent = 0;           // bytes of it already in packs
    uint64_t arrival = 0;      // SCR of its first pack
    SubPictureBufferModel buffer;

    // One more pack of the current unit, stamped scr.
    auto insertPack = [&](uint64_t scr) {
        const TimedUnit& unit = units[order[next]];
        const bool first = sent == 0;
        const size_t n = std::min(unit.bytes.size() - sent, SubPicturePayloadCapacity(first));
        PackWriter writer(output, muxRate ? muxRate : kDvdMuxRate);
        writer.WriteSubPicturePack(scr, unit.stream >= 0 ? unit.stream : stream,
                                   first ? std::optional<uint64_t>(ptsOf(next)) : std::nullopt,
                                   unit.bytes.data() + sent, n);
        if (first) arrival = scr;
        sent += n;
        lastScr = scr;
        if (sent >= unit.bytes.size()) {
            buffer.Enter(arrival, unit.bytes.size(),
                         ptsOf(next) + UnitShownTicks(unit.bytes.data(), unit.bytes.size()));
            ++next;
            sent = 0;
            ++report.units;
        }
    };
    auto packsLeft = [&]() {
        const size_t size = units[order[next]].bytes.size();
        return SubPicturePackCount(size) - (sent == 0 ? 0 : SubPicturePackCount(sent));
    };

    // Fills the time before an input pack stamped `until` with unit packs:
    // a unit starts once waiting any longer would send it less than the lead
    // ahead of its time (and the player's buffer has room for it); its packs
    // go at the mux rate into the gaps the input leaves, and are squeezed in
    // before the input pack only when they would otherwise arrive less than
    // the least lead (150 ms) ahead.
    auto insertBefore = [&](uint64_t until) {
        const uint64_t pack = PackTicks(muxRate);
        const uint64_t lead = SubPictureLead(videoLead);
        while (next < order.size()) {
            const uint64_t pts = ptsOf(next);
            const size_t size = units[order[next]].bytes.size();
            const uint64_t left = packsLeft();
            if (sent == 0 && until + DeliveryTime(left, muxRate) + lead <= pts) return;  // not due yet
            uint64_t scr = lastScr + pack;
            if (scr + pack > until) {
                // A later gap will do while the unit still arrives the least
                // lead ahead.
                if (until + left * pack + kLeastSubPictureLead <= pts) return;
                scr = lastScr + 1;
                if (scr >= until) return;
            }
            if (sent == 0 && !buffer.Fits(scr, size)) return;
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
            case PsItemKind::PackHeader:
                if (afterPack) insertBefore(item.scr);
                afterPack = true;
                lastScr = item.scr;
                packScr = item.scr;
                muxRate = item.muxRate;
                break;
            case PsItemKind::Packet:
                if (item.streamId == kPrivateStream1 && item.subStreamId >= kSubPictureSubStream &&
                    item.subStreamId < kSubPictureSubStream + kSubPictureStreams &&
                    used[item.subStreamId - kSubPictureSubStream])
                    throw ProgramStreamError("the program stream already has sub-picture stream " +
                                             StreamText(item.subStreamId - kSubPictureSubStream) +
                                             "; choose another stream number");
                if (IsVideo(item.streamId) && item.pts >= 0) {
                    if (item.pts > lastVideoPts) lastVideoPts = item.pts;
                    if (uint64_t(item.pts) > packScr)
                        videoLead = std::max(videoLead, uint64_t(item.pts) - packScr);
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
    while (next < order.size()) insertPack(lastScr + PackTicks(muxRate));
    if (heldEndCode) output.Write(endCode, sizeof endCode);

    for (size_t k = 0; k < order.size(); ++k)
        if (int64_t(ptsOf(k)) > lastVideoPts) ++report.pastEnd;
    report.lastVideoPts = lastVideoPts;
    return report;
}

MuxReport MuxSubPicturesIntoFile(const std::string& videoPath, const std::string& outputPath, int stream,
                                 const std::vector<TimedUnit>& units) {
    if (stream < 0 || stream >= kSubPictureStreams)
        throw std::invalid_argument("sub-picture stream number " + std::to_string(stream) +
                                    " outside 0 to 31");
    const int in = ::open(videoPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) ThrowFileError(errno);
    FdCloser inCloser{in};

    struct stat inStat {
    }, outStat{};
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
        BufferedFileSink out(CreateTemporaryBeside(outputPath, tempPath));
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
