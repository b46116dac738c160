#include "ass/AssScript.h"

extern "C" {
#include <ass/ass.h>
}

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "subtitle/CharsetDetection.h"

namespace glyphon {

namespace {

// A script larger than this is no subtitle file.
constexpr size_t kLargestScript = size_t(64) << 20;
// libass's complaints kept as warnings (errors and warnings only).
constexpr size_t kMostMessages = 8;
// Drawings reaching further than this many pictures' widths or heights from
// their origin are left out.
constexpr double kMostDrawing = 4;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

// Where libass's messages go while one of our calls runs: the script's
// warnings, each message once, at most kMostMessages of them.
struct Messages {
    std::vector<std::string>* out;
    std::set<std::string>* seen;
};

thread_local Messages currentMessages{nullptr, nullptr};

void MessageCallback(int level, const char* format, va_list args, void*) {
    const Messages& m = currentMessages;
    if (level > 2 || !m.out) return;
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.empty() || m.seen->size() >= kMostMessages || !m.seen->insert(line).second) return;
    m.out->push_back("libass: " + line);
}

// Sends libass's messages to a script's warnings while it lives.
class Listening {
public:
    Listening(std::vector<std::string>& out, std::set<std::string>& seen) : before_(currentMessages) {
        currentMessages = Messages{&out, &seen};
    }
    ~Listening() { currentMessages = before_; }
    Listening(const Listening&) = delete;
    Listening& operator=(const Listening&) = delete;

private:
    Messages before_;
};

// Starting libass with its fonts (fontconfig's configuration read, every
// system font listed) takes milliseconds: a library and renderer whose
// script embedded no fonts go back to a small pool when the script is done,
// and the next script of the same size and fonts folder takes them with
// their caches. Each is used by one script at a time.
struct Engine {
    int width, height;
    std::string fontsDir;
    ASS_Library* library;
    ASS_Renderer* renderer;
};

constexpr size_t kMostIdleEngines = 2;

struct EnginePool {
    std::mutex mutex;
    std::vector<Engine> idle;  // the most recently given back last
    ~EnginePool() {
        for (const Engine& e : idle) {
            ass_renderer_done(e.renderer);
            ass_library_done(e.library);
        }
    }
};

EnginePool& Engines() {
    static EnginePool pool;
    return pool;
}

void TakeEngine(int width, int height, const std::string& fontsDir, ASS_Library*& library,
                ASS_Renderer*& renderer) {
    EnginePool& pool = Engines();
    std::lock_guard<std::mutex> lock(pool.mutex);
    for (auto e = pool.idle.rbegin(); e != pool.idle.rend(); ++e)
        if (e->width == width && e->height == height && e->fontsDir == fontsDir) {
            library = e->library;
            renderer = e->renderer;
            pool.idle.erase(std::next(e).base());
            return;
        }
}

void GiveEngineBack(int width, int height, const std::string& fontsDir, ASS_Library* library,
                    ASS_Renderer* renderer) {
    EnginePool& pool = Engines();
    std::lock_guard<std::mutex> lock(pool.mutex);
    pool.idle.push_back({width, height, fontsDir, library, renderer});
    if (pool.idle.size() > kMostIdleEngines) {
        ass_renderer_done(pool.idle.front().renderer);
        ass_library_done(pool.idle.front().library);
        pool.idle.erase(pool.idle.begin());
    }
}

// True when the script has a [Fonts] section (or mentions one anywhere).
bool MentionsFontsSection(std::string_view bytes) {
    constexpr std::string_view kSection = "[fonts]";
    return std::search(bytes.begin(), bytes.end(), kSection.begin(), kSection.end(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b;
           }) != bytes.end();
}

}  // namespace

AssScript::AssScript(const std::string& path, int width, int height, const std::string& fontsDir)
    : width_(width), height_(height) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw AssError(path + ": the script cannot be opened");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw AssError(path + ": the script cannot be read");
    if (size_t(size) > kLargestScript)
        throw AssError(path + ": the script is larger than " + std::to_string(kLargestScript >> 20) +
                       " MB; it is no subtitle script");
    in.seekg(0);
    std::string bytes(size_t(size), '\0');
    in.read(bytes.data(), size);
    if (in.gcount() != size) throw AssError(path + ": the script cannot be read");
    Open(path, bytes, fontsDir);
}

AssScript::AssScript(const std::string& name, std::string_view bytes, int width, int height,
                     const std::string& fontsDir)
    : width_(width), height_(height) {
    if (bytes.size() > kLargestScript)
        throw AssError(name + ": the script is larger than " + std::to_string(kLargestScript >> 20) +
                       " MB; it is no subtitle script");
    Open(name, bytes, fontsDir);
}

void AssScript::Open(const std::string& name, std::string_view bytes, const std::string& fontsDir) {
    if (width_ <= 0 || height_ <= 0 || width_ > 8192 || height_ > 8192)
        throw AssError(name + ": no picture size to draw the script at");
    Listening listening(warnings_, seenMessages_);
    // libass reads UTF-8 alone: scripts in UTF-16 or a legacy code page are
    // converted first, as subtitle lists are.
    std::string copy(bytes);
    if (const std::string found = TextToUtf8(copy); !found.empty())
        warnings_.push_back("not UTF-8; read as " + found + ", the character set found");
    // A script that embeds fonts gets a library of its own, so that its
    // fonts never reach another script.
    pooled_ = !MentionsFontsSection(copy);
    if (pooled_) TakeEngine(width_, height_, fontsDir, library_, renderer_);
    if (!library_) {
        library_ = ass_library_init();
        if (!library_) throw AssError(name + ": libass could not be started");
        ass_set_message_cb(library_, MessageCallback, nullptr);
        ass_set_extract_fonts(library_, 1);
        if (!fontsDir.empty()) ass_set_fonts_dir(library_, fontsDir.c_str());
    }
    track_ = ass_read_memory(library_, copy.data(), copy.size(), nullptr);
    if (!track_) {
        Release();
        throw AssError(name + ": not a subtitle script libass can read (ASS or SSA)");
    }
    if (track_->PlayResX <= 0 || track_->PlayResY <= 0) {
        warnings_.push_back(
            "the script's PlayResX/PlayResY is not a positive size; it is drawn as 384 x 288");
        track_->PlayResX = 384;
        track_->PlayResY = 288;
    }
    LeaveOutHugeDrawings();
    if (!renderer_) {
        renderer_ = ass_renderer_init(library_);
        if (!renderer_) {
            Release();
            throw AssError(name + ": libass could not be started");
        }
        ass_set_frame_size(renderer_, width_, height_);
        ass_set_storage_size(renderer_, width_, height_);
        ass_set_fonts(renderer_, nullptr, nullptr, ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);
    }
    ass_set_pixel_aspect(renderer_, 0);  // square, whatever the script before it in the pool had
    fontsDir_ = fontsDir;
}

void AssScript::Release() {
    if (track_) ass_free_track(track_);
    track_ = nullptr;
    if (pooled_ && library_ && renderer_) {
        GiveEngineBack(width_, height_, fontsDir_, library_, renderer_);
    } else {
        if (renderer_) ass_renderer_done(renderer_);
        if (library_) ass_library_done(library_);
    }
    renderer_ = nullptr;
    library_ = nullptr;
}

AssScript::~AssScript() { Release(); }

void AssScript::SetPixelAspect(double widthToHeight) {
    // libass widens glyphs by the value it is given (drawings follow PlayRes
    // to the frame on their own): pixels shown wide take the inverse.
    if (widthToHeight > 0) ass_set_pixel_aspect(renderer_, 1 / widthToHeight);
}

int AssScript::EventCount() const { return track_->n_events; }

void AssScript::LeaveOutHugeDrawings() {
    // libass draws a whole drawing before cutting it to the picture: one far
    // larger than the picture would take gigabytes. Its extent, from its
    // coordinates (halved for each \p level past 1) and the style's scale.
    int leftOut = 0;
    for (int i = 0; i < track_->n_events; ++i) {
        ASS_Event& e = track_->events[i];
        if (!e.Text || e.Duration <= 0) continue;
        const ASS_Style* style =
            e.Style >= 0 && e.Style < track_->n_styles ? &track_->styles[e.Style] : nullptr;
        const double sx = (style ? std::max(style->ScaleX, 0.01) : 1) * width_ / track_->PlayResX;
        const double sy = (style ? std::max(style->ScaleY, 0.01) : 1) * height_ / track_->PlayResY;
        const std::string_view text = e.Text;
        int level = 0, axis = 0;
        double most[2] = {0, 0};
        for (size_t k = 0; k < text.size();) {
            if (text[k] == '{') {
                const size_t end = std::min(text.find('}', k), text.size());
                for (size_t t = text.find("\\p", k); t < end; t = text.find("\\p", t + 1))
                    if (t + 2 < end && std::isdigit(static_cast<unsigned char>(text[t + 2])))
                        level = std::atoi(std::string(text.substr(t + 2, 4)).c_str());
                k = end + 1;
                axis = 0;
                continue;
            }
            const char c = text[k];
            if (level > 0 && (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.')) {
                size_t used = 0;
                double v = 0;
                try {
                    v = std::stod(std::string(text.substr(k, 32)), &used);
                } catch (const std::exception&) {
                    used = 1;
                }
                const double scaled =
                    std::abs(v) / std::ldexp(1.0, std::min(level, 30) - 1) * (axis ? sy : sx);
                most[axis] = std::max(most[axis], scaled);
                axis ^= 1;
                k += std::max<size_t>(used, 1);
                continue;
            }
            ++k;
        }
        if (most[0] > kMostDrawing * width_ || most[1] > kMostDrawing * height_) {
            e.Duration = 0;
            ++leftOut;
        }
    }
    if (leftOut > 0)
        warnings_.push_back(std::to_string(leftOut) + (leftOut == 1 ? " event" : " events") +
                            " with a drawing far larger than the picture left out");
}

int AssScript::Render(int64_t ms, ASS_Image** images) {
    Listening listening(warnings_, seenMessages_);
    int change = 0;
    *images = ass_render_frame(renderer_, track_, ms, &change);
    return change;
}

bool AssScript::Animated(int event) const {
    const ASS_Event& e = track_->events[event];
    if (e.Effect && *e.Effect) return true;
    if (!e.Text) return false;
    const std::string text = Lower(e.Text);
    for (const char* tag : {"\\move", "\\fad", "\\t(", "\\k"})
        if (text.find(tag) != std::string::npos) return true;
    return false;
}

std::vector<Rgb> AssScript::Colours() const {
    std::map<uint32_t, long> uses;
    const auto add = [&](uint32_t rgba, long weight) {
        if ((rgba & 0xFF) != 0xFF) uses[rgba >> 8] += weight;  // not wholly transparent
    };
    std::vector<long> styleUses(size_t(std::max(track_->n_styles, 0)), 1);
    for (int i = 0; i < track_->n_events; ++i) {
        const ASS_Event& e = track_->events[i];
        if (e.Style >= 0 && e.Style < track_->n_styles) styleUses[size_t(e.Style)] += 10;
        if (!e.Text) continue;
        // \c, \1c .. \4c with &Hbbggrr& (blue first).
        const std::string_view text = e.Text;
        for (size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', at + 1)) {
            size_t k = at + 1;
            if (k < text.size() && text[k] >= '1' && text[k] <= '4') ++k;
            if (k + 2 >= text.size() || (text[k] != 'c' && text[k] != 'C') || text[k + 1] != '&') continue;
            k += 2;
            if (k < text.size() && (text[k] == 'H' || text[k] == 'h')) ++k;
            uint32_t bgr = 0;
            int digits = 0;
            for (; k < text.size() && digits < 8 && std::isxdigit(static_cast<unsigned char>(text[k]));
                 ++k, ++digits)
                bgr = bgr << 4 | uint32_t(std::isdigit(static_cast<unsigned char>(text[k]))
                                              ? text[k] - '0'
                                              : (text[k] | 0x20) - 'a' + 10);
            if (digits == 0) continue;
            add((bgr & 0xFF) << 24 | (bgr >> 8 & 0xFF) << 16 | (bgr >> 16 & 0xFF) << 8, 10);
        }
    }
    for (int i = 0; i < track_->n_styles; ++i) {
        const ASS_Style& s = track_->styles[i];
        const long w = styleUses[size_t(i)];
        add(s.PrimaryColour, w * 4);
        add(s.OutlineColour, w * 2);
        add(s.BackColour, s.BorderStyle == 3 ? w * 2 : w / 2);
        add(s.SecondaryColour, w / 4);
    }
    std::vector<std::pair<long, uint32_t>> order;
    for (const auto& [colour, n] : uses) order.push_back({-n, colour});
    std::sort(order.begin(), order.end());
    std::vector<Rgb> out;
    for (const auto& [n, colour] : order) out.push_back(Rgb::FromPacked(colour));
    return out;
}

void AssScript::Draw(int64_t ms, AssPicture& picture) {
    ASS_Image* images = nullptr;
    Render(ms, &images);
    ComposeAssImages(images, width_, height_, picture);
}

void AssScript::Walk(double fps, const std::function<void(const AssMoment&, const AssPicture&)>& shown) {
    AssPicture picture;
    WalkImages(
        fps,
        [&](const ASS_Image* images) {
            ComposeAssImages(images, width_, height_, picture);
            return !picture.Empty();
        },
        [&](const AssMoment& moment) { shown(moment, picture); });
}

void AssScript::WalkImages(double fps, const std::function<bool(const ASS_Image*)>& take,
                           const std::function<void(const AssMoment&)>& shown) {
    // Each event's stretch on screen (from 0 at the earliest) and whether it
    // animates; the cuts are their starts and ends.
    struct Span {
        int64_t start, end;
        bool animated;
    };
    std::vector<Span> spans;
    std::vector<int64_t> cuts;
    for (int i = 0; i < track_->n_events; ++i) {
        const ASS_Event& e = track_->events[i];
        if (e.Duration <= 0 || e.Start + e.Duration <= 0) continue;
        spans.push_back({std::max<int64_t>(e.Start, 0), e.Start + e.Duration, Animated(i)});
        cuts.push_back(spans.back().start);
        cuts.push_back(spans.back().end);
    }
    if (cuts.empty()) return;
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    // Between two cuts the same events are on screen: those started at the
    // first or before and not ended by it, counted as the cuts go by.
    std::vector<const Span*> byStart, byEnd;
    for (const Span& s : spans) byStart.push_back(&s), byEnd.push_back(&s);
    std::sort(byStart.begin(), byStart.end(),
              [](const Span* l, const Span* r) { return l->start < r->start; });
    std::sort(byEnd.begin(), byEnd.end(), [](const Span* l, const Span* r) { return l->end < r->end; });
    size_t started = 0, ended = 0;
    long onScreen = 0, animating = 0;
    bool open = false;
    AssMoment moment;
    long budget = frameBudget_;  // past it an animation is shown as it was
    bool budgetSaid = false;
    // A change at `at`: the picture up to it is done, the one from it starts.
    const auto changeAt = [&](int64_t at, ASS_Image* images) {
        if (open && at > moment.startMs) {
            moment.endMs = at;
            shown(moment);
        }
        open = take(images);
        moment.startMs = at;
    };
    for (size_t c = 0; c < cuts.size(); ++c) {
        const int64_t a = cuts[c], b = c + 1 < cuts.size() ? cuts[c + 1] : a;
        for (; started < byStart.size() && byStart[started]->start <= a; ++started)
            ++onScreen, animating += byStart[started]->animated;
        for (; ended < byEnd.size() && byEnd[ended]->end <= a; ++ended)
            --onScreen, animating -= byEnd[ended]->animated;
        animating_ = animating > 0 && fps > 0;
        // Nothing on screen: libass would draw nothing and report a change
        // from whatever was shown.
        if (onScreen == 0) {
            changeAt(a, nullptr);
            continue;
        }
        ASS_Image* images = nullptr;
        const int change = Render(a, &images);
        if (change != 0 || !open || c == 0) changeAt(a, images);
        if (c + 1 == cuts.size() || !animating_) continue;
        for (int64_t k = int64_t(std::floor(double(a) * fps / 1000)) + 1;; ++k) {
            const int64_t t = int64_t(std::ceil(double(k) * 1000 / fps - 1e-9));
            if (t >= b) break;
            if (t <= a) continue;
            if (--budget < 0) {
                if (!budgetSaid)
                    warnings_.push_back("too many animated frames; animations from " + std::to_string(t) +
                                        " ms on are shown as still pictures");
                budgetSaid = true;
                break;
            }
            if (Render(t, &images) != 0) changeAt(t, images);
        }
    }
    animating_ = false;
    if (open) {
        moment.endMs = cuts.back();
        if (moment.endMs > moment.startMs) shown(moment);
    }
}

void ComposeAssImages(const ASS_Image* images, int width, int height, AssPicture& picture) {
    picture.width = picture.height = 0;
    int left = width, top = height, right = 0, bottom = 0;
    for (const ASS_Image* i = images; i; i = i->next) {
        if (i->w <= 0 || i->h <= 0 || (i->color & 0xFF) == 0xFF) continue;
        left = std::min(left, std::max(i->dst_x, 0));
        top = std::min(top, std::max(i->dst_y, 0));
        right = std::max(right, std::min(i->dst_x + i->w, width));
        bottom = std::max(bottom, std::min(i->dst_y + i->h, height));
    }
    if (right <= left || bottom <= top) return;
    const int w = right - left, h = bottom - top;
    picture.rgba.assign(size_t(w) * size_t(h) * 4, 0);
    for (const ASS_Image* i = images; i; i = i->next) {
        const unsigned opacity = 255 - (i->color & 0xFF);
        if (i->w <= 0 || i->h <= 0 || opacity == 0) continue;
        const unsigned c[4] = {i->color >> 24, (i->color >> 16) & 0xFF, (i->color >> 8) & 0xFF, 255};
        const int x0 = std::max(i->dst_x, left), x1 = std::min(i->dst_x + i->w, right);
        const int y0 = std::max(i->dst_y, top), y1 = std::min(i->dst_y + i->h, bottom);
        for (int y = y0; y < y1; ++y) {
            const unsigned char* src = i->bitmap + size_t(y - i->dst_y) * size_t(i->stride) + (x0 - i->dst_x);
            uint8_t* dst = picture.rgba.data() + (size_t(y - top) * size_t(w) + size_t(x0 - left)) * 4;
            for (int x = x0; x < x1; ++x, ++src, dst += 4) {
                const unsigned k = unsigned(*src) * opacity;  // 0 .. 255 * 255
                if (k == 0) continue;
                for (int n = 0; n < 4; ++n)
                    dst[n] = uint8_t((c[n] * k + dst[n] * (65025 - k) + 32512) / 65025);
            }
        }
    }
    // Cropped to the ink: rows and columns with any opacity.
    int inkTop = h, inkBottom = -1, inkLeft = w, inkRight = -1;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = picture.rgba.data() + size_t(y) * size_t(w) * 4;
        for (int x = 0; x < w; ++x)
            if (row[x * 4 + 3]) {
                inkTop = std::min(inkTop, y);
                inkBottom = y;
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
            }
    }
    if (inkBottom < 0) return;
    const int cw = inkRight - inkLeft + 1, ch = inkBottom - inkTop + 1;
    if (cw != w || ch != h) {
        for (int y = 0; y < ch; ++y)
            std::copy_n(picture.rgba.data() + (size_t(y + inkTop) * size_t(w) + size_t(inkLeft)) * 4,
                        size_t(cw) * 4, picture.rgba.data() + size_t(y) * size_t(cw) * 4);
        picture.rgba.resize(size_t(cw) * size_t(ch) * 4);
    }
    picture.x = left + inkLeft;
    picture.y = top + inkTop;
    picture.width = cw;
    picture.height = ch;
}

}  // namespace glyphon
