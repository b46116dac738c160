// The Qt views, offscreen: they must show the model's state and forward
// events to its handlers.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <cstdlib>
#include <tuple>

#include "app/TForm1.h"
#include "gui/AboutWindow.h"
#include "gui/ColorsHelpWindow.h"
#include "gui/ColorsPicture.h"
#include "gui/MainWindow.h"
#include "gui/QtUi.h"
#include "support/FakeTextEngine.h"
#include "support/FixtureOutputKind.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

QApplication& App() {
    // One application object for every test file of the program.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
    static int argc = 1;
    static char name[] = "tests_gui";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

template <typename W>
W* Find(QWidget* root, const QString& text) {
    for (W* w : root->findChildren<W*>())
        if (w->text() == text || QString(w->text()).remove('&') == text) return w;
    return nullptr;
}

}  // namespace

class MainWindowView : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        AppEnvironment env;
        env.programDir = dir.path() + "/";
        env.settingsPath = dir.File("Glyphon_Settings.ini");
        env.args = {"glyphon"};
        env.installedFamilies = {"Liberation Sans"};
        model = std::make_unique<TForm1>(ui, text, env);
        model->FormCreate();
        window = std::make_unique<MainWindow>(*model, ui);
        ui.SetWindow(window.get());
    }
    void TearDown() override { ui.SetWindow(nullptr); }
    void CheckOutputsPanel();

    TempDir dir;
    QtUi ui;
    FakeTextEngine text;
    std::unique_ptr<TForm1> model;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowView, FixedWindowWithEveryGroupAtItsPlace) {
    EXPECT_EQ(window->windowTitle(), "Glyphon By Morvane");
    EXPECT_EQ(window->height(), 705);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    const std::pair<QString, QRect> groups[] = {{"Input", {8, 0, 305, 78}},
                                                {"Colors", {316, 0, 296, 52}},
                                                {"General Settings", {616, 0, 180, 52}},
                                                {"Render Fonts", {316, 56, 480, 68}}};
    for (const auto& [title, rect] : groups) {
        QGroupBox* box = nullptr;
        for (QGroupBox* g : window->findChildren<QGroupBox*>())
            if (g->title() == title) box = g;
        ASSERT_NE(box, nullptr) << title.toStdString();
        EXPECT_EQ(box->geometry(), rect) << title.toStdString();
    }
    for (const char* caption : {"Load IFO", "Load SRT", "?", "About", "Generate Sup", "Add To Batch"})
        EXPECT_NE(Find<QPushButton>(window.get(), caption), nullptr) << caption;
    for (const char* caption : {"Antialias", "Outine", "Text", "Background", "Font Name", "Font Charset",
                                "Font Style", "Font Size", "Align", "Offsets", "Outline",
                                "Ifo Colors:", "     I dont have any Ifo or my Ifo hasnt sup support"})
        EXPECT_NE(Find<QLabel>(window.get(), caption), nullptr) << caption;
}

TEST_F(MainWindowView, StartStateShowsListsStandardAndReadOnlyFields) {
    auto* pal = Find<QRadioButton>(window.get(), "Pal");
    auto* ntsc = Find<QRadioButton>(window.get(), "Ntsc");
    ASSERT_TRUE(pal && ntsc);
    EXPECT_TRUE(pal->isChecked());
    EXPECT_FALSE(pal->isEnabled());
    EXPECT_FALSE(ntsc->isEnabled());
    QStringList current;
    for (QComboBox* c : window->findChildren<QComboBox*>()) current << c->currentText();
    for (const char* text : {"Arial", "DEFAULT", "Normal", "20", "center", "3", "Color 0"})
        EXPECT_TRUE(current.contains(text)) << text;
    const auto labels = window->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
        return !l->pixmap().isNull() && l->pixmap().size() == QSize(720, 576) && l->pos() == QPoint(40, 126);
    }));
}

TEST_F(MainWindowView, TickingTheBoxShowsTheGenericSwatchesAndFreesTheStandard) {
    auto* box = Find<QCheckBox>(window.get(), "polycromatic");
    ASSERT_NE(box, nullptr);
    box->click();
    EXPECT_TRUE(model->NoIfoMode);
    EXPECT_TRUE(model->IfoLoaded);
    int swatches = 0;
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->size() == QSize(14, 14) && l->pos().y() == 62) {
            ++swatches;
            // Coloured through the palette: a style sheet would paint the
            // tooltip in the swatch's colour too.
            EXPECT_TRUE(l->styleSheet().isEmpty());
            EXPECT_FALSE(l->toolTip().isEmpty());
        }
    EXPECT_EQ(swatches, 16);
    EXPECT_TRUE(Find<QRadioButton>(window.get(), "Ntsc")->isEnabled());
    Find<QRadioButton>(window.get(), "Ntsc")->click();
    EXPECT_FALSE(model->Pal.checked);
    EXPECT_EQ(model->preview.Height(), 480);

    box->click();
    swatches = 0;
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->size() == QSize(14, 14) && l->pos().y() == 62) ++swatches;
    EXPECT_EQ(swatches, 0);
}

// The added options sit in a panel of their own right of the classic
// controls: each caption on one line, each list wide enough for its longest
// choice, nothing overlapping, every box forwarding to the model (the mux's
// asks for a film: it is pressed under Xvfb).
void MainWindowView::CheckOutputsPanel() {
    QGroupBox* panel = nullptr;
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        if (g->title() == "Outputs") panel = g;
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(window->rect().contains(panel->geometry()));
    EXPECT_GE(panel->geometry().left(), 803);  // clear of the classic window
    std::vector<TCheckBox*> boxes{&model->CheckBoxWrap, &model->CheckBoxAnchorBottom};
    for (TForm1::OutputBox& output : model->OutputBoxes)
        if (output.box.visible && &output.box != &model->CheckBoxMux) boxes.push_back(&output.box);
    std::vector<QRect> taken;
    for (TCheckBox* state : boxes) {
        QCheckBox* box = Find<QCheckBox>(panel, QString::fromStdString(state->caption));
        ASSERT_NE(box, nullptr) << state->caption;
        EXPECT_GE(box->width(), box->sizeHint().width()) << state->caption;  // one line, whole
        for (const QRect& other : taken) EXPECT_FALSE(other.intersects(box->geometry())) << state->caption;
        taken.push_back(box->geometry());
        const bool before = state->checked;
        box->click();
        EXPECT_NE(state->checked, before) << state->caption;
        model->SetControlsEnabled(false);
        window->Sync();
        EXPECT_FALSE(box->isEnabled()) << state->caption;
        model->SetControlsEnabled(true);
        window->Sync();
    }
    int lists = 0;
    for (QComboBox* c : panel->findChildren<QComboBox*>()) {
        ++lists;
        int widest = 0;
        for (int i = 0; i < c->count(); ++i)
            widest = std::max(widest, c->fontMetrics().horizontalAdvance(c->itemText(i)));
        EXPECT_GE(c->width(), widest + 13) << c->toolTip().toStdString();  // text beside the arrow
    }
    EXPECT_EQ(lists, 3);  // the PGS size and colours
}

TEST_F(MainWindowView, TheOutputsPanelHoldsTheAddedOptionsReadably) { CheckOutputsPanel(); }

// A kind registered in the output table alone gets its box in the panel.
class MainWindowWithNewKind : public MainWindowView {
    ScopedFixtureKind fixture_;
};

TEST_F(MainWindowWithNewKind, ItsBoxJoinsTheOutputsPanel) {
    EXPECT_TRUE(model->OutputCheckBox("fixture").visible);
    CheckOutputsPanel();
}

TEST_F(MainWindowView, PgsListsForwardPicks) {
    QComboBox* size = nullptr;
    for (QComboBox* c : window->findChildren<QComboBox*>())
        if (c->toolTip().startsWith("Picture size")) size = c;
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->toolTip(), "Picture size of the Blu-ray PGS output: 1920x1080");
    emit size->activated(1);
    EXPECT_EQ(model->ComboBoxPgsResolution.Text(), "1280x720");
    EXPECT_EQ(model->Pgs.video.height, 720);
    EXPECT_EQ(size->toolTip(), "Picture size of the Blu-ray PGS output: 1280x720");
}

TEST_F(MainWindowView, TrackBarsForwardAndShowTheModelsCorrection) {
    QSlider* vertical = nullptr;
    for (QSlider* s : window->findChildren<QSlider*>())
        if (s->orientation() == Qt::Vertical) vertical = s;
    ASSERT_NE(vertical, nullptr);
    vertical->setValue(-13);
    EXPECT_EQ(model->offset_or.position, -12);
    EXPECT_EQ(vertical->value(), -12);
    EXPECT_NE(Find<QLabel>(window.get(), "-12"), nullptr);
}

TEST_F(MainWindowView, ListShowsEntriesAsTheChosenCharacterSetReadsThem) {
    model->ListBox1.items = {"Caf\xE9 au lait|s'il vous pla\xEEt"};
    window->Sync();
    auto* list = window->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QString::fromUtf8("Caf\u00E9 au lait|s'il vous pla\u00EEt"));
    model->ComboBoxFontCharset.SetItemIndex(13);  // RUSSIAN
    window->Sync();
    EXPECT_EQ(list->item(0)->text(), QString::fromUtf8("Caf\u0439 au lait|s'il vous pla\u043Et"));
}

TEST_F(MainWindowView, ArrowAndPageKeysMoveTheLineSpacingInEvenStepsBothWays) {
    QSlider* vertical = nullptr;
    for (QSlider* s : window->findChildren<QSlider*>())
        if (s->orientation() == Qt::Vertical) vertical = s;
    ASSERT_NE(vertical, nullptr);
    // Delivered straight to the slider with a keyboard of the test's own:
    // Qt's default keyboard, created on the way through the application
    // object, would outlive it and crash the test program at exit.
    const QInputDevice keyboard("test keyboard", 1, QInputDevice::DeviceType::Keyboard);
    auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, 0, 0, 0, QString(), false, 1, &keyboard);
        static_cast<QObject*>(vertical)->event(&event);
        return model->offset_or.position;
    };
    for (const auto& [away, back, step] : {std::tuple{Qt::Key_Down, Qt::Key_Up, 2},
                                           {Qt::Key_Up, Qt::Key_Down, 2},
                                           {Qt::Key_PageDown, Qt::Key_PageUp, 4},
                                           {Qt::Key_PageUp, Qt::Key_PageDown, 4}}) {
        const int moved = press(away);
        EXPECT_EQ(std::abs(moved - -4), step) << away;
        EXPECT_EQ(vertical->value(), moved);
        EXPECT_EQ(press(back), -4) << back;
    }
}

TEST_F(MainWindowView, TheProgressBarIsFullWhenTheRunHasPassedItsLastStep) {
    auto* bar = window->findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    model->ProgressBar1.max = 19;  // a run of 20 subtitles ends one past the maximum
    model->ProgressBar1.position = 20;
    window->Sync();
    EXPECT_EQ(bar->value(), bar->maximum());
    model->ProgressBar1.max = 0;  // one subtitle: no steps at all
    model->ProgressBar1.position = 1;
    window->Sync();
    EXPECT_LT(bar->minimum(), bar->maximum());  // an empty range would animate as "busy"
    EXPECT_EQ(bar->value(), bar->maximum());
    model->ProgressBar1.position = 0;
    window->Sync();
    EXPECT_EQ(bar->value(), bar->minimum());
}

TEST_F(MainWindowView, OpenListsAreAsWideAsTheirLongestItem) {
    for (QComboBox* c : window->findChildren<QComboBox*>()) {
        int widest = 0;
        for (int i = 0; i < c->count(); ++i)
            widest = std::max(widest, c->view()->fontMetrics().horizontalAdvance(c->itemText(i)));
        EXPECT_GT(c->view()->minimumWidth(), widest) << c->currentText().toStdString();
    }
}

TEST_F(MainWindowView, ClosingTheWindowWritesTheSettingsFile) {
    window->show();
    model->UserPick(model->ComboBoxFontSize, 3);
    window->close();
    const std::string ini = TempDir::Read(dir.File("Glyphon_Settings.ini"));
    EXPECT_NE(ini.find("[Form1]\n"), std::string::npos);
    EXPECT_NE(ini.find("ComboBoxFontSize_ItemIndex=3\n"), std::string::npos);
    EXPECT_NE(ini.find("WindowLeft="), std::string::npos);
}

TEST(AboutWindowView, CaptionSizeVersionAndUsageText) {
    App();
    TForm2 about;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.size(), QSize(616, 566));
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(about.LabelVersion->text(), "42.9");
    const auto lines = TForm2::UsageLines();
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines.front(), "Usage : ");
    EXPECT_EQ(lines[6], std::string(178, '-'));
    EXPECT_EQ(lines[20], std::string(178, '-'));
    EXPECT_EQ(about.Memo1->toPlainText().split('\n').size(), 22);
    EXPECT_EQ(about.Description().substr(0, 40), "Glyphon is an freeware utility that conv");
}

TEST(ColorsHelpView, CaptionSizeTextsAndPicture) {
    App();
    TFormColorsHelp help;
    help.FormActivate();
    EXPECT_EQ(help.windowTitle(), "Colors Help");
    EXPECT_EQ(help.size(), QSize(317, 174));
    EXPECT_EQ(help.Label1->text(), "ATTENTION");
    EXPECT_EQ(help.Info->text(), "For Antialias ,Outline and Text color please dont pick a blue color.");
    EXPECT_EQ(help.Label7->text(), "Colors Example");
    EXPECT_EQ(help.colors->geometry(), QRect(112, 94, 73, 73));
    const QImage picture = ColorsPicture();
    EXPECT_EQ(picture.size(), QSize(70, 70));
    EXPECT_EQ(QColor(picture.pixel(0, 0)), QColor(198, 0, 0));  // the red field at the corner
}

}  // namespace glyphon::test
