// The main window's Qt view: renders TForm1's state into widgets and forwards
// widget events to its handlers. No conversion logic lives here.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/TForm1.h"

class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QMimeData;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace glyphon {

class QtUi;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `model` and `ui` outlive the window.
    MainWindow(TForm1& model, QtUi& ui);
    ~MainWindow() override;

    // Renders every control's state from the model.
    void Sync();
    // Runs a handler; an error that escapes it goes to the error box, as the
    // toolkit reports errors that end a window action.
    void Guard(const std::function<void()>& handler);
    // Moves the window to the stored placement when it keeps the window
    // reachable; otherwise centres it the first time.
    void ApplyPlacement();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Subtitle or IFO files dropped onto the window are loaded (several go
    // to the subtitle list).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // A press on the list's selected entry previews it again.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void Connect();
    void AddShortcuts();
    // The local files a drag carries, when the window can load them now.
    QStringList DroppableFiles(const QMimeData* data) const;
    QComboBox* Combo(QWidget* parent, TComboBox& model, int x, int y, int w);
    void SyncCombo(QComboBox* box, const TComboBox& model);
    void SyncSwatches();

    TForm1& model_;
    QtUi& ui_;

    QGroupBox *input_ = nullptr, *colors_ = nullptr, *general_ = nullptr, *fonts_ = nullptr;
    QPushButton *loadIfo_ = nullptr, *loadSub_ = nullptr, *colorsHelp_ = nullptr, *reset_ = nullptr,
                *changeImage_ = nullptr, *about_ = nullptr, *generate_ = nullptr, *batch_ = nullptr;
    QLineEdit *editIfo_ = nullptr, *editSrt_ = nullptr;
    QCheckBox* noIfo_ = nullptr;
    QCheckBox* wrap_ = nullptr;
    QCheckBox* anchor_ = nullptr;
    // The output kinds' boxes and their kinds; the mux's box.
    std::vector<std::pair<QCheckBox*, std::string>> outputBoxes_;
    QCheckBox* mux_ = nullptr;
    QGroupBox* outputs_ = nullptr;
    QListWidget* files_ = nullptr;
    QPushButton *addFiles_ = nullptr, *removeFile_ = nullptr, *fileUp_ = nullptr, *fileDown_ = nullptr,
                *outputFolder_ = nullptr, *outputFolderClear_ = nullptr;
    QLineEdit *language_ = nullptr, *editOutput_ = nullptr;
    QLabel* film_ = nullptr;
    std::vector<std::string> shownFiles_;
    std::vector<std::pair<QComboBox*, QString>> pgsBoxes_;  // the PGS lists and their tips
    QLabel *noIfoLabel_ = nullptr, *ifoColors_ = nullptr;
    QRadioButton *pal_ = nullptr, *ntsc_ = nullptr;
    std::vector<std::pair<QComboBox*, TComboBox*>> combos_;
    QSlider *offset_ = nullptr, *offsetOr_ = nullptr;
    QLabel *labelOffset_ = nullptr, *labelOffsetOr_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* preview_ = nullptr;
    std::vector<QWidget*> swatchWidgets_;
    std::vector<PaletteSwatch> shownSwatches_;
    std::vector<std::string> shownItems_;
    int shownCharset_ = -1;
    bool placed_ = false;  // the window has been given its first place
    int pressedRow_ = -1;  // the list's selected row when the mouse went down
};

}  // namespace glyphon
