// What the main window's logic needs from the toolkit. The Qt view, the
// headless command-line runner and the tests' scripted fake each implement it.
#pragma once

#include <optional>
#include <string>

#include "app/Controls.h"
#include "common/MessageSink.h"
#include "common/Rgb.h"

namespace glyphon {

enum class WindowKind { ColorsHelp, About };

class Ui : public MessageSink {
public:
    ~Ui() override = default;

    // Plain modal message box, one OK button; "\r" separates lines.
    // (ShowMessage comes from MessageSink.)

    // The application's error box (title = application title) for conversion
    // and file errors that end a window action.
    virtual void ShowError(const std::string& text) = 0;

    // The error box of a run that failed writing `file`: a window shows the
    // system's message alone, as every error box does; a run without a
    // window has no box to stand beside the file name, so it also names it.
    virtual void ShowOutputError(const std::string& file, const std::string& text) {
        (void)file;
        ShowError(text);
    }

    // Runs a file-open dialog. On OK stores the chosen name in
    // dialog.fileName and returns true; on cancel leaves it unchanged.
    virtual bool Execute(TOpenDialog& dialog) = 0;

    // Let pending window messages run once (may re-enter the handlers).
    virtual void ProcessMessages() = 0;

    // Shows another window modally.
    virtual void ShowModalWindow(WindowKind kind) = 0;

    // Asks the application to end with this exit status once the current
    // handler has returned.
    virtual void Terminate(int exitStatus) = 0;

    // The model changed in a way the screen should show now (caption,
    // progress, preview) even though the handler has not returned yet.
    virtual void Changed() {}

    // Whether anybody sees the preview picture. Without a window the
    // preview's background and drawing are skipped; its fit check still runs.
    virtual bool ShowsPreview() const { return true; }

    // Loads a picture file as a frame of its own size; nullopt when it cannot
    // be read. The default reads uncompressed 24-bit BMP files.
    virtual std::optional<Frame> LoadPicture(const std::string& path);
};

}  // namespace glyphon
