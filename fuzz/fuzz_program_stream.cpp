// libFuzzer target: arbitrary bytes as a program stream, read item by item
// and muxed with a small sub-picture unit. Either is refused with a
// ProgramStreamError or gives a stream that keeps every input byte in order.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mux/ByteSink.h"
#include "mux/PackWriter.h"
#include "mux/ProgramStreamMuxer.h"
#include "mux/ProgramStreamReader.h"

using namespace glyphon;

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Items follow one another without gaps, none shorter than a start code.
    uint64_t expected = 0;
    try {
        MemorySource source(data, size);
        ProgramStreamReader reader(source);
        PsItem item;
        while (reader.Next(item)) {
            Check(item.offset == expected && item.size >= 4 && item.offset + item.size <= size);
            Check(std::equal(item.data, item.data + item.size, data + item.offset));
            expected += item.size;
        }
        Check(expected == size);
    } catch (const ProgramStreamError&) {
    }

    // The unit's first byte (the size field's high byte) varies with the input
    // so that units of one and of two packs both occur.
    std::vector<uint8_t> unit(size > 0 ? 64 + data[0] * 16 : 64, 0xAA);
    const std::vector<TimedUnit> units = {{0, unit}, {90000, unit}};
    try {
        MemorySource scan(data, size);
        const ProgramStreamStart start = ScanProgramStreamStart(scan);
        MemorySource source(data, size);
        MemorySink sink;
        const MuxReport report = MuxProgramStream(source, sink, start, 0, units);
        Check(report.units == 2 && report.inputBytes == size);
        Check(sink.Bytes().size() == size + 2 * SubPicturePackCount(unit.size()) * kPackSize);
    } catch (const ProgramStreamError&) {
    }
    return 0;
}
