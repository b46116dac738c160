// A film's own timeline, followed the way players follow it. SCRs and PTSs
// are 33-bit clocks of 90 kHz that wrap after about 26.5 hours, and a stream
// may start its clock again (two films joined with cat, a cut in a
// recording). Film time is a 64-bit count of 90 kHz ticks that never wraps
// and never jumps: a step of the clock forward by less than kLargestStep
// counts as it is (a wrap included, taken modulo 2^33); any other step, a
// step back or a leap forward, is a discontinuity, across which film time
// goes on from where it stood.
#pragma once

#include <cstdint>

namespace glyphon {

class FilmTimeline {
public:
    static constexpr uint64_t kClockMask = (uint64_t(1) << 33) - 1;
    // Packs of a DVD are at most a fraction of a second apart; ten seconds
    // is where players stop believing the clock.
    static constexpr int64_t kLargestStep = 10 * 90000;

    // The film time of the next pack's SCR, moving the timeline on to it.
    int64_t OnPack(uint64_t scr) {
        scr &= kClockMask;
        if (!started_) {
            started_ = true;
            film_ = int64_t(scr);
        } else {
            const int64_t step = int64_t((scr - clock_) & kClockMask);
            if (step < kLargestStep) film_ += step;  // otherwise a discontinuity: time stands
        }
        clock_ = scr;
        return film_;
    }

    // The film time of a timestamp of the current stretch of the clock
    // (a PTS near the last SCR, up to 2^32 ticks before or after it).
    int64_t FilmTime(uint64_t stamp) const {
        int64_t d = int64_t((stamp - clock_) & kClockMask);
        if (d >= int64_t(1) << 32) d -= int64_t(1) << 33;
        return film_ + d;
    }

    // The clock value, in the current stretch, of a film time.
    uint64_t Clock(int64_t filmTime) const {
        return uint64_t(int64_t(clock_) + (filmTime - film_)) & kClockMask;
    }

    bool Started() const { return started_; }

private:
    bool started_ = false;
    uint64_t clock_ = 0;  // the last SCR
    int64_t film_ = 0;    // its film time
};

}  // namespace glyphon
