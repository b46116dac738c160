#include "mux/SubPictureDelivery.h"

#include <algorithm>

#include "mux/PackWriter.h"

namespace glyphon {

uint64_t SubPictureLead(uint64_t videoLead) {
    constexpr uint64_t kMargin = 9000;  // 100 ms
    return std::clamp(videoLead + kMargin, kLeastSubPictureLead, kMostSubPictureLead);
}

uint64_t PackTicks(uint32_t muxRate) {
    const uint64_t bytesPerSecond = uint64_t(muxRate ? muxRate : kDvdMuxRate) * 50;
    return (uint64_t(kPackSize) * 90000 + bytesPerSecond - 1) / bytesPerSecond;
}

uint64_t UnitShownTicks(const uint8_t* unit, size_t size) {
    if (size < 4) return 0;
    const auto u16 = [&](size_t at) { return size_t(unit[at]) << 8 | unit[at + 1]; };
    size_t at = u16(2);
    uint64_t stop = 0;
    // Each control sequence: its delay, the offset of the next one, then
    // commands up to 0xFF. The last one points at itself.
    for (int guard = 0; guard < 256 && at + 4 <= size; ++guard) {
        const uint64_t delay = u16(at);
        const size_t next = u16(at + 2);
        for (size_t c = at + 4; c < size && unit[c] != 0xFF; ++c) {
            const uint8_t command = unit[c];
            if (command == 0x02) stop = delay * 1024;
            // Skip the command's arguments.
            if (command == 0x03 || command == 0x04)
                c += 2;
            else if (command == 0x05)
                c += 6;
            else if (command == 0x06)
                c += 4;
            else if (command > 0x06)
                return stop;  // not followed further
        }
        if (next <= at) break;
        at = next;
    }
    return stop;
}

bool SubPictureBufferModel::Fits(uint64_t time, size_t size) const {
    const size_t held = HeldAt(time);
    return held == 0 || held + size <= kSubPictureBufferSize;
}

void SubPictureBufferModel::Enter(uint64_t time, size_t size, uint64_t leave) {
    // Units that left before this one arrives are forgotten: arrivals only
    // move forward.
    held_.erase(std::remove_if(held_.begin(), held_.end(), [&](const Held& h) { return h.leave <= time; }),
                held_.end());
    held_.push_back({time, std::max(leave, time), size});
}

size_t SubPictureBufferModel::HeldAt(uint64_t time) const {
    size_t bytes = 0;
    for (const Held& h : held_)
        if (h.arrival <= time && h.leave > time) bytes += h.size;
    return bytes;
}

}  // namespace glyphon
