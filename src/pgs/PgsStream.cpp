#include "pgs/PgsStream.h"

#include <algorithm>

#include "sup/SupWriter.h"

namespace glyphon {

namespace {

void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void Put24(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v >> 16));
    Put16(out, v & 0xFFFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

constexpr uint8_t kEpochStart = 0x80;
constexpr uint8_t kNormalCase = 0x00;

std::vector<uint8_t> CompositionPayload(const PgsVideo& video, uint16_t composition, uint8_t state,
                                        const PgsObject* object) {
    std::vector<uint8_t> p;
    Put16(p, unsigned(video.width));
    Put16(p, unsigned(video.height));
    p.push_back(video.frameRate);
    Put16(p, composition);
    p.push_back(state);
    p.push_back(0x00);  // no palette-only update
    p.push_back(0x00);  // palette id
    p.push_back(object ? 1 : 0);
    if (object) {
        Put16(p, 0);        // object id
        p.push_back(0);     // window id
        p.push_back(0x00);  // not cropped
        Put16(p, unsigned(object->x));
        Put16(p, unsigned(object->y));
    }
    return p;
}

std::vector<uint8_t> WindowPayload(const PgsObject& object) {
    std::vector<uint8_t> p;
    p.push_back(1);  // one window
    p.push_back(0);  // window id
    Put16(p, unsigned(object.x));
    Put16(p, unsigned(object.y));
    Put16(p, unsigned(object.width));
    Put16(p, unsigned(object.height));
    return p;
}

}  // namespace

std::optional<uint8_t> PgsFrameRateCode(const std::string& rate) {
    if (rate == "23.976" || rate == "24000/1001") return 0x10;
    if (rate == "24") return 0x20;
    if (rate == "25") return 0x30;
    if (rate == "29.97" || rate == "30000/1001") return 0x40;
    if (rate == "50") return 0x60;
    if (rate == "59.94" || rate == "60000/1001") return 0x70;
    return std::nullopt;
}

uint8_t DefaultPgsFrameRate(int height) {
    if (height == 576) return 0x30;
    if (height == 480) return 0x40;
    return 0x10;
}

std::vector<uint8_t> EncodePgsRle(const uint8_t* pixels, int width, int height) {
    std::vector<uint8_t> out;
    out.reserve(size_t(width) * size_t(height) / 4 + size_t(height) * 2 + 16);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + size_t(y) * size_t(width);
        int x = 0;
        while (x < width) {
            const uint8_t c = row[x];
            int run = 1;
            while (x + run < width && row[x + run] == c && run < 16383) ++run;
            x += run;
            if (c == 0) {
                out.push_back(0);
                if (run < 64) {
                    out.push_back(uint8_t(run));
                } else {
                    out.push_back(uint8_t(0x40 | (run >> 8)));
                    out.push_back(uint8_t(run));
                }
            } else if (run < 3) {
                out.insert(out.end(), size_t(run), c);
            } else if (run < 64) {
                out.push_back(0);
                out.push_back(uint8_t(0x80 | run));
                out.push_back(c);
            } else {
                out.push_back(0);
                out.push_back(uint8_t(0xC0 | (run >> 8)));
                out.push_back(uint8_t(run));
                out.push_back(c);
            }
        }
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

void AppendPgsSegment(std::vector<uint8_t>& out, uint8_t type, uint32_t pts, const std::vector<uint8_t>& payload) {
    out.push_back('P');
    out.push_back('G');
    Put32(out, pts);
    Put32(out, 0);  // decoding time: not used by players of these streams
    out.push_back(type);
    Put16(out, unsigned(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<uint8_t> PgsShowSet(const PgsVideo& video, uint16_t composition, uint32_t pts, const PgsObject& object,
                                const std::vector<PgsColor>& palette) {
    std::vector<uint8_t> set;
    AppendPgsSegment(set, kPgsComposition, pts, CompositionPayload(video, composition, kEpochStart, &object));
    AppendPgsSegment(set, kPgsWindow, pts, WindowPayload(object));

    std::vector<uint8_t> p;
    p.push_back(0);  // palette id
    p.push_back(0);  // version
    for (size_t i = 0; i < palette.size() && i < 256; ++i) {
        p.push_back(uint8_t(i));
        p.push_back(palette[i].y);
        p.push_back(palette[i].cr);
        p.push_back(palette[i].cb);
        p.push_back(palette[i].alpha);
    }
    AppendPgsSegment(set, kPgsPalette, pts, p);

    // The object's data: its length (which counts the width and height),
    // width, height, then the coded rows, cut into segments of at most
    // 65,535 bytes; the first carries the length, the last is flagged.
    const std::vector<uint8_t> rle = EncodePgsRle(object.pixels.data(), object.width, object.height);
    std::vector<uint8_t> data;
    Put24(data, unsigned(rle.size() + 4));
    Put16(data, unsigned(object.width));
    Put16(data, unsigned(object.height));
    data.insert(data.end(), rle.begin(), rle.end());
    constexpr size_t kMaxFragment = 65535 - 4;  // after object id, version and sequence flags
    size_t at = 0;
    do {
        const size_t n = std::min(kMaxFragment, data.size() - at);
        uint8_t flags = 0;
        if (at == 0) flags |= 0x80;
        if (at + n == data.size()) flags |= 0x40;
        p.clear();
        Put16(p, 0);     // object id
        p.push_back(0);  // version
        p.push_back(flags);
        p.insert(p.end(), data.begin() + ptrdiff_t(at), data.begin() + ptrdiff_t(at + n));
        AppendPgsSegment(set, kPgsObject, pts, p);
        at += n;
    } while (at < data.size());

    AppendPgsSegment(set, kPgsEnd, pts, {});
    return set;
}

std::vector<uint8_t> PgsClearSet(const PgsVideo& video, uint16_t composition, uint32_t pts, const PgsObject& shown) {
    std::vector<uint8_t> set;
    AppendPgsSegment(set, kPgsComposition, pts, CompositionPayload(video, composition, kNormalCase, nullptr));
    AppendPgsSegment(set, kPgsWindow, pts, WindowPayload(shown));
    AppendPgsSegment(set, kPgsEnd, pts, {});
    return set;
}

void PgsWriter::Create(const std::string& path, const PgsVideo& video) {
    file_.Create(path);
    video_ = video;
    composition_ = 0;
    clearPending_ = false;
}

void PgsWriter::Put(const std::vector<uint8_t>& set) {
    const uint64_t end = file_.Position();
    try {
        file_.Write(set.data(), set.size());
    } catch (...) {
        try {
            file_.Truncate(end);
        } catch (...) {
        }
        throw;
    }
    ++composition_;
}

void PgsWriter::WritePendingClear() {
    if (!clearPending_) return;
    Put(PgsClearSet(video_, composition_, clearPts_, shown_));
    clearPending_ = false;
}

void PgsWriter::Show(int64_t startMs, int64_t endMs, const PgsObject& object, const std::vector<PgsColor>& palette) {
    if (object.Empty()) return;
    const uint32_t start = PresentationTime(startMs);
    const uint32_t end = std::max(start, PresentationTime(endMs));
    // A subtitle still shown when this one starts is replaced by it.
    if (clearPending_ && clearPts_ <= start) WritePendingClear();
    clearPending_ = false;
    Put(PgsShowSet(video_, composition_, start, object, palette));
    shown_.x = object.x;
    shown_.y = object.y;
    shown_.width = object.width;
    shown_.height = object.height;
    clearPending_ = true;
    clearPts_ = end;
}

void PgsWriter::Close() {
    if (!file_.IsOpen()) return;
    try {
        WritePendingClear();
    } catch (...) {
        try {
            file_.Close();
        } catch (...) {
        }
        throw;
    }
    file_.Close();
}

}  // namespace glyphon
