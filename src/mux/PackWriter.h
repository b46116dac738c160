// MPEG-2 program-stream packs carrying DVD sub-pictures: every pack is 2048
// bytes, a pack header followed by one private-stream-1 PES packet whose
// first payload byte names the sub-picture stream (0x20 + stream number),
// topped up to the full size with stuffing or a padding packet.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "mux/ByteSink.h"

namespace glyphon {

constexpr size_t kPackSize = 2048;
// 10.08 Mbit/s, the DVD's rate, in the header's unit of 50 bytes per second.
constexpr uint32_t kDvdMuxRate = 25200;
constexpr size_t kPackHeaderSize = 14;
// Sub-picture streams 0 to 31 are the sub-stream ids 0x20 to 0x3F.
constexpr int kSubPictureStreams = 32;

// The 14-byte MPEG-2 pack header: start code 00 00 01 BA, the system clock
// reference (33-bit base in 1/90,000 s, extension 0), the mux rate (22 bits,
// units of 50 bytes/s) and no stuffing. Bits above 33 of scr are dropped.
std::array<uint8_t, kPackHeaderSize> PackHeader(uint64_t scr, uint32_t muxRate = kDvdMuxRate);

// A 5-byte PTS field of a PES header that carries a PTS and no DTS: the
// prefix 0010, then the 33 bits of pts split 3/15/15, each part followed by a
// marker bit.
std::array<uint8_t, 5> PtsField(uint64_t pts);

// Unit bytes one pack can carry: 2019 in the pack with the PTS, 2024 in the
// others.
size_t SubPicturePayloadCapacity(bool withPts);

// Packs a unit of unitSize bytes needs (at least one, even for no bytes).
size_t SubPicturePackCount(size_t unitSize);

class PackWriter {
public:
    explicit PackWriter(ByteSink& sink, uint32_t muxRate = kDvdMuxRate) : sink_(sink), muxRate_(muxRate) {}

    // Writes one pack of exactly 2048 bytes: the pack header with scr, a
    // private-stream-1 PES packet for sub-stream 0x20 + stream with the pts
    // when one is given and size payload bytes (at most the capacity above),
    // and stuffing or padding for the rest. Throws std::invalid_argument for
    // a stream outside 0..31 or too much payload; FileError from the sink.
    void WriteSubPicturePack(uint64_t scr, int stream, std::optional<uint64_t> pts, const uint8_t* payload,
                             size_t size);

    // Writes a whole unit over as many packs as it needs, the pts in the
    // first; scrOfPack(k) gives the SCR of its k-th pack (from 0). Returns the
    // number of packs written.
    size_t WriteSubPictureUnit(const uint8_t* unit, size_t size, uint64_t pts, int stream,
                               const std::function<uint64_t(size_t)>& scrOfPack);

    ByteSink& Sink() { return sink_; }

private:
    ByteSink& sink_;
    uint32_t muxRate_;
};

}  // namespace glyphon
