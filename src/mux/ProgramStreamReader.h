// Reading an MPEG-2 program stream (a DVD MPEG or VOB) one syntax item at a
// time: pack headers, system headers, PES packets of any stream id, and the
// end code. Every item is handed over with its bytes exactly as read, so a
// caller can copy the stream through unchanged, plus the few fields the
// muxer needs: the pack's SCR and mux rate, a packet's stream id, its
// private-stream-1 sub-stream id and its PTS.
//
// The reader keeps one fixed buffer: an item is at most 6 + 65,535 bytes, so
// memory does not depend on the stream's size. Malformed input ends in a
// ProgramStreamError, never in a read past the data or a loop without
// progress: every item consumes at least four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace glyphon {

// The input is not a program stream this reader accepts, or it is damaged.
// The message is complete and meant for the user.
class ProgramStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the bytes come from. Read fills up to size bytes and returns how
// many it gave; 0 means the end. Errors are thrown.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual size_t Read(uint8_t* data, size_t size) = 0;
};

// An open file, read with read(2). Does not own the descriptor.
class FdSource : public ByteSource {
public:
    explicit FdSource(int fd) : fd_(fd) {}
    size_t Read(uint8_t* data, size_t size) override;  // throws FileError

private:
    int fd_;
};

// Bytes already in memory (the fuzzer, tests).
class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t Read(uint8_t* data, size_t size) override;

private:
    const uint8_t* data_;
    size_t size_;
};

// Start codes of the program-stream layer (00 00 01 xx).
inline constexpr uint8_t kEndCode = 0xB9;
inline constexpr uint8_t kPackStart = 0xBA;
inline constexpr uint8_t kSystemHeader = 0xBB;
inline constexpr uint8_t kPrivateStream1 = 0xBD;
inline constexpr uint8_t kPaddingStream = 0xBE;
inline constexpr uint8_t kFirstVideoStream = 0xE0;
inline constexpr uint8_t kLastVideoStream = 0xEF;

// DVD sub-picture streams are private stream 1 with sub-stream ids
// 0x20 to 0x3F; stream number n has 0x20 + n.
inline constexpr int kSubPictureSubStream = 0x20;

enum class PsItemKind { PackHeader, SystemHeader, Packet, EndCode };

struct PsItem {
    PsItemKind kind = PsItemKind::PackHeader;
    uint64_t offset = 0;            // of the item's first byte in the stream
    const uint8_t* data = nullptr;  // the item's bytes, valid until the next call
    size_t size = 0;

    // Pack header: the system clock reference (base, 90 kHz, 33 bits) and
    // the mux rate in units of 50 bytes per second.
    uint64_t scr = 0;
    uint32_t muxRate = 0;

    // Packet: stream id (the start code's last byte); for private stream 1
    // with an MPEG-2 PES header, the first payload byte (the sub-stream id),
    // otherwise -1; the PTS when the header carries one, otherwise -1.
    uint8_t streamId = 0;
    int subStreamId = -1;
    int64_t pts = -1;
};

class ProgramStreamReader {
public:
    explicit ProgramStreamReader(ByteSource& source);

    // The next item, or false at the end of the stream. Throws
    // ProgramStreamError for an input that is not an MPEG-2 program stream
    // (MPEG-1 included), a damaged stream, or a truncated one.
    bool Next(PsItem& item);

private:
    bool Ensure(size_t n);  // at least n unread bytes buffered; false at the end
    [[noreturn]] void Fail(const std::string& what) const;
    [[noreturn]] void Truncated() const;
    void ReadPackHeader(PsItem& item);
    void ReadPacket(PsItem& item, uint8_t code);

    ByteSource& source_;
    std::vector<uint8_t> buffer_;
    size_t begin_ = 0, end_ = 0;  // unread bytes are buffer_[begin_, end_)
    uint64_t offset_ = 0;         // stream offset of buffer_[begin_]
    bool atEnd_ = false;
    bool first_ = true;
};

}  // namespace glyphon
