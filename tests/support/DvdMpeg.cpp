#include "support/DvdMpeg.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#ifdef GLYPHON_HAVE_AVCODEC
extern "C" {
#include <libavformat/avformat.h>
}
#endif

#include <gtest/gtest.h>

namespace glyphon::test {

namespace {

// Bars rather than a moving picture, a low bit rate and one thread keep the
// encode to a few seconds of one core.
std::string MakeCommand(bool pal, const std::string& out, const char* aspect = "4:3") {
    const std::string size = pal ? "720x576:rate=25" : "720x480:rate=30000/1001";
    return "ffmpeg -nostdin -loglevel error -y -f lavfi -i smptebars=size=" + size +
           ":duration=60 -f lavfi -i sine=frequency=440:duration=60 -target " +
           std::string(pal ? "pal-dvd" : "ntsc-dvd") + " -aspect " + aspect +
           " -b:v 300k -motion_est zero -threads 1 '" + out + "'";
}

}  // namespace

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

namespace {

// Makes the film at path once (a lock keeps parallel test processes from
// making it twice).
void MakeOnce(const std::string& path, bool pal, const char* aspect) {
    if (std::filesystem::exists(path)) return;
    std::filesystem::create_directories(GLYPHON_MUX_DATA);
    const int lock = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + path);
    if (!std::filesystem::exists(path)) {
        const std::string part = path + ".part.mpg";
        if (!Run(MakeCommand(pal, part, aspect))) {
            ::close(lock);
            throw std::runtime_error("ffmpeg could not make " + path);
        }
        std::filesystem::rename(part, path);
    }
    ::close(lock);
}

}  // namespace

const std::string& WideDvdMpeg() {
    static const std::string path = std::string(GLYPHON_MUX_DATA) + "/pal-dvd-16x9-v1.mpg";
    MakeOnce(path, true, "16:9");
    return path;
}

const std::string& DvdMpeg(bool pal) {
    static const std::string paths[2] = {std::string(GLYPHON_MUX_DATA) + "/ntsc-dvd-v2.mpg",
                                         std::string(GLYPHON_MUX_DATA) + "/pal-dvd-v2.mpg"};
    const std::string& path = paths[pal ? 1 : 0];
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(GLYPHON_MUX_DATA);
    const int lock = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + path);
    if (!std::filesystem::exists(path)) {
        const std::string part = path + ".part.mpg";
        if (!Run(MakeCommand(pal, part))) {
            ::close(lock);
            throw std::runtime_error("ffmpeg could not make " + path);
        }
        std::filesystem::rename(part, path);
    }
    ::close(lock);
    return path;
}

std::vector<ProgramStreamPacket> DemuxProgramStream(const std::string& path) {
    std::vector<ProgramStreamPacket> packets;
#ifndef GLYPHON_HAVE_AVCODEC
    ADD_FAILURE() << "built without libavformat (scripts/install-deps installs it)";
#else
    AVFormatContext* ctx = nullptr;
    const AVInputFormat* mpeg = av_find_input_format("mpeg");
    if (avformat_open_input(&ctx, path.c_str(), mpeg, nullptr) != 0) {
        ADD_FAILURE() << "libavformat cannot open " << path;
        return packets;
    }
    AVPacket* pkt = av_packet_alloc();
    int status;
    while ((status = av_read_frame(ctx, pkt)) >= 0) {
        ProgramStreamPacket p;
        p.streamId = ctx->streams[pkt->stream_index]->id;
        p.pts = pkt->pts == AV_NOPTS_VALUE ? -1 : pkt->pts;
        p.dts = pkt->dts == AV_NOPTS_VALUE ? -1 : pkt->dts;
        p.data.assign(pkt->data, pkt->data + pkt->size);
        packets.push_back(std::move(p));
        av_packet_unref(pkt);
    }
    if (status != AVERROR_EOF) ADD_FAILURE() << "libavformat stopped reading " << path << " with " << status;
    av_packet_free(&pkt);
    avformat_close_input(&ctx);
#endif
    return packets;
}

std::vector<DemuxedUnit> UnitsOfStream(const std::vector<ProgramStreamPacket>& packets, int subStream) {
    std::vector<DemuxedUnit> units;
    size_t expected = 0;
    for (const ProgramStreamPacket& p : packets) {
        if (p.streamId != subStream) continue;
        if (p.pts >= 0 || units.empty() || units.back().bytes.size() >= expected) {
            units.push_back({p.pts, {}});
            expected = p.data.size() >= 2 ? (size_t(p.data[0]) << 8 | p.data[1]) : 0;
        }
        units.back().bytes.insert(units.back().bytes.end(), p.data.begin(), p.data.end());
    }
    return units;
}

}  // namespace glyphon::test
