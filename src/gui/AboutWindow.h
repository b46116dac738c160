// The About window: what the program is, how to use it, the running version,
// and the version check against the project's server.
#pragma once

#include <QDialog>
#include <QLabel>
#include <functional>
#include <string>
#include <vector>

#include "update/Updater.h"

class QPlainTextEdit;
class QPushButton;

namespace glyphon {

// A label (text or picture) that answers a click, as the About window's
// links and donation picture do.
class TClickLabel : public QLabel {
public:
    explicit TClickLabel(QWidget* parent = nullptr) : QLabel(parent) {}
    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Shown, with the address on the next line, when a page cannot be opened
// because no web browser could be started.
inline constexpr const char* kNoBrowserMessage = "No web browser could be started to show this page:";

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Centres the window on the screen and shows it modally.
    int ShowModal();

    // ---- handlers ----------------------------------------------------------
    void FormCreate();               // draws the picture, sets the description
    void ButtonCheckVersionClick();  // one version check
    void Button1Click();             // "Visit the official site" and "Morvane"
    void Label5Click();              // the first credited helper's page
    void ImageDonateClick();         // the donation page

    // ---- controls ----------------------------------------------------------
    QLabel* Image1;
    QLabel* LabelDescription;
    QLabel* LabelMadeBy;
    TClickLabel* LabelMorvane = nullptr;
    QLabel* LabelCurrentVersion;
    QLabel* LabelVersion;  // its text is the running version, compared by the check
    QPlainTextEdit* Memo1;
    QLabel* LabelThanks;
    TClickLabel* Label5;
    QLabel* Label6;
    QPushButton* Button1;
    QPushButton* ButtonCheckVersion;
    TClickLabel* ImageDonate;

    // The description as set at creation, lines separated by "\r".
    const std::string& Description() const { return description_; }

    // The usage text, line by line.
    static std::vector<std::string> UsageLines();

    // Where "Check Version" asks (the project's server unless changed) and
    // who answers its dialogs (message boxes and the browser unless set).
    void SetVersionEndpoint(const VersionEndpoint& endpoint) { endpoint_ = endpoint; }
    void SetUpdateUi(UpdateUi* ui) { updateUi_ = ui; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void OpenUrl(const std::string& url);
    // "Morvane" in the palette's link colour.
    void ShowLinkColour();

    std::string description_;
    VersionEndpoint endpoint_;
    UpdateUi* updateUi_ = nullptr;
};

// Shows the About window of `parent` modally, creating it on first use as a
// child of `parent` so that it lives as long as the main window.
void ShowAbout(QWidget* parent);

}  // namespace glyphon
