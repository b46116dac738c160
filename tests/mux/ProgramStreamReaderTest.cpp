// The pack reader on hand-made streams: the fields it reports, and how it
// refuses what is not a whole MPEG-2 program stream.
#include <gtest/gtest.h>

#include "mux/ByteSink.h"
#include "mux/PackWriter.h"
#include "mux/ProgramStreamMuxer.h"
#include "mux/ProgramStreamReader.h"

namespace glyphon {
namespace {

std::vector<PsItem> ReadItems(const std::vector<uint8_t>& bytes) {
    MemorySource source(bytes.data(), bytes.size());
    ProgramStreamReader reader(source);
    std::vector<PsItem> items;
    PsItem item;
    while (reader.Next(item)) items.push_back(item);
    return items;
}

std::string Refusal(const std::vector<uint8_t>& bytes) {
    try {
        ReadItems(bytes);
    } catch (const ProgramStreamError& e) {
        return e.what();
    }
    return "accepted";
}

// A pack the writer made: SCR and mux rate come back from the header,
// stream, sub-stream and PTS from the packet, the padding as its own item.
TEST(ProgramStreamReader, ReportsScrMuxRatePtsAndSubStreamOfEachItem) {
    MemorySink sink;
    PackWriter writer(sink, 12345);
    const std::vector<uint8_t> unit(100, 0x11);
    const uint64_t scr = 0x1ABCDEF01, pts = 0x187654321;
    writer.WriteSubPicturePack(scr, 5, pts, unit.data(), unit.size());
    std::vector<uint8_t> bytes = sink.Bytes();
    bytes.insert(bytes.end(), {0, 0, 1, 0xB9});
    const auto items = ReadItems(bytes);
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(items[0].kind, PsItemKind::PackHeader);
    EXPECT_EQ(items[0].scr, scr);
    EXPECT_EQ(items[0].muxRate, 12345u);
    EXPECT_EQ(items[1].kind, PsItemKind::Packet);
    EXPECT_EQ(items[1].streamId, 0xBD);
    EXPECT_EQ(items[1].subStreamId, 0x25);
    EXPECT_EQ(items[1].pts, int64_t(pts));
    EXPECT_EQ(items.back().kind, PsItemKind::EndCode);
    size_t total = 0;
    for (const PsItem& item : items) total += item.size;
    EXPECT_EQ(total, bytes.size());
}

TEST(ProgramStreamReader, RefusesForeignDamagedAndTruncatedStreams) {
    MemorySink sink;
    PackWriter writer(sink);
    const std::vector<uint8_t> unit(3000, 0x22);
    writer.WriteSubPictureUnit(unit.data(), unit.size(), 1000, 0, [](size_t) { return 0; });
    const std::vector<uint8_t> good = sink.Bytes();

    EXPECT_EQ(Refusal({}), "not an MPEG program stream: it does not start with a pack header");
    EXPECT_EQ(Refusal({0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x33}),  // a video sequence header
              "not an MPEG program stream: it does not start with a pack header");
    // MPEG-1 pack: '0010' after the start code.
    EXPECT_NE(Refusal({0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0x1B, 0x91}).find("MPEG-1"), std::string::npos);

    auto cut = good;
    cut.resize(2048 + 100);
    EXPECT_EQ(Refusal(cut), "the program stream is truncated: it ends inside the item at byte 2062");
    cut.resize(2048 + 3);
    EXPECT_EQ(Refusal(cut), "the program stream is truncated: it ends inside the item at byte 2048");

    auto junk = good;
    junk.insert(junk.begin() + 2048, {0xFF, 0xFF});
    EXPECT_EQ(Refusal(junk), "the program stream is damaged: no start code at byte 2048");

    // A PES header that claims more bytes than its packet has.
    std::vector<uint8_t> overrun(good.begin(), good.begin() + 14);
    overrun.insert(overrun.end(), {0, 0, 1, 0xBD, 0, 10, 0x81, 0x80, 20, 0x21, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Refusal(overrun),
              "the program stream is damaged: a packet header overruns its packet at byte 14");
}

// An open GOP stores its I-frame before the B-frames shown ahead of it: the
// subtitles are timed from the first frame shown, not the first stored.
TEST(ProgramStreamStart, IsTheSmallestPtsOfTheFirstFrames) {
    std::vector<uint8_t> bytes;
    for (const uint64_t pts : {9000, 3000, 6000, 21000}) {
        const auto pack = PackHeader(pts - 1000);
        bytes.insert(bytes.end(), pack.begin(), pack.end());
        const auto field = PtsField(pts);
        bytes.insert(bytes.end(), {0, 0, 1, 0xE0, 0, 12, 0x81, 0x80, 5});
        bytes.insert(bytes.end(), field.begin(), field.end());
        bytes.insert(bytes.end(), {0, 0, 1, 0xB3});
    }
    MemorySource source(bytes.data(), bytes.size());
    EXPECT_EQ(ScanProgramStreamStart(source).firstVideoPts, 3000);

    MemorySource noVideo(bytes.data(), 14);
    EXPECT_THROW(ScanProgramStreamStart(noVideo), ProgramStreamError);
}

}  // namespace
}  // namespace glyphon
