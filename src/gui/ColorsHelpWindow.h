// The colours help window: explains the four colour roles with a picture and
// warns against binding a role to a blue palette entry (blue is the frame's
// background and reads back as background).
#pragma once

#include <QDialog>

class QLabel;

namespace glyphon {

class TFormColorsHelp : public QDialog {
    Q_OBJECT
public:
    explicit TFormColorsHelp(QWidget* parent = nullptr);

    // Loads the built-in picture into `colors`; runs each time the window
    // becomes active.
    void FormActivate();

    // Shows the window modally; returns when the user closes it.
    int ShowModal();

    QLabel* Label1;  // "ATTENTION"
    QLabel* Info;
    QLabel* Label7;  // "Colors Example"
    QLabel* colors;  // the picture, at its top left, not stretched

protected:
    bool event(QEvent* e) override;
};

// Shows the colours help window of `parent` modally, creating it on first use
// as a child of `parent` so that it lives as long as the main window.
void ShowColorsHelp(QWidget* parent);

}  // namespace glyphon
