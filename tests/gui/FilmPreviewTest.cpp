// With a film chosen, the preview shows the film's own frame at the selected
// subtitle's time: compared with the frame libavcodec decodes there.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "app/TForm1.h"
#include "gui/FilmFrame.h"
#include "support/DvdMpeg.h"
#include "support/FakeTextEngine.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

// The window's Ui for the preview: the film decoded as the Qt view decodes it.
struct FilmUi : FakeUi {
    std::optional<Frame> FilmFrame(const std::string& film, int64_t ms, int width, int height) override {
        return FilmFrameAt(film, ms, width, height);
    }
};

struct Luma {
    int width = 0, height = 0;
    std::vector<uint8_t> y;
};

// The luma plane of the last frame starting at or before `ms` after the
// first, read by libavformat and decoded by libavcodec frame by frame.
Luma DecodedLumaAt(const std::string& film, int64_t ms) {
    AVFormatContext* in = nullptr;
    EXPECT_EQ(avformat_open_input(&in, film.c_str(), nullptr, nullptr), 0);
    avformat_find_stream_info(in, nullptr);
    const int index = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVStream* stream = in->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, stream->codecpar);
    avcodec_open2(dec, codec, nullptr);
    const int64_t target = stream->start_time + av_rescale_q(ms, {1, 1000}, stream->time_base);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    Luma kept;
    const auto drain = [&] {
        while (avcodec_receive_frame(dec, frame) == 0) {
            if (frame->best_effort_timestamp <= target) {
                kept = {frame->width, frame->height, {}};
                for (int r = 0; r < frame->height; ++r)
                    kept.y.insert(kept.y.end(), frame->data[0] + r * frame->linesize[0],
                                  frame->data[0] + r * frame->linesize[0] + frame->width);
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(in, packet) == 0) {
        if (packet->stream_index == index) avcodec_send_packet(dec, packet);
        av_packet_unref(packet);
        drain();
    }
    avcodec_send_packet(dec, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&dec);
    avformat_close_input(&in);
    return kept;
}

// Share of the pixels whose luma (BT.601 from the shown RGB) is within 3 of
// the decoded one.
double MatchingShare(const Frame& shown, const Luma& decoded) {
    int64_t close = 0, all = 0;
    for (int y = 0; y < shown.Height(); ++y) {
        for (int x = 0; x < shown.Width(); ++x) {
            const Rgb c = shown.At(x, y);
            const double luma = 16 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255;
            close += std::abs(luma - decoded.y[size_t(y) * size_t(decoded.width) + size_t(x)]) <= 3;
            ++all;
        }
    }
    return double(close) / double(all);
}

}  // namespace

TEST(FilmPreview, ShowsTheFilmsFrameAtTheSelectedSubtitlesTime) {
    TempDir dir;
    const std::string film = dir.File("moving.mpg");
    ASSERT_TRUE(
        test::Run("ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=720x576:rate=25:duration=4 "
                  "-target pal-dvd -aspect 16:9 -b:v 2000k -threads 1 '" +
                  film + "'"))
        << "ffmpeg (scripts/install-deps)";
    FilmUi ui;
    FakeTextEngine text;
    AppEnvironment env;
    env.programDir = dir.path() + "/";
    env.settingsPath = dir.File("Glyphon_Settings.ini");
    env.args = {"glyphon"};
    env.installedFamilies = {"Liberation Sans"};
    TForm1 form(ui, text, env);
    form.FormCreate();
    form.FormShow();
    form.FormActivate();
    form.OpenSubtitleFile(dir.Write("moving.srt",
                                    "1\n00:00:00,400 --> 00:00:01,000\nfirst\n\n"
                                    "2\n00:00:02,720 --> 00:00:03,500\nsecond\n\n"));
    ASSERT_TRUE(form.SubtitleLoaded);
    ui.dialogAnswers.push_back(film);
    form.CheckBoxMux.checked = true;
    form.CheckBoxMuxClick();
    ASSERT_EQ(form.Mux.video, film);
    EXPECT_TRUE(form.Widescreen);

    std::vector<Frame> shown;
    for (const auto& [entry, ms] : {std::pair{0, 400}, std::pair{1, 2720}}) {
        form.ListBox1Select(entry);
        const Luma decoded = DecodedLumaAt(film, ms);
        ASSERT_EQ(decoded.width, form.preview.Width());
        ASSERT_EQ(decoded.height, form.preview.Height());
        // Everything but the subtitle and colours beyond RGB is the film's
        // frame, and it is that frame rather than its neighbours.
        const double share = MatchingShare(form.preview, decoded);
        EXPECT_GT(share, 0.95) << ms;
        for (const int next : {-40, 40})
            EXPECT_GT(share, MatchingShare(form.preview, DecodedLumaAt(film, ms + next)) + 0.03) << ms + next;
        shown.push_back(form.preview);
    }
    // The two times show two different frames.
    EXPECT_NE(shown[0].Pixels(), shown[1].Pixels());
}

}  // namespace glyphon::test
