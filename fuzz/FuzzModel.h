// Shared by the fuzz targets that drive the main window's logic: a Ui that
// answers every dialog with "cancel" and counts what it is asked to show, and
// a text engine with arithmetic metrics, so that no font is ever opened.
#pragma once

#include <string>
#include <string_view>

#include "app/TForm1.h"
#include "app/Ui.h"
#include "render/TextEngine.h"

namespace glyphon::fuzz {

class QuietUi : public Ui {
public:
    void ShowMessage(const std::string& text) override {
        last = text;
        ++messages;
    }
    void ShowError(const std::string& text) override {
        last = text;
        ++errors;
    }
    bool Execute(TOpenDialog&) override { return false; }
    void ProcessMessages() override {}
    void ShowModalWindow(WindowKind) override {}
    void Terminate(int exitStatus) override {
        terminated = true;
        status = exitStatus;
    }
    std::string last;
    int messages = 0, errors = 0, status = 0;
    bool terminated = false;
};

// Every byte 7 pixels wide, every line 27 high; a drawn line is a solid block.
class BlockTextEngine : public TextEngine {
public:
    TextExtent MeasureLine(std::string_view text, const FontSpec&) override {
        return {int(text.empty() ? 1 : text.size()) * 7, 27};
    }
    void DrawLineMask(std::string_view text, const FontSpec&, LineMask& mask) override {
        mask.Reset(0, 0, int(text.size()) * 7, text.empty() ? 0 : 27);
        for (int y = 0; y < mask.height; ++y)
            for (int x = 0; x < mask.width; ++x) mask.Set(x, y);
    }
};

// A list position is either unset or one of the list's items.
inline bool ValidIndex(const TComboBox& c) { return c.itemIndex >= -1 && c.itemIndex < int(c.items.size()); }

}  // namespace glyphon::fuzz
