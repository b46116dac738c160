// Styled subtitle scripts (ASS and SSA, v4 and v4+) read and drawn by libass:
// its own parser, fonts through fontconfig, the fonts a script embeds in its
// [Fonts] section and those of a folder (a film's attachments). Pictures are
// drawn at the output's size, the script's PlayRes scaled to it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/Rgb.h"

struct ass_library;
struct ass_renderer;
struct ass_track;
struct ass_image;

namespace glyphon {

// A script that cannot be read or drawn; the message names the file.
class AssError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A picture of RGBA pixels, colours premultiplied by their opacity (r, g,
// b, a per pixel), placed in the frame; empty when nothing is shown.
struct AssPicture {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<uint8_t> rgba;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// One stretch of time during which the picture does not change: from startMs
// up to endMs (whole milliseconds).
struct AssMoment {
    int64_t startMs = 0, endMs = 0;
};

// One dialogue event as a list shows it: its times and the text people
// read (override blocks and drawings left out, one string a line).
struct AssEvent {
    int64_t startMs = 0, endMs = 0;
    std::vector<std::string> lines;
};

class AssScript {
public:
    // Reads the script from `path` for a `width` x `height` output. Fonts
    // come from fontconfig, the script's [Fonts] section and `fontsDir`
    // (none when empty). Throws AssError naming the file.
    AssScript(const std::string& path, int width, int height, const std::string& fontsDir = {});
    // The same from bytes already read; `name` is what messages call it.
    AssScript(const std::string& name, std::string_view bytes, int width, int height,
              const std::string& fontsDir = {});
    ~AssScript();
    AssScript(const AssScript&) = delete;
    AssScript& operator=(const AssScript&) = delete;

    int EventCount() const;
    // Every dialogue event, by start time (file order among equals).
    std::vector<AssEvent> Events() const;
    // At most `frames` frames drawn by Walk to look for changes within
    // animations (200,000 unless set), so that no script keeps us for hours.
    void LimitFrames(long frames) { frameBudget_ = frames; }
    // Pictures for a frame whose pixels are shown `widthToHeight` times as
    // wide as tall (a DVD's 720 columns stretched or squeezed to 4:3 or
    // 16:9), so that letters keep their shapes once the player scales the
    // frame; square pixels (1) unless set. Drawings and positions follow
    // PlayRes to the frame whatever is set; a script's LayoutResX/Y decides
    // instead when it has them (libass's rule).
    void SetPixelAspect(double widthToHeight);
    // What the user should know about the script (PlayRes missing or not
    // positive, events left out), one line each, without the file's name:
    // the caller's message names it.
    const std::vector<std::string>& Warnings() const { return warnings_; }

    // Hands out every stretch of time with one picture, in order, with the
    // picture: cut at every event's start and end, and within events that
    // animate (moves, fades, karaoke, transforms, scrolling effects) at every
    // frame of `fps` frames a second where libass reports the picture
    // changed. Stretches without anything shown are left out.
    void Walk(double fps, const std::function<void(const AssMoment&, const AssPicture&)>& shown);
    // The same walk for a caller that keeps each picture in a form of its
    // own: `take` turns libass's images at each change into it (false when
    // nothing is shown; the images are gone after the call), and `shown`
    // hands out the stretch of time the picture taken last stands for.
    void WalkImages(double fps, const std::function<bool(const ::ass_image*)>& take,
                    const std::function<void(const AssMoment&)>& shown);
    // While `take` runs: whether the picture may change before the next
    // event starts or ends (an animated event is on screen).
    bool Animating() const { return animating_; }
    // The colours the script names (its styles' primary, secondary,
    // outline and back colours, and every colour tag of its events), the
    // most used first, each once.
    std::vector<Rgb> Colours() const;

    // The picture at `ms`, cropped to its ink.
    void Draw(int64_t ms, AssPicture& picture);

private:
    void Open(const std::string& name, std::string_view bytes, const std::string& fontsDir);
    // Renders at ms; returns libass's change report (0 same, 1 moved, 2 new).
    int Render(int64_t ms, ::ass_image** images);
    bool Animated(int event) const;
    // Events whose drawings reach far past the picture are left out, with a
    // warning.
    void LeaveOutHugeDrawings();
    // Frees the track and gives libass back (to the pool when it may be
    // used again).
    void Release();

    int width_, height_;
    ::ass_library* library_ = nullptr;
    ::ass_renderer* renderer_ = nullptr;
    ::ass_track* track_ = nullptr;
    bool pooled_ = false;  // library and renderer from the pool, going back to it
    std::string fontsDir_;
    std::vector<std::string> warnings_;
    std::set<std::string> seenMessages_;  // libass's, each kept once
    long frameBudget_ = 200000;
    bool animating_ = false;
};

// Draws libass's image list into a picture: every image's coverage in its
// colour, blended over those before it, cropped to the ink. Coordinates
// outside width x height are cut off.
void ComposeAssImages(const ::ass_image* images, int width, int height, AssPicture& picture);

}  // namespace glyphon
