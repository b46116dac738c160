#include "mux/DvdMux.h"

#include "sup/SupWriter.h"

namespace glyphon {

std::string MuxedFileName(const std::string& stem) { return stem + ".muxed.mpg"; }
std::string PaletteFileName(const std::string& stem) { return stem + ".palette.yuv"; }

DvdMuxSink::DvdMuxSink(const std::string& stem) : units_(MuxedFileName(stem)) {}

void DvdMuxSink::Append(int64_t start, const std::vector<uint8_t>& unit) {
    // The same presentation time as the ".sup" record's header.
    units_.Append(PresentationTime(start), -1, unit);
}

}  // namespace glyphon
