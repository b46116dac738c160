#include "gui/FilmFrame.h"

#include <algorithm>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

namespace glyphon {

namespace {

struct InputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

uint8_t Clamp8(int v) { return uint8_t(std::clamp(v, 0, 255)); }

// A planar 4:2:0 or 4:2:2 frame (what DVD and Blu-ray video decode to) as
// RGB, each target pixel from its nearest source pixel.
std::optional<Frame> ToRgb(const AVFrame& f, int width, int height) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(f.format));
    if (!d || (d->flags & AV_PIX_FMT_FLAG_RGB) || d->nb_components < 3 || d->comp[0].depth != 8 ||
        !(d->flags & AV_PIX_FMT_FLAG_PLANAR) || f.width <= 0 || f.height <= 0)
        return std::nullopt;
    const bool fullRange = f.color_range == AVCOL_RANGE_JPEG || f.format == AV_PIX_FMT_YUVJ420P ||
                           f.format == AV_PIX_FMT_YUVJ422P || f.format == AV_PIX_FMT_YUVJ444P;
    Frame out(width, height);
    for (int y = 0; y < height; ++y) {
        const int sy = int(int64_t(y) * f.height / height);
        const uint8_t* yRow = f.data[0] + ptrdiff_t(sy) * f.linesize[0];
        const uint8_t* uRow = f.data[1] + ptrdiff_t(sy >> d->log2_chroma_h) * f.linesize[1];
        const uint8_t* vRow = f.data[2] + ptrdiff_t(sy >> d->log2_chroma_h) * f.linesize[2];
        uint32_t* row = out.Row(y);
        for (int x = 0; x < width; ++x) {
            const int sx = int(int64_t(x) * f.width / width);
            const int cx = sx >> d->log2_chroma_w;
            // Fixed point with 16 fraction bits.
            const int yy = fullRange ? yRow[sx] * 65536 : (yRow[sx] - 16) * 76309;
            const int cb = uRow[cx] - 128, cr = vRow[cx] - 128;
            const int r = fullRange ? yy + 91881 * cr : yy + 104597 * cr;
            const int g = fullRange ? yy - 22554 * cb - 46802 * cr : yy - 25675 * cb - 53279 * cr;
            const int b = fullRange ? yy + 116130 * cb : yy + 132201 * cb;
            row[x] =
                Rgb{Clamp8((r + 32768) >> 16), Clamp8((g + 32768) >> 16), Clamp8((b + 32768) >> 16)}.Packed();
        }
    }
    return out;
}

}  // namespace

std::optional<Frame> FilmFrameAt(const std::string& film, int64_t ms, int width, int height) {
    // The window has no console to warn on (a film's missing start time).
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, film.c_str(), nullptr, nullptr) < 0) return std::nullopt;
    const std::unique_ptr<AVFormatContext, InputCloser> input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) return std::nullopt;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return std::nullopt;
    AVStream* stream = input->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return std::nullopt;
    const std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return std::nullopt;

    // Times count from the film's first frame, as the subtitles' do once muxed.
    const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    const int64_t target = start + av_rescale_q(ms, AVRational{1, 1000}, stream->time_base);
    const std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    const std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    const std::unique_ptr<AVFrame, FrameFreer> shown(av_frame_alloc());
    // A program stream seeks by its bytes, so a seek may land after the
    // time: back a second before it, then further, then from the start,
    // until the first frame decoded is not later than the time.
    for (const int64_t back : {int64_t(1000), int64_t(8000), int64_t(-1)}) {
        const int64_t from =
            back < 0 ? start
                     : std::max(start, target - av_rescale_q(back, AVRational{1, 1000}, stream->time_base));
        const int sought = back < 0 ? av_seek_frame(input.get(), -1, 0, AVSEEK_FLAG_BYTE)
                                    : av_seek_frame(input.get(), index, from, AVSEEK_FLAG_BACKWARD);
        if (sought < 0) continue;
        avcodec_flush_buffers(decoder.get());
        av_frame_unref(shown.get());
        bool have = false, done = false, late = false;
        const auto take = [&] {
            while (!done && avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
                const int64_t pts = frame->best_effort_timestamp;
                if (frame->flags & AV_FRAME_FLAG_CORRUPT) continue;  // references lost in the seek
                // The frame before the first one past the time is on screen then.
                // Read from the start, the first frame stands for any time
                // before it.
                if (pts != AV_NOPTS_VALUE && pts > target && (have || back >= 0)) {
                    late = !have;
                    done = true;
                    break;
                }
                av_frame_unref(shown.get());
                av_frame_move_ref(shown.get(), frame.get());
                have = true;
                if (pts != AV_NOPTS_VALUE && pts >= target) done = true;
            }
        };
        while (!done && av_read_frame(input.get(), packet.get()) >= 0) {
            if (packet->stream_index == index) avcodec_send_packet(decoder.get(), packet.get());
            av_packet_unref(packet.get());
            take();
        }
        if (!done) {
            avcodec_send_packet(decoder.get(), nullptr);
            take();
        }
        // Past the film's end its last frame stays; a first frame after the
        // time means the seek went too far.
        if (have && !late) return ToRgb(*shown, width, height);
    }
    return std::nullopt;
}

}  // namespace glyphon
