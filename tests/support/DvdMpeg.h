// Test material for the mux tests: DVD MPEGs made by ffmpeg (one minute of
// colour bars and a tone, as `-target pal-dvd` / `ntsc-dvd` writes them),
// made once per build folder and kept there, and libavformat's view of a
// program stream, packet by packet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glyphon::test {

// The path of the cached DVD MPEG for the standard, made on first use (a
// lock keeps parallel test processes from making it twice).
const std::string& DvdMpeg(bool pal);

// The same PAL film flagged 16:9 (a widescreen picture for the player to
// widen).
const std::string& WideDvdMpeg();

// Runs a shell command with its output discarded; true when it exits 0.
bool Run(const std::string& command);

// One packet as libavformat's program-stream demuxer returns it, with the
// stream's id as the demuxer reports it: 0x1E0 for the first video stream,
// 0x80 + n for AC-3 audio, 0x20 + n for sub-picture stream n, ...
struct ProgramStreamPacket {
    int streamId = 0;
    int64_t pts = -1, dts = -1;  // -1: none
    std::vector<uint8_t> data;
};

// Every packet of the file, in file order. Fails the test when libavformat
// cannot open or read the file.
std::vector<ProgramStreamPacket> DemuxProgramStream(const std::string& path);

// The sub-picture units of stream 0x20 + n, put together again from their
// packets (a unit over several packs arrives as several packets; the first
// carries the PTS and the unit's size).
struct DemuxedUnit {
    int64_t pts = -1;
    std::vector<uint8_t> bytes;
};
std::vector<DemuxedUnit> UnitsOfStream(const std::vector<ProgramStreamPacket>& packets, int subStream);

}  // namespace glyphon::test
