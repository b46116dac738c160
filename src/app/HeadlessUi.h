// The Ui of a conversion run without any window: used when there is no
// display and the program was started with a complete command line.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "app/TForm1.h"
#include "app/Ui.h"

namespace glyphon {

class HeadlessUi : public Ui {
public:
    // Message and error texts go to `err` (standard error by default).
    explicit HeadlessUi(std::FILE* err = stderr) : err_(err) {}

    // Every box becomes a line (or several) of text: nobody is there to
    // press OK, so the run goes on as if someone had.
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowOutputError(const std::string& file, const std::string& text) override;
    // No dialog can be shown: every dialog is cancelled.
    bool Execute(TOpenDialog& dialog) override;
    void ProcessMessages() override {}
    void ShowModalWindow(WindowKind) override {}
    void Terminate(int exitStatus) override;
    bool ShowsPreview() const override { return false; }

    // The exit status asked for by the run, if any.
    std::optional<int> terminated() const { return terminated_; }

private:
    void WriteText(const std::string& text);

    std::FILE* err_;
    std::optional<int> terminated_;
};

// A message box text as lines of a terminal: every "\r" (and "\r\n") becomes
// one line break, and the text ends with one.
std::string MessageAsLines(const std::string& text);

// Runs the conversion of a complete command line without a window: creates,
// shows and activates the main window's model, then closes it. Returns 0 when
// the run ended the program as a successful conversion does, 1 when it
// refused or failed (where a window would have stayed open).
int RunHeadless(TextEngine& text, AppEnvironment env, std::FILE* err = stderr);

}  // namespace glyphon
