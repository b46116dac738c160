// The Ui of the windowed program: Qt message boxes, file dialogs and the
// event loop.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include "app/Ui.h"

class QWidget;

namespace glyphon {

class MainWindow;

class QtUi : public Ui {
public:
    void SetWindow(MainWindow* window) { window_ = window; }

    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    bool Execute(TOpenDialog& dialog) override;
    void ProcessMessages() override;
    void ShowModalWindow(WindowKind kind) override;
    void Terminate(int exitStatus) override;
    void Changed() override;
    std::optional<Frame> LoadPicture(const std::string& path) override;
    // Decoded by libavcodec; the last frame asked for is kept, since every
    // change of a control draws the preview again.
    std::optional<Frame> FilmFrame(const std::string& film, int64_t ms, int width, int height) override;

    int exitStatus() const { return exitStatus_; }

private:
    // Renders the model now, unless it was rendered less than a frame ago:
    // a long run changes the model far faster than anyone can watch.
    void SyncThrottled();

    MainWindow* window_ = nullptr;
    QElapsedTimer lastSync_;
    int exitStatus_ = 0;
    struct ShownFilmFrame {
        std::string film;
        int64_t ms = -1;
        int width = 0, height = 0;
        std::optional<Frame> frame;
    } filmFrame_;
};

// The model's 8-bit texts (file names, messages) as Qt text, read in the
// locale's encoding as file names are.
QString ToQString(const std::string& text);

// Message texts separate lines with a carriage return; Qt wants "\n".
std::string ToDisplayText(std::string text);

// The title of error boxes and plain messages.
inline constexpr const char* kApplicationTitle = "Glyphon";

}  // namespace glyphon
