// When sub-picture units reach a player: the model the muxer schedules by.
//
// A unit is sent well ahead of its presentation time, so that every player
// (and FFmpeg, which reads the file in order) has it before the frames it
// belongs to, and never so early that the player's sub-picture buffer would
// overflow. The buffer holds a unit from the arrival of its first pack until
// its stop-display command has run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace glyphon {

// The DVD player's sub-picture decoder buffer, in bytes.
inline constexpr size_t kSubPictureBufferSize = 53220;

// The least time, in 1/90,000 s, by which a unit's first pack precedes its
// presentation time when the stream leaves room: 150 ms.
inline constexpr uint64_t kLeastSubPictureLead = 13500;

// The most: units are never sent more than 2 s before their time.
inline constexpr uint64_t kMostSubPictureLead = 180000;

// How far ahead a unit is sent in a stream whose video packets arrive
// videoLead ticks (their PTS minus their pack's SCR) before their frames
// are shown: a tenth of a second before the video of its first frame, and
// between the least and the most lead above.
uint64_t SubPictureLead(uint64_t videoLead);

// 90 kHz ticks that one 2048-byte pack takes at the mux rate (units of 50
// bytes per second; 0 is taken as the DVD's 10.08 Mbit/s), rounded up.
uint64_t PackTicks(uint32_t muxRate);

// The ticks from a unit's presentation time to its stop-display command:
// the delay of the last control sequence that stops the display, in units of
// 1024/90,000 s. A unit that never stops its display (or whose control
// sequences cannot be followed) gives 0.
uint64_t UnitShownTicks(const uint8_t* unit, size_t size);

// The units held in the player's buffer over time.
class SubPictureBufferModel {
public:
    // True when a unit of `size` bytes arriving at `time` fits beside the
    // units still held then. An empty buffer takes any unit, even one larger
    // than the buffer (it could never be sent otherwise).
    bool Fits(uint64_t time, size_t size) const;

    // A unit of `size` bytes arrives at `time` and is held until `leave`.
    void Enter(uint64_t time, size_t size, uint64_t leave);

    // The bytes held at `time` (units whose arrival is at or before it and
    // whose leave time is after it).
    size_t HeldAt(uint64_t time) const;

private:
    struct Held {
        uint64_t arrival, leave;
        size_t size;
    };
    std::vector<Held> held_;
};

}  // namespace glyphon
