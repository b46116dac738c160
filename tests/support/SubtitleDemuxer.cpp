#include "support/SubtitleDemuxer.h"

#include <stdexcept>

#ifdef GLYPHON_HAVE_AVCODEC
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}
#endif

namespace glyphon::test {

#ifdef GLYPHON_HAVE_AVCODEC

namespace {

void Check(int rc, const std::string& what) {
    if (rc < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(rc, text, sizeof text);
        throw std::runtime_error(what + ": " + text);
    }
}

std::array<uint32_t, 4> Decode(AVCodecContext* decoder, AVPacket* packet) {
    std::array<uint32_t, 4> rgb{};
    AVSubtitle sub{};
    int got = 0;
    Check(avcodec_decode_subtitle2(decoder, &sub, &got, packet), "decoding a unit");
    if (got && sub.num_rects >= 1 && sub.rects[0]->type == SUBTITLE_BITMAP) {
        const auto* colours = reinterpret_cast<const uint32_t*>(sub.rects[0]->data[1]);
        for (int i = 0; i < 4 && i < sub.rects[0]->nb_colors; ++i) rgb[size_t(i)] = colours[i] & 0xFFFFFF;
    }
    if (got) avsubtitle_free(&sub);
    return rgb;
}

}  // namespace

DemuxedSubtitles DemuxSubtitles(const std::string& path) {
    AVFormatContext* format = nullptr;
    Check(avformat_open_input(&format, path.c_str(), nullptr, nullptr), "opening " + path);
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = av_packet_alloc();
    const auto done = [&] {
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
    };
    try {
        Check(avformat_find_stream_info(format, nullptr), "reading stream information");
        DemuxedSubtitles result;
        result.format = format->iformat->name;
        int index = -1;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) index = int(i);
        if (index >= 0) {
            const AVStream* stream = format->streams[index];
            result.codec = avcodec_get_name(stream->codecpar->codec_id);
            result.width = stream->codecpar->width;
            result.height = stream->codecpar->height;
            const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
            if (!codec) throw std::runtime_error("no decoder for " + result.codec);
            decoder = avcodec_alloc_context3(codec);
            Check(avcodec_parameters_to_context(decoder, stream->codecpar), "decoder parameters");
            Check(avcodec_open2(decoder, codec, nullptr), "opening the decoder");
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == index) {
                    DemuxedPacket p;
                    p.ptsMs = av_rescale_q(packet->pts, stream->time_base, AVRational{1, 1000});
                    p.data.assign(packet->data, packet->data + packet->size);
                    p.rgb = Decode(decoder, packet);
                    result.packets.push_back(std::move(p));
                }
                av_packet_unref(packet);
            }
        }
        done();
        return result;
    } catch (...) {
        done();
        throw;
    }
}

std::vector<DemuxedCue> DemuxTextCues(const std::string& path) {
    AVFormatContext* format = nullptr;
    Check(avformat_open_input(&format, path.c_str(), nullptr, nullptr), "opening " + path);
    AVPacket* packet = av_packet_alloc();
    std::vector<DemuxedCue> cues;
    const int rc = avformat_find_stream_info(format, nullptr);
    while (rc >= 0 && av_read_frame(format, packet) >= 0) {
        const AVStream* stream = format->streams[packet->stream_index];
        const AVRational ms{1, 1000};
        std::string text(reinterpret_cast<const char*>(packet->data), size_t(packet->size));
        while (!text.empty() && text.back() == '\0') text.pop_back();
        cues.push_back({av_rescale_q(packet->pts, stream->time_base, ms),
                        av_rescale_q(packet->pts + packet->duration, stream->time_base, ms),
                        std::move(text)});
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    Check(rc, "reading stream information");
    return cues;
}

std::vector<std::pair<int64_t, int64_t>> DemuxTextCueTimes(const std::string& path) {
    std::vector<std::pair<int64_t, int64_t>> times;
    for (const DemuxedCue& c : DemuxTextCues(path)) times.emplace_back(c.startMs, c.endMs);
    return times;
}

#else

std::vector<DemuxedCue> DemuxTextCues(const std::string&) {
    throw std::runtime_error("built without libavformat");
}

std::vector<std::pair<int64_t, int64_t>> DemuxTextCueTimes(const std::string&) {
    throw std::runtime_error("built without libavformat");
}

DemuxedSubtitles DemuxSubtitles(const std::string&) { throw std::runtime_error("built without libavformat"); }

#endif

}  // namespace glyphon::test
