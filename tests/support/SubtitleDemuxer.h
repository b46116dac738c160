// Test helper: FFmpeg's demuxers (libavformat) reading back a subtitle file
// Glyphon wrote or that was muxed from it (VobSub ".idx", Matroska), and its
// dvd_subtitle decoder opened with the stream's own parameters, so that the
// size and palette come from the file and not from the test.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace glyphon::test {

struct DemuxedPacket {
    int64_t ptsMs = 0;          // presentation time in ms
    std::vector<uint8_t> data;  // the whole sub-picture unit
    // What the decoder showed for it: the colour (0xRRGGBB) of each pixel
    // code 0..3 from the stream's palette; zeros when it showed nothing.
    std::array<uint32_t, 4> rgb{};
};

struct DemuxedSubtitles {
    std::string format;  // the demuxer's name
    std::string codec;   // the stream's codec name
    int width = 0, height = 0;
    std::vector<DemuxedPacket> packets;
};

// Opens path with libavformat, reads every packet of its one subtitle stream
// and decodes each. Throws std::runtime_error when libavformat is missing or
// fails.
DemuxedSubtitles DemuxSubtitles(const std::string& path);

// Start and end (ms) of every cue libavformat reads from a text subtitle
// file (SubRip, MicroDVD), in the order it hands them out. Throws
// std::runtime_error when libavformat is missing or fails.
std::vector<std::pair<int64_t, int64_t>> DemuxTextCueTimes(const std::string& path);

// A cue as libavformat's text demuxers hand it out: its times and the
// packet's text as the file holds it (tags kept, lines ended by "\n"
// between them; MicroDVD keeps its "|").
struct DemuxedCue {
    int64_t startMs = 0, endMs = 0;
    std::string text;
};
std::vector<DemuxedCue> DemuxTextCues(const std::string& path);

}  // namespace glyphon::test
