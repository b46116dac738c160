#include "mux/VobSubWriter.h"

#include <cstdio>

#include "common/FileError.h"
#include "mux/PackWriter.h"
#include "sup/SupWriter.h"

namespace glyphon {

namespace {

std::string Hex6(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", unsigned(c.Packed()));
    return text;
}

void WriteText(FileSink& file, const std::string& text) {
    file.Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace

std::string VobSubIndexHeader(const VobSubHeader& h) {
    std::string palette;
    for (size_t i = 0; i < h.palette.size(); ++i) palette += (i ? ", " : "") + Hex6(h.palette[i]);
    return "# VobSub index file, v7 (do not modify this line!)\n"
           "# Written by Glyphon from the same sub-picture units as the .sup file.\n"
           "\n"
           "size: 720x" +
           std::to_string(h.frameHeight) +
           "\n"
           "org: 0, 0\n"
           "scale: 100%, 100%\n"
           "alpha: 100%\n"
           "smooth: OFF\n"
           "fadein/out: 0, 0\n"
           "align: OFF at LEFT TOP\n"
           "time offset: 0\n"
           "forced subs: OFF\n"
           "palette: " +
           palette +
           "\n"
           "custom colors: OFF, tridx: 0000, colors: 000000, 000000, 000000, 000000\n"
           "\n"
           "langidx: 0\n"
           "\n"
           "id: " +
           h.language + ", index: 0\n";
}

std::string VobSubTimestampLine(uint32_t pts, uint64_t filePosition) {
    const uint32_t ms = pts / 90;
    char line[64];
    std::snprintf(line, sizeof line, "timestamp: %02u:%02u:%02u:%03u, filepos: %09llx\n", ms / 3600000,
                  ms / 60000 % 60, ms / 1000 % 60, ms % 1000, static_cast<unsigned long long>(filePosition));
    return line;
}

VobSubWriter::~VobSubWriter() = default;  // the staged files remove themselves

void VobSubWriter::Create(const std::string& idxPath, const std::string& subPath,
                          const VobSubHeader& header) {
    Discard();
    idx_.Create(idxPath);
    sub_.Create(subPath);
    WriteText(idx_, VobSubIndexHeader(header));
    idxEnd_ = idx_.Position();
    subEnd_ = 0;
}

void VobSubWriter::Append(int64_t start, const std::vector<uint8_t>& unit) {
    if (!sub_.IsOpen()) throw std::logic_error("VobSubWriter::Append without open files");
    const uint32_t pts = PresentationTime(start);
    MemorySink packs;
    PackWriter(packs).WriteSubPictureUnit(unit.data(), unit.size(), pts, 0, [pts](size_t) { return pts; });
    try {
        sub_.Write(packs.Bytes().data(), packs.Bytes().size());
        WriteText(idx_, VobSubTimestampLine(pts, subEnd_));
    } catch (const FileError&) {
        // Drop what reached the files of this unit; the first error is the
        // one the user sees.
        try {
            sub_.Truncate(subEnd_);
            idx_.Truncate(idxEnd_);
        } catch (const FileError&) {
        }
        throw;
    }
    subEnd_ = sub_.Position();
    idxEnd_ = idx_.Position();
}

void VobSubWriter::Seal() {
    try {
        sub_.Seal();
        idx_.Seal();
    } catch (const FileError&) {
        Discard();
        throw;
    }
}

void VobSubWriter::Close() {
    // Both are written out before either replaces its previous file, so a
    // failure leaves the previous pair as it was.
    Seal();
    try {
        sub_.Close();
    } catch (const FileError&) {
        Discard();
        throw;
    }
    idx_.Close();
}

void VobSubWriter::Discard() {
    sub_.Discard();
    idx_.Discard();
}

}  // namespace glyphon
