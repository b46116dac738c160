// A trivial output kind that a test adds to the output table for its own
// lifetime: "NAME.fixture.txt", one line a picture with its start and end in
// milliseconds. It is on by default, so that every front end's run writes it
// without being told of it (the window shows a ticked box for it);
// `--format fixture` asks for it alone.
#pragma once

#include <memory>
#include <string>

#include "common/StagedFile.h"
#include "core/OutputKinds.h"
#include "subtitle/Cue.h"

namespace glyphon::test {

class FixtureSink : public UnitSink {
public:
    explicit FixtureSink(std::string path) : path_(std::move(path)) {}
    void Write(const DrawnSubtitle& p) override {
        text_ += std::to_string(MsOfTicks(p.start)) + " " + std::to_string(MsOfTicks(p.end)) + "\n";
    }
    void Seal() override {
        staged_ = std::make_unique<StagedFile>(path_);
        staged_->Write(text_.data(), text_.size());
        staged_->Close();
    }
    void Close() override {
        if (!staged_) Seal();
        staged_->Commit();
    }
    void Discard() override {
        if (staged_) staged_->Discard();
    }

private:
    std::string path_, text_;
    std::unique_ptr<StagedFile> staged_;
};

class ScopedFixtureKind {
public:
    ScopedFixtureKind() {
        OutputKind kind;
        kind.name = "fixture";
        kind.formatHelp = "fixture (NAME.fixture.txt)";
        kind.caption = "Also write the fixture (.fixture.txt)";
        kind.byDefault = true;
        kind.files = [](const std::string& stem, const ConversionJob&) {
            return std::vector<std::string>{stem + ".fixture.txt"};
        };
        kind.make = [](SinkRequest& r) -> std::unique_ptr<UnitSink> {
            return std::make_unique<FixtureSink>(r.stem + ".fixture.txt");
        };
        RegisterOutputKind(std::move(kind));
    }
    ~ScopedFixtureKind() { UnregisterOutputKind("fixture"); }
    ScopedFixtureKind(const ScopedFixtureKind&) = delete;
    ScopedFixtureKind& operator=(const ScopedFixtureKind&) = delete;
};

// The cue times libavformat reads, as the fixture writes them (cues that
// never share the screen are one picture each).
inline std::string FixtureLinesOf(const std::vector<std::pair<int64_t, int64_t>>& cues) {
    std::string text;
    for (const auto& [start, end] : cues) text += std::to_string(start) + " " + std::to_string(end) + "\n";
    return text;
}

}  // namespace glyphon::test
