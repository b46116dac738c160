// The window's keyboard, drag-and-drop, list and placement comforts, and the
// About window's text and link colour: the Qt view over a model driven by
// the scripted Ui.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointingDevice>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBlock>
#include <QTextLayout>
#include <QUrl>
#include <map>

#include "app/TForm1.h"
#include "gui/AboutWindow.h"
#include "gui/MainWindow.h"
#include "gui/QtUi.h"
#include "support/FakeTextEngine.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

QApplication& App() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
    static int argc = 1;
    static char name[] = "tests_gui";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

const std::string kIfo = std::string(GLYPHON_TEST_DATA) + "/ifo/pal/VTS_01_0.IFO";

}  // namespace

class WindowComfort : public ::testing::Test {
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
        model->FormShow();
        window = std::make_unique<MainWindow>(*model, qtUi);
        qtUi.SetWindow(window.get());
    }
    void TearDown() override { qtUi.SetWindow(nullptr); }

    QPushButton* Button(const QString& caption) {
        for (QPushButton* b : window->findChildren<QPushButton*>())
            if (QString(b->text()).remove('&') == caption) return b;
        return nullptr;
    }
    // Presses a shortcut the way its key would.
    bool Press(const QKeySequence& key) {
        for (QShortcut* s : window->findChildren<QShortcut*>())
            if (s->key() == key) {
                emit s->activated();
                return true;
            }
        return false;
    }
    // Drags `urls` over the window and drops them; whether the drag was taken.
    bool Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(400, 400);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QCoreApplication::processEvents();  // the load runs once the drop is over
        return drop.isAccepted();
    }
    std::string Srt() {
        return dir.Write("movie.srt",
                         "1\n00:00:01,000 --> 00:00:02,000\nFirst entry, quite a bit longer\n\n"
                         "2\n00:00:03,000 --> 00:00:04,000\nSecond\n");
    }

    TempDir dir;
    FakeUi ui;
    QtUi qtUi;
    FakeTextEngine text;
    std::unique_ptr<TForm1> model;
    std::unique_ptr<MainWindow> window;
};

TEST_F(WindowComfort, ShortcutsPressTheMainButtonsAndNothingWhileTheyAreLocked) {
    ASSERT_TRUE(Press(QKeySequence(Qt::CTRL | Qt::Key_I)));
    ASSERT_EQ(ui.dialogTitles.size(), 1u);
    EXPECT_EQ(ui.dialogTitles[0], model->OpenDialogifo.filter);
    ASSERT_TRUE(Press(QKeySequence(Qt::CTRL | Qt::Key_O)));
    ASSERT_EQ(ui.dialogTitles.size(), 2u);
    EXPECT_EQ(ui.dialogTitles[1], model->OpenDialogsub.filter);
    ASSERT_TRUE(Press(QKeySequence(Qt::Key_F1)));
    EXPECT_EQ(ui.windows, std::vector<WindowKind>{WindowKind::About});
    const size_t said = ui.messages.size();
    ASSERT_TRUE(Press(QKeySequence(Qt::CTRL | Qt::Key_G)));
    EXPECT_GT(ui.messages.size(), said);  // generation answered (nothing loaded yet)

    // During a run only "Abort" is usable.
    model->SetControlsEnabled(false);
    window->Sync();
    Press(QKeySequence(Qt::CTRL | Qt::Key_I));
    Press(QKeySequence(Qt::CTRL | Qt::Key_O));
    Press(QKeySequence(Qt::Key_F1));
    EXPECT_EQ(ui.dialogTitles.size(), 2u);
    EXPECT_EQ(ui.windows.size(), 1u);
    model->SetControlsEnabled(true);
    window->Sync();

    window->show();
    ASSERT_TRUE(Press(QKeySequence(Qt::CTRL | Qt::Key_Q)));
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(TempDir::Read(dir.File("Glyphon_Settings.ini")).find("[Form1]"), std::string::npos);
}

TEST_F(WindowComfort, ButtonsShowTheirCaptionsWithDistinctAltLetters) {
    std::map<QChar, QString> letters;
    for (const char* caption : {"Load IFO", "Load SRT", "Generate Sup", "Add To Batch", "About"}) {
        QPushButton* b = Button(caption);
        ASSERT_NE(b, nullptr) << caption;
        const qsizetype amp = b->text().indexOf('&');
        ASSERT_GE(amp, 0) << caption;
        const QChar letter = b->text().at(amp + 1).toLower();
        EXPECT_FALSE(letters.count(letter)) << caption << " shares Alt+" << QString(letter).toStdString();
        letters[letter] = caption;
    }
    // The run's "Abort" takes the letter of "About", which the run locks.
    model->SetControlsEnabled(false);
    window->Sync();
    EXPECT_EQ(Button("Abort")->text(), "&Abort");
    EXPECT_FALSE(Button("About")->isEnabled());
}

TEST_F(WindowComfort, ADroppedIfoOrSubtitleFileIsLoaded) {
    const std::string srt = Srt();
    // Anything not a local file is not taken.
    EXPECT_FALSE(
        Drop({QUrl::fromLocalFile(QString::fromStdString(srt)), QUrl("https://example.org/movie.srt")}));
    EXPECT_FALSE(model->IfoLoaded);

    ASSERT_TRUE(Drop({QUrl::fromLocalFile(QString::fromStdString(kIfo))}));
    EXPECT_TRUE(model->IfoLoaded);
    EXPECT_EQ(model->EditLoadIfo.text, kIfo);
    ASSERT_TRUE(Drop({QUrl::fromLocalFile(QString::fromStdString(srt))}));
    EXPECT_TRUE(model->SubtitleLoaded);
    EXPECT_EQ(window->findChild<QListWidget*>()->count(), 2);
    EXPECT_TRUE(ui.dialogTitles.empty());
    // Several at once: the subtitle list, in their order.
    ASSERT_TRUE(Drop({QUrl::fromLocalFile(QString::fromStdString(srt)),
                      QUrl::fromLocalFile(QString::fromStdString(
                          dir.Write("movie.fr.srt", "1\n00:00:01,000 --> 00:00:02,000\nOui\n")))}));
    ASSERT_EQ(model->SubtitleFiles.size(), 2u);
    EXPECT_EQ(model->SubtitleFiles[1].language, "fr");

    // Not while a run holds the window.
    model->SetControlsEnabled(false);
    EXPECT_FALSE(Drop({QUrl::fromLocalFile(QString::fromStdString(srt))}));
}

TEST_F(WindowComfort, ThePreviewFollowsTheListIncludingAClickOnTheSelectedEntry) {
    model->OpenSubtitleFile(Srt());
    ASSERT_TRUE(model->SubtitleLoaded);
    window->Sync();
    window->show();
    auto* list = window->findChild<QListWidget*>();
    ASSERT_EQ(list->currentRow(), 0);
    const std::vector<uint32_t> sample = model->preview.Pixels();

    // The first entry is selected after loading, its preview not yet drawn:
    // clicking it draws it.
    // A mouse of the test's own: Qt's default one, made on first use, would
    // outlive the application object and crash the test program at exit.
    const QPointingDevice mouse("test mouse", 2, QInputDevice::DeviceType::Mouse,
                                QPointingDevice::PointerType::Generic, QInputDevice::Capability::Position, 1,
                                3);
    auto click = [&](int row) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier, &mouse);
        QApplication::sendEvent(list->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier, &mouse);
        QApplication::sendEvent(list->viewport(), &release);
    };
    click(0);
    const std::vector<uint32_t> first = model->preview.Pixels();
    EXPECT_NE(first, sample);
    click(1);
    EXPECT_EQ(model->ListBox1.itemIndex, 1);
    EXPECT_NE(model->preview.Pixels(), first);
    // Keys move the selection, and the preview with it.
    list->setCurrentRow(0);
    EXPECT_EQ(model->ListBox1.itemIndex, 0);
    EXPECT_EQ(model->preview.Pixels(), first);
}

TEST_F(WindowComfort, AStoredPlaceThatWouldPutTheWindowOffTheScreenIsPulledBack) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window->show();
    model->Placement = {true, screen.right() - 200, screen.bottom() - 100, false};
    window->ApplyPlacement();
    const QRect frame = window->frameGeometry();
    if (frame.width() <= screen.width()) {
        EXPECT_LE(frame.right(), screen.right());
    }
    if (frame.height() <= screen.height()) {
        EXPECT_LE(frame.bottom(), screen.bottom());
    }
    EXPECT_GE(frame.left(), screen.left());
    EXPECT_GE(frame.top(), screen.top());
    // A place that fits stays as stored.
    model->Placement = {true, screen.left(), screen.top(), false};
    window->ApplyPlacement();
    EXPECT_EQ(window->pos(), screen.topLeft());
}

TEST(AboutWindowComfort, TheUsageTextIsNeverCutAndTheLinkTakesThePalettesColour) {
    App();
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    QApplication::setPalette(dark);
    {
        TForm2 about;
        about.show();
        EXPECT_EQ(about.LabelMorvane->palette().color(about.LabelMorvane->foregroundRole()),
                  QColor(0x8a, 0xb4, 0xf8));
        QStringList usage;
        for (const std::string& line : TForm2::UsageLines()) usage << QString::fromStdString(line);
        EXPECT_EQ(about.Memo1->toPlainText(), usage.join('\n'));  // the text itself is kept
        // Every line with words fits the box (in a smaller font, or wrapped).
        const int room = about.Memo1->viewport()->width();
        for (QTextBlock b = about.Memo1->document()->begin(); b.isValid(); b = b.next()) {
            if (b.text().startsWith("---")) continue;
            const QTextLayout* layout = b.layout();
            for (int i = 0; i < layout->lineCount(); ++i)
                EXPECT_LE(layout->lineAt(i).naturalTextWidth(), room) << b.text().toStdString();
        }
        EXPECT_EQ(about.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        // A theme switched while the program runs (the change is delivered
        // by hand: the application object sends it only from its event loop).
        dark.setColor(QPalette::Link, QColor(0x40, 0xc0, 0x40));
        QApplication::setPalette(dark);
        QEvent changed(QEvent::ApplicationPaletteChange);
        QApplication::sendEvent(&about, &changed);
        EXPECT_EQ(about.LabelMorvane->palette().color(about.LabelMorvane->foregroundRole()),
                  QColor(0x40, 0xc0, 0x40));
    }
    QApplication::setPalette(saved);
}

}  // namespace glyphon::test
