#include "mux/ProgramStreamReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/FileError.h"

namespace glyphon {

namespace {

// Room for the largest item (6 + 65,535 bytes) and for reading ahead in
// blocks large enough that copying a stream through costs few system calls.
constexpr size_t kBufferSize = 256 * 1024;
constexpr size_t kLargestItem = 6 + 65535;

// MPEG-2 pack header: start code, 6 bytes of SCR, 3 of mux rate, 1 with the
// stuffing length.
constexpr size_t kMpeg2PackHeaderSize = 14;

// Streams whose packets carry no PES header extension: the payload starts
// right after the length field.
bool HasNoPesHeader(uint8_t id) {
    return id == 0xBC                             // program stream map
           || id == kPaddingStream || id == 0xBF  // private stream 2 (DVD navigation)
           || id == 0xF0 || id == 0xF1            // ECM, EMM
           || id == 0xF2                          // DSM-CC
           || id == 0xF8                          // H.222.1 type E
           || id == 0xFF;                         // program stream directory
}

// A 33-bit time stamp spread over five bytes with marker bits, as PTS, DTS
// and (shifted) the SCR base are stored.
int64_t ReadTimestamp(const uint8_t* p) {
    return (int64_t(p[0] & 0x0E) << 29) | (int64_t(p[1]) << 22) | (int64_t(p[2] & 0xFE) << 14) |
           (int64_t(p[3]) << 7) | (int64_t(p[4]) >> 1);
}

std::string Offset(uint64_t offset) { return "byte " + std::to_string(offset); }

}  // namespace

size_t FdSource::Read(uint8_t* data, size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd_, data, size);
        if (n >= 0) return size_t(n);
        if (errno != EINTR) ThrowFileError(errno);
    }
}

size_t MemorySource::Read(uint8_t* data, size_t size) {
    const size_t n = std::min(size, size_);
    if (n) std::memcpy(data, data_, n);
    data_ += n;
    size_ -= n;
    return n;
}

ProgramStreamReader::ProgramStreamReader(ByteSource& source) : source_(source), buffer_(kBufferSize) {}

bool ProgramStreamReader::Ensure(size_t n) {
    if (end_ - begin_ >= n) return true;
    if (buffer_.size() - begin_ < std::max(n, kLargestItem)) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    while (end_ - begin_ < n && !atEnd_) {
        const size_t got = source_.Read(buffer_.data() + end_, buffer_.size() - end_);
        if (got == 0) atEnd_ = true;
        end_ += got;
    }
    return end_ - begin_ >= n;
}

void ProgramStreamReader::Fail(const std::string& what) const { throw ProgramStreamError(what); }

void ProgramStreamReader::Truncated() const {
    Fail("the program stream is truncated: it ends inside the item at " + Offset(offset_));
}

bool ProgramStreamReader::Next(PsItem& item) {
    if (!Ensure(4)) {
        if (end_ == begin_ && !first_) return false;
        if (first_) Fail("not an MPEG program stream: it does not start with a pack header");
        Truncated();
    }
    const uint8_t* p = buffer_.data() + begin_;
    if (p[0] != 0 || p[1] != 0 || p[2] != 1 || p[3] < kEndCode) {
        if (first_) Fail("not an MPEG program stream: it does not start with a pack header");
        Fail("the program stream is damaged: no start code at " + Offset(offset_));
    }
    const uint8_t code = p[3];
    if (first_ && code != kPackStart)
        Fail("not an MPEG program stream: it does not start with a pack header");
    first_ = false;

    item = PsItem{};
    item.offset = offset_;
    if (code == kPackStart) {
        ReadPackHeader(item);
    } else if (code == kEndCode) {
        item.kind = PsItemKind::EndCode;
        item.size = 4;
    } else {
        ReadPacket(item, code);
    }
    item.data = buffer_.data() + begin_;
    begin_ += item.size;
    offset_ += item.size;
    return true;
}

void ProgramStreamReader::ReadPackHeader(PsItem& item) {
    if (!Ensure(5)) Truncated();
    const uint8_t* p = buffer_.data() + begin_;
    // The bits after the start code tell the two pack layouts apart:
    // '01' MPEG-2, '0010' MPEG-1 (the older 12-byte header DVDs do not use).
    if ((p[4] & 0xF0) == 0x20)
        Fail("an MPEG-1 program stream: a DVD needs MPEG-2 (ffmpeg -target pal-dvd or ntsc-dvd makes one)");
    if ((p[4] & 0xC0) != 0x40)
        Fail("the program stream is damaged: unknown pack header at " + Offset(offset_));
    if (!Ensure(kMpeg2PackHeaderSize)) Truncated();
    p = buffer_.data() + begin_;
    // Bytes 4 to 8: '01', SCR base bits 32..30, marker, 29..28 | 27..20 |
    // 19..15, marker, 14..13 | 12..5 | 4..0, marker, then the 9-bit SCR
    // extension (27 MHz remainder, not needed here) and a marker in byte 9.
    item.scr = (uint64_t(p[4] & 0x38) << 27) | (uint64_t(p[4] & 0x03) << 28) | (uint64_t(p[5]) << 20) |
               (uint64_t(p[6] & 0xF8) << 12) | (uint64_t(p[6] & 0x03) << 13) | (uint64_t(p[7]) << 5) |
               (uint64_t(p[8]) >> 3);
    // Bytes 10 to 12: the 22-bit mux rate, then two marker bits.
    item.muxRate = (uint32_t(p[10]) << 14) | (uint32_t(p[11]) << 6) | (uint32_t(p[12]) >> 2);
    // Byte 13: five reserved bits, then the number of stuffing bytes (0 to 7).
    item.size = kMpeg2PackHeaderSize + (p[13] & 0x07);
    if (!Ensure(item.size)) Truncated();
    item.kind = PsItemKind::PackHeader;
}

void ProgramStreamReader::ReadPacket(PsItem& item, uint8_t code) {
    if (!Ensure(6)) Truncated();
    const uint8_t* p = buffer_.data() + begin_;
    // Bytes 4 and 5: the number of bytes that follow them.
    const size_t length = (size_t(p[4]) << 8) | p[5];
    item.size = 6 + length;
    if (!Ensure(item.size)) Truncated();
    p = buffer_.data() + begin_;
    if (code == kSystemHeader) {
        item.kind = PsItemKind::SystemHeader;
        return;
    }
    item.kind = PsItemKind::Packet;
    item.streamId = code;
    if (HasNoPesHeader(code)) return;
    // An MPEG-2 PES header: byte 6 starts with '10', byte 7 holds the
    // PTS/DTS flags in its top two bits, byte 8 the header's remaining
    // length; the PTS is the first field after it. A packet in the older
    // MPEG-1 layout tells nothing here and passes through as it is.
    if (length < 3 || (p[6] & 0xC0) != 0x80) return;
    const size_t headerLength = p[8];
    const size_t payload = 9 + headerLength;
    if (payload > item.size)
        Fail("the program stream is damaged: a packet header overruns its packet at " + Offset(offset_));
    if ((p[7] & 0x80) && headerLength >= 5) item.pts = ReadTimestamp(p + 9);
    if (code == kPrivateStream1 && payload < item.size) item.subStreamId = p[payload];
}

}  // namespace glyphon
