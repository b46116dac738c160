#include "mux/PackWriter.h"

#include <algorithm>
#include <stdexcept>

namespace glyphon {

namespace {

constexpr uint64_t kClockMask = (uint64_t(1) << 33) - 1;
constexpr uint8_t kPrivateStream1 = 0xBD;
constexpr uint8_t kPaddingStream = 0xBE;
constexpr size_t kPesStartSize = 6;  // start code, stream id, packet length
constexpr size_t kPesFlagsSize = 3;  // two flag bytes and the header data length
constexpr size_t kPtsSize = 5;
constexpr size_t kSubStreamIdSize = 1;
// A padding packet is at least its own start code and length.
constexpr size_t kSmallestPadding = kPesStartSize;

size_t Overhead(bool withPts) {
    return kPackHeaderSize + kPesStartSize + kPesFlagsSize + (withPts ? kPtsSize : 0) + kSubStreamIdSize;
}

}  // namespace

std::array<uint8_t, kPackHeaderSize> PackHeader(uint64_t scr, uint32_t muxRate) {
    const uint64_t base = scr & kClockMask;
    const uint32_t ext = 0;
    return {
        0x00, 0x00, 0x01, 0xBA,  // pack start code
        // '01', SCR base 32..30, marker, SCR base 29..28
        uint8_t(0x40 | ((base >> 27) & 0x38) | 0x04 | ((base >> 28) & 0x03)),
        uint8_t(base >> 20),  // SCR base 27..20
        // SCR base 19..15, marker, SCR base 14..13
        uint8_t(((base >> 12) & 0xF8) | 0x04 | ((base >> 13) & 0x03)),
        uint8_t(base >> 5),  // SCR base 12..5
        // SCR base 4..0, marker, SCR extension 8..7
        uint8_t(((base << 3) & 0xF8) | 0x04 | ((ext >> 7) & 0x03)),
        uint8_t(((ext << 1) & 0xFE) | 0x01),      // SCR extension 6..0, marker
        uint8_t(muxRate >> 14),                   // mux rate 21..14
        uint8_t(muxRate >> 6),                    // mux rate 13..6
        uint8_t(((muxRate << 2) & 0xFC) | 0x03),  // mux rate 5..0, two markers
        0xF8,                                     // five reserved bits, pack stuffing length 0
    };
}

std::array<uint8_t, 5> PtsField(uint64_t pts) {
    const uint64_t t = pts & kClockMask;
    return {
        uint8_t(0x20 | ((t >> 29) & 0x0E) | 0x01),  // '0010', PTS 32..30, marker
        uint8_t(t >> 22),                           // PTS 29..22
        uint8_t(((t >> 14) & 0xFE) | 0x01),         // PTS 21..15, marker
        uint8_t(t >> 7),                            // PTS 14..7
        uint8_t(((t << 1) & 0xFE) | 0x01),          // PTS 6..0, marker
    };
}

size_t SubPicturePayloadCapacity(bool withPts) { return kPackSize - Overhead(withPts); }

size_t SubPicturePackCount(size_t unitSize) {
    const size_t first = SubPicturePayloadCapacity(true);
    if (unitSize <= first) return 1;
    const size_t other = SubPicturePayloadCapacity(false);
    return 1 + (unitSize - first + other - 1) / other;
}

void PackWriter::WriteSubPicturePack(uint64_t scr, int stream, std::optional<uint64_t> pts,
                                     const uint8_t* payload, size_t size) {
    if (stream < 0 || stream >= kSubPictureStreams)
        throw std::invalid_argument("sub-picture stream number outside 0..31");
    if (size > SubPicturePayloadCapacity(pts.has_value()))
        throw std::invalid_argument("more sub-picture bytes than one pack holds");

    std::array<uint8_t, kPackSize> pack;
    pack.fill(0xFF);
    size_t at = 0;
    const auto put = [&](uint8_t b) { pack[at++] = b; };

    const auto header = PackHeader(scr, muxRate_);
    std::copy(header.begin(), header.end(), pack.begin());
    at = header.size();

    // What is left after the payload: a padding packet when it can hold its
    // own header, otherwise stuffing bytes inside this packet's header.
    const size_t left = kPackSize - Overhead(pts.has_value()) - size;
    const size_t stuffing = left < kSmallestPadding ? left : 0;
    const size_t headerData = (pts ? kPtsSize : 0) + stuffing;
    const size_t packetLength = kPesFlagsSize + headerData + kSubStreamIdSize + size;

    put(0x00), put(0x00), put(0x01), put(kPrivateStream1);        // packet start code, stream id
    put(uint8_t(packetLength >> 8)), put(uint8_t(packetLength));  // bytes after this field
    put(0x81);                 // '10', not scrambled, no priority, no alignment flag, no copyright, original
    put(pts ? 0x80 : 0x00);    // PTS only; no ESCR, rate, trick mode, CRC or extension
    put(uint8_t(headerData));  // PTS and stuffing bytes that follow
    if (pts) {
        const auto field = PtsField(*pts);
        std::copy(field.begin(), field.end(), pack.begin() + at);
        at += field.size();
    }
    at += stuffing;               // already 0xFF
    put(uint8_t(0x20 + stream));  // sub-stream id: sub-picture stream
    if (size > 0) std::copy(payload, payload + size, pack.begin() + at);
    at += size;

    if (left >= kSmallestPadding) {
        const size_t padLength = left - kPesStartSize;
        put(0x00), put(0x00), put(0x01), put(kPaddingStream);   // padding packet start code
        put(uint8_t(padLength >> 8)), put(uint8_t(padLength));  // 0xFF bytes that follow
    }
    sink_.Write(pack.data(), pack.size());
}

size_t PackWriter::WriteSubPictureUnit(const uint8_t* unit, size_t size, uint64_t pts, int stream,
                                       const std::function<uint64_t(size_t)>& scrOfPack) {
    size_t done = 0, packs = 0;
    do {
        const bool first = packs == 0;
        const size_t n = std::min(size - done, SubPicturePayloadCapacity(first));
        WriteSubPicturePack(scrOfPack(packs), stream, first ? std::optional<uint64_t>(pts) : std::nullopt,
                            unit + done, n);
        done += n;
        ++packs;
    } while (done < size);
    return packs;
}

}  // namespace glyphon
