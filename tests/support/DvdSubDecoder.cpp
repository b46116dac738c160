#include "support/DvdSubDecoder.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#ifdef GLYPHON_HAVE_AVCODEC
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
}
#endif

namespace glyphon::test {

int DecodedSubPicture::CodeAt(int frameX, int frameY) const {
    if (frameX < x || frameY < y || frameX >= x + w || frameY >= y + h) return 0;
    return codes[size_t(frameY - y)][size_t(frameX - x)];
}

#ifdef GLYPHON_HAVE_AVCODEC

struct DvdSubDecoder::Impl {
    AVCodecContext* context = nullptr;
};

bool DvdSubDecoderAvailable() { return true; }

DvdSubDecoder::DvdSubDecoder(std::optional<std::array<uint32_t, 16>> palette) : palette_(palette) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVD_SUBTITLE);
    if (!codec) throw std::runtime_error("libavcodec has no DVD subtitle decoder");
    impl_ = new Impl;
    impl_->context = avcodec_alloc_context3(codec);
    AVDictionary* options = nullptr;
    if (palette_) {
        std::string text;
        for (uint32_t entry : *palette_) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%06x", unsigned(entry & 0xFFFFFF));
            if (!text.empty()) text += ',';
            text += hex;
        }
        av_dict_set(&options, "palette", text.c_str(), 0);
    }
    const int rc = avcodec_open2(impl_->context, codec, &options);
    av_dict_free(&options);
    if (rc < 0) {
        avcodec_free_context(&impl_->context);
        delete impl_;
        impl_ = nullptr;
        throw std::runtime_error("cannot open the DVD subtitle decoder");
    }
}

DvdSubDecoder::~DvdSubDecoder() {
    if (impl_) {
        avcodec_free_context(&impl_->context);
        delete impl_;
    }
}

std::optional<DecodedSubPicture> DvdSubDecoder::Decode(const std::vector<uint8_t>& unit) {
    // The decoder reads its input with padding behind the end.
    std::vector<uint8_t> data(unit.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::copy(unit.begin(), unit.end(), data.begin());
    AVPacket* packet = av_packet_alloc();
    packet->data = data.data();
    packet->size = int(unit.size());
    AVSubtitle sub{};
    int got = 0;
    const int rc = avcodec_decode_subtitle2(impl_->context, &sub, &got, packet);
    av_packet_free(&packet);
    if (rc < 0) throw std::runtime_error("the DVD subtitle decoder rejected the unit");
    if (!got) return std::nullopt;

    std::optional<DecodedSubPicture> result;
    if (sub.num_rects >= 1 && sub.rects[0]->type == SUBTITLE_BITMAP) {
        const AVSubtitleRect& rect = *sub.rects[0];
        DecodedSubPicture pic;
        pic.x = rect.x;
        pic.y = rect.y;
        pic.w = rect.w;
        pic.h = rect.h;
        pic.startMs = sub.start_display_time;
        pic.forced = (rect.flags & AV_SUBTITLE_FLAG_FORCED) != 0;
        pic.endMs = sub.end_display_time;
        pic.codes.assign(size_t(rect.h), std::vector<uint8_t>(size_t(rect.w)));
        for (int r = 0; r < rect.h; ++r)
            for (int c = 0; c < rect.w; ++c)
                pic.codes[size_t(r)][size_t(c)] =
                    rect.data[0][size_t(r) * size_t(rect.linesize[0]) + size_t(c)];
        const auto* colours = reinterpret_cast<const uint32_t*>(rect.data[1]);
        for (int i = 0; i < 4 && i < rect.nb_colors; ++i) {
            pic.argb[size_t(i)] = colours[i];
            if (palette_)
                for (int e = 0; e < 16; ++e)
                    if (((*palette_)[size_t(e)] & 0xFFFFFF) == (colours[i] & 0xFFFFFF)) {
                        pic.paletteEntry[size_t(i)] = e;
                        break;
                    }
        }
        result = std::move(pic);
    }
    avsubtitle_free(&sub);
    return result;
}

#else

struct DvdSubDecoder::Impl {};

bool DvdSubDecoderAvailable() { return false; }

DvdSubDecoder::DvdSubDecoder(std::optional<std::array<uint32_t, 16>> palette) : palette_(palette) {}
DvdSubDecoder::~DvdSubDecoder() = default;

std::optional<DecodedSubPicture> DvdSubDecoder::Decode(const std::vector<uint8_t>&) {
    throw std::runtime_error("built without libavcodec");
}

#endif

std::vector<SupRecord> SplitSupFile(const std::string& bytes) {
    std::vector<SupRecord> records;
    size_t pos = 0;
    auto byte = [&](size_t i) { return uint8_t(bytes[i]); };
    while (pos < bytes.size()) {
        if (bytes.size() - pos < 14 || bytes[pos] != 'S' || bytes[pos + 1] != 'P')
            throw std::runtime_error("no record header at byte " + std::to_string(pos));
        SupRecord record;
        record.pts = uint32_t(byte(pos + 2)) | uint32_t(byte(pos + 3)) << 8 | uint32_t(byte(pos + 4)) << 16 |
                     uint32_t(byte(pos + 5)) << 24;
        const size_t size = size_t(byte(pos + 10)) << 8 | byte(pos + 11);
        if (size < 4 || bytes.size() - pos - 10 < size)
            throw std::runtime_error("record at byte " + std::to_string(pos) + " is cut short");
        record.unit.assign(bytes.begin() + long(pos + 10), bytes.begin() + long(pos + 10 + size));
        records.push_back(std::move(record));
        pos += 10 + size;
    }
    return records;
}

}  // namespace glyphon::test
