#include "mux/FilmStandard.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "mux/ProgramStreamMuxer.h"

namespace glyphon {

namespace {

bool IsVideoStream(uint8_t id) { return id >= kFirstVideoStream && id <= kLastVideoStream; }

}  // namespace

std::optional<int> ProgramStreamFrameHeight(ByteSource& input) {
    constexpr size_t kLooked = 256 * 1024;
    ProgramStreamReader reader(input);
    PsItem item;
    std::vector<uint8_t> video;  // the video elementary stream's first bytes
    while (video.size() < kLooked && reader.Next(item)) {
        if (item.kind != PsItemKind::Packet || !IsVideoStream(item.streamId) || item.size < 9) continue;
        // MPEG-2 PES header: its data length is the ninth byte.
        if ((item.data[6] & 0xC0) != 0x80) continue;
        const size_t payload = 9 + size_t(item.data[8]);
        if (payload >= item.size) continue;
        const size_t from = video.size() >= 6 ? video.size() - 6 : 0;  // a header cut by the packet end
        video.insert(video.end(), item.data + payload, item.data + item.size);
        for (size_t i = from; i + 7 <= video.size(); ++i)
            if (video[i] == 0 && video[i + 1] == 0 && video[i + 2] == 1 && video[i + 3] == 0xB3)
                return int((video[i + 5] & 0x0F) << 8 | video[i + 6]);
    }
    return std::nullopt;
}

std::optional<bool> FilmIsPal(const std::string& path) {
    // A pipe is not waited on; it has no standard to give.
    int fd = -1;
    try {
        fd = OpenFilmOnce(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::optional<int> height;
    try {
        FdSource source(fd);
        height = ProgramStreamFrameHeight(source);
    } catch (const std::exception&) {
    }
    ::close(fd);
    if (height == 576) return true;
    if (height == 480) return false;
    return std::nullopt;
}

}  // namespace glyphon
