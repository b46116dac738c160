// Writes subtitle files byte for byte into a fresh folder and loads them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Convert.h"
#include "subtitle/Subtitle.h"
#include "support/TempDir.h"

namespace glyphon::test {

class RecordingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

inline const std::string kUnsupported = "Unsupported Subtitle Format !";
inline const std::string kNoFrameRate =
    "Please write at the first line of your *.sub subtitle the fps of this subtitle\rExample: {1}{1}25.000";

class SubtitleFiles : public ::testing::Test {
protected:
    // Loads `bytes` written as `name` into `subs` with ClearFirst set.
    void Load(const std::string& name, const std::string& bytes) {
        subs.LoadFromFile(dir.Write(name, bytes), true, sink);
    }
    // Loads and returns the conversion error's text; fails when none comes.
    std::string LoadError(const std::string& name, const std::string& bytes) {
        try {
            Load(name, bytes);
        } catch (const ConvertError& e) {
            return e.what();
        }
        ADD_FAILURE() << "no conversion error for " << name;
        return {};
    }
    void ExpectEntry(int index, const std::string& start, const std::string& end, const std::string& l1,
                     const std::string& l2 = "", const std::string& l3 = "") {
        ASSERT_GE(subs.Count(), index);
        const SubtitleLine e = subs.GetLine(index);
        // Times are given in milliseconds.
        EXPECT_EQ(e.start, TicksOfMs(std::stoll(start))) << "entry " << index;
        EXPECT_EQ(e.end, TicksOfMs(std::stoll(end))) << "entry " << index;
        EXPECT_EQ(e.Line1, l1) << "entry " << index;
        EXPECT_EQ(e.Line2, l2) << "entry " << index;
        EXPECT_EQ(e.Line3(), l3) << "entry " << index;
    }

    TempDir dir;
    RecordingSink sink;
    TSubtitle subs;
};

}  // namespace glyphon::test
