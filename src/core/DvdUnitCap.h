// How many DVD units of an animation a player can take: each unit reaches
// the player's sub-picture buffer a lead before its time (as the mux sends
// it) and stays there until its picture is gone. A change that would not
// fit beside the units held then is left out, the picture before it shown
// on instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace glyphon {

class DvdUnitCap {
public:
    // True when a unit of `bytes` shown from `startMs` fits beside the units
    // held when it arrives and `extra` more bytes. An empty buffer takes
    // any unit.
    bool Fits(int64_t startMs, size_t bytes, size_t extra = 0) const;
    // A unit shown from `startMs` to `endMs`.
    void Enter(int64_t startMs, int64_t endMs, size_t bytes);

private:
    struct Held {
        int64_t leaveMs;
        size_t bytes;
    };
    std::deque<Held> held_;
};

}  // namespace glyphon
