#include "app/OwnPicture.h"

#include <sys/stat.h>

#include <cstdint>

#include "render/Bmp.h"

namespace glyphon {

namespace {

// The last own picture read, so that every preview does not read the file
// again. A changed file (time or size) or another Ui reads it anew. One per
// thread: the command line converts several files at once, each in a model
// of its own.
struct OwnPictureCache {
    const Ui* ui = nullptr;
    std::string path;
    int64_t mtimeNs = 0, size = -1;
    int height = 0;
    std::optional<Frame> picture;  // scaled to 720 x height; nullopt: unreadable
};

}  // namespace

std::optional<Frame> OwnPicture(Ui& ui, const std::string& path, int height) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    static thread_local OwnPictureCache cache;
    const int64_t mtime = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (cache.ui != &ui || cache.path != path || cache.mtimeNs != mtime || cache.size != st.st_size ||
        cache.height != height) {
        cache.ui = &ui;
        cache.path = path;
        cache.mtimeNs = mtime;
        cache.size = st.st_size;
        cache.height = height;
        cache.picture.reset();
        if (std::optional<Frame> loaded = ui.LoadPicture(path);
            loaded && loaded->Width() > 0 && loaded->Height() > 0)
            cache.picture = (loaded->Width() == kFrameWidth && loaded->Height() == height)
                                ? std::move(*loaded)
                                : ScaleNearest(*loaded, kFrameWidth, height);
    }
    return cache.picture;
}

}  // namespace glyphon
