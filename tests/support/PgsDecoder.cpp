#include "support/PgsDecoder.h"

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

}  // namespace

DecodedPgs DecodePgs(const std::string& path) {
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
        DecodedPgs result;
        result.format = format->iformat->name;
        int index = -1;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) index = int(i);
        if (index < 0) throw std::runtime_error("no subtitle stream in " + path);
        const AVStream* stream = format->streams[index];
        result.codec = avcodec_get_name(stream->codecpar->codec_id);
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec) throw std::runtime_error("no decoder for " + result.codec);
        decoder = avcodec_alloc_context3(codec);
        Check(avcodec_parameters_to_context(decoder, stream->codecpar), "decoder parameters");
        decoder->pkt_timebase = stream->time_base;
        Check(avcodec_open2(decoder, codec, nullptr), "opening the decoder");
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == index) {
                AVSubtitle sub{};
                int got = 0;
                Check(avcodec_decode_subtitle2(decoder, &sub, &got, packet), "decoding a display set");
                if (got) {
                    DecodedPgsSubtitle s;
                    s.pts = av_rescale_q(packet->pts, stream->time_base, AVRational{1, 90000});
                    for (unsigned r = 0; r < sub.num_rects; ++r) {
                        const AVSubtitleRect* rect = sub.rects[r];
                        if (rect->type != SUBTITLE_BITMAP) continue;
                        DecodedPgsRect d;
                        d.x = rect->x, d.y = rect->y, d.width = rect->w, d.height = rect->h;
                        for (int y = 0; y < rect->h; ++y)
                            d.indices.insert(d.indices.end(), rect->data[0] + y * rect->linesize[0],
                                             rect->data[0] + y * rect->linesize[0] + rect->w);
                        const auto* colours = reinterpret_cast<const uint32_t*>(rect->data[1]);
                        d.palette.assign(colours, colours + rect->nb_colors);
                        s.rects.push_back(std::move(d));
                    }
                    result.subtitles.push_back(std::move(s));
                    avsubtitle_free(&sub);
                }
            }
            av_packet_unref(packet);
        }
        done();
        return result;
    } catch (...) {
        done();
        throw;
    }
}

#else

DecodedPgs DecodePgs(const std::string&) { throw std::runtime_error("built without libavformat"); }

#endif

}  // namespace glyphon::test
