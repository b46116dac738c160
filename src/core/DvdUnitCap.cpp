#include "core/DvdUnitCap.h"

#include "mux/SubPictureDelivery.h"

namespace glyphon {

namespace {

// The mux's least lead, in milliseconds.
constexpr int64_t kLeadMs = int64_t(kLeastSubPictureLead) / 90;

}  // namespace

bool DvdUnitCap::Fits(int64_t startMs, size_t bytes, size_t extra) const {
    const int64_t arrival = startMs - kLeadMs;
    size_t held = extra;
    for (const Held& h : held_)
        if (h.leaveMs > arrival) held += h.bytes;
    return held == 0 || held + bytes <= kSubPictureBufferSize;
}

void DvdUnitCap::Enter(int64_t startMs, int64_t endMs, size_t bytes) {
    // Units gone before this one arrives are no longer held by anything
    // that comes later (units come in time order).
    const int64_t arrival = startMs - kLeadMs;
    while (!held_.empty() && held_.front().leaveMs <= arrival) held_.pop_front();
    held_.push_back({endMs, bytes});
}

}  // namespace glyphon
