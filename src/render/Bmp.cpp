#include "render/Bmp.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace glyphon {

namespace {

uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

constexpr int64_t kMaxSide = 16384;

}  // namespace

std::optional<Frame> DecodeBmp24(const uint8_t* data, size_t size, std::string* problem) {
    auto refuse = [problem](std::string why) -> std::optional<Frame> {
        if (problem) *problem = std::move(why);
        return std::nullopt;
    };
    if (!data || size < 2 || data[0] != 'B' || data[1] != 'M') return refuse("it is not a BMP picture");
    if (size < 54) return refuse("the file is cut short");
    const uint64_t pixelOffset = U32(data + 10);
    const uint32_t headerSize = U32(data + 14);
    if (headerSize < 40) return refuse("it is not a Windows BMP picture");
    if (14 + uint64_t(headerSize) > size) return refuse("the file is cut short");
    const int64_t width = int32_t(U32(data + 18));
    const int64_t rawHeight = int32_t(U32(data + 22));
    const uint16_t planes = U16(data + 26), bitCount = U16(data + 28);
    const uint32_t compression = U32(data + 30);
    if (planes != 1 || bitCount != 24 || compression != 0)
        return refuse("only uncompressed 24-bit pictures can be used");
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0)
        return refuse("the picture has no pixels (" + std::to_string(width) + " x " +
                      std::to_string(rawHeight) + ")");
    if (width > kMaxSide || height > kMaxSide)
        return refuse("the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
                      "; at most " + std::to_string(kMaxSide) + " x " + std::to_string(kMaxSide) + ")");
    // The pixels follow both headers; an offset into them is no picture.
    if (pixelOffset < 14 + uint64_t(headerSize)) return refuse("the pixel data starts inside the headers");
    const uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    if (pixelOffset > size || stride * uint64_t(height) > size - pixelOffset)
        return refuse("the file is cut short");
    Frame frame(static_cast<int>(width), static_cast<int>(height));
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* src = data + pixelOffset + stride * uint64_t(topDown ? y : height - 1 - y);
        uint32_t* dst = frame.Row(int(y));
        for (int64_t x = 0; x < width; ++x, src += 3)
            dst[x] = uint32_t(src[2]) << 16 | uint32_t(src[1]) << 8 | src[0];
    }
    return frame;
}

std::optional<Frame> ReadBmp24(const std::string& path, std::string* problem) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (problem) *problem = "the file cannot be read";
        return std::nullopt;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (problem) *problem = "the file cannot be read";
        return std::nullopt;
    }
    return DecodeBmp24(bytes.data(), bytes.size(), problem);
}

bool WriteBmp24(const std::string& path, const Frame& frame) {
    const uint32_t stride = (uint32_t(frame.Width()) * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * uint32_t(frame.Height());
    std::vector<uint8_t> v;
    v.reserve(54 + imageSize);
    v.push_back('B');
    v.push_back('M');
    Put32(v, 54 + imageSize);
    Put32(v, 0);
    Put32(v, 54);
    Put32(v, 40);
    Put32(v, uint32_t(frame.Width()));
    Put32(v, uint32_t(frame.Height()));
    Put16(v, 1);
    Put16(v, 24);
    Put32(v, 0);
    Put32(v, imageSize);
    Put32(v, 3780);  // 96 dpi
    Put32(v, 3780);
    Put32(v, 0);
    Put32(v, 0);
    for (int y = frame.Height() - 1; y >= 0; --y) {
        const uint32_t* row = frame.Row(y);
        for (int x = 0; x < frame.Width(); ++x) {
            v.push_back(uint8_t(row[x]));
            v.push_back(uint8_t(row[x] >> 8));
            v.push_back(uint8_t(row[x] >> 16));
        }
        for (uint32_t pad = uint32_t(frame.Width()) * 3; pad < stride; ++pad) v.push_back(0);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(v.data()), std::streamsize(v.size()));
    return bool(out.flush());
}

Frame ScaleNearest(const Frame& picture, int width, int height) {
    Frame out(width, height);
    if (picture.Width() <= 0 || picture.Height() <= 0) return out;
    std::vector<int> columns(size_t(std::max(width, 0)));
    for (int x = 0; x < width; ++x) columns[size_t(x)] = int(int64_t(x) * picture.Width() / width);
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = picture.Row(int(int64_t(y) * picture.Height() / height));
        uint32_t* dst = out.Row(y);
        for (int x = 0; x < width; ++x) dst[x] = src[columns[size_t(x)]];
    }
    return out;
}

}  // namespace glyphon
