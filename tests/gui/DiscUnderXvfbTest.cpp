// A disc of two languages made through the window's own widgets on an X
// server (ctest runs this group under xvfb-run): files added, the output
// folder and the film chosen, mux ticked and Generate pressed as a user
// would, drawn by the program's text engine; dvdauthor then authors the
// project and the title set lists both streams with their languages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

#include "app/TForm1.h"
#include "gui/MainWindow.h"
#include "gui/QtUi.h"
#include "render/TextEngine.h"
#include "support/DvdMpeg.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

QApplication& XApp() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
    static int argc = 1;
    static char name[] = "tests_gui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit, after the libraries' own statics are gone,
    // its clean-up crashes on xcb.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

template <typename Widget>
Widget* Captioned(QWidget& window, const std::string& caption) {
    for (Widget* w : window.findChildren<Widget*>())
        if (QString(w->text()).remove('&') == QString::fromStdString(caption)) return w;
    return nullptr;
}

}  // namespace

TEST(XvfbDisc, TwoLanguagesThroughTheRealWidgetsAuthoredByDvdauthor) {
    XApp();
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run (Debian package xvfb)";
    TempDir dir;
    FakeUi dialogs;  // the file dialogs answer from a script; everything else is the real window
    QtUi qtUi;
    const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    AppEnvironment env;
    env.programDir = dir.path() + "/";
    env.settingsPath = dir.File("Glyphon_Settings.ini");
    env.args = {"glyphon"};
    env.installedFamilies = {"Liberation Sans"};
    TForm1 model(dialogs, *text, env);
    model.FormCreate();
    model.FormShow();
    MainWindow window(model, qtUi);
    qtUi.SetWindow(&window);
    window.show();
    model.FormActivate();
    window.Sync();
    QCoreApplication::processEvents();
    const auto click = [&](QAbstractButton* button) {
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisible() && button->isEnabled());
        button->click();
        QCoreApplication::processEvents();
    };

    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    dialogs.dialogAnswers.push_back(dir.Write("film.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n"
                                                          "2\n00:00:03,000 --> 00:00:04,000\nAgain\n\n") +
                                    "\n" + dir.Write("film.fr.srt", "1\n00:00:01,500 --> 00:00:02,500\nBonjour\n\n"));
    click(Captioned<QPushButton>(window, model.ButtonAddFiles.caption));
    dialogs.dialogAnswers.push_back(out);
    click(Captioned<QPushButton>(window, model.ButtonOutputFolder.caption));
    dialogs.dialogAnswers.push_back(WideDvdMpeg());
    click(Captioned<QCheckBox>(window, model.CheckBoxMux.caption));
    // The list shows both files, each with its language.
    QListWidget* files = nullptr;
    for (QListWidget* list : window.findChildren<QListWidget*>())
        if (list->count() == 2) files = list;
    ASSERT_NE(files, nullptr);
    EXPECT_TRUE(files->item(1)->text().startsWith("fr"));
    dialogs.errors.clear();
    click(Captioned<QPushButton>(window, model.ButtonGenerateSup.caption));
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    EXPECT_TRUE(model.RunWarnings.empty());
    EXPECT_TRUE(Captioned<QPushButton>(window, model.ButtonGenerateSup.caption)->isEnabled());  // idle again

    // The project as written, authored from a folder of its own.
    ASSERT_TRUE(std::filesystem::exists(out + "/film.dvdauthor.xml"));
    const std::string disc = dir.File("disc");
    const std::string log = dir.File("dvdauthor.log");
    const int status =
        std::system(("dvdauthor -o '" + disc + "' -x '" + out + "/film.dvdauthor.xml' >'" + log + "' 2>&1").c_str());
    const std::string said = TempDir::Read(log);
    ASSERT_EQ(status, 0) << "dvdauthor (Debian package dvdauthor)\n" << said;
    EXPECT_EQ(said.find("WARN"), std::string::npos) << said;
    const std::string ifo = TempDir::Read(disc + "/VIDEO_TS/VTS_01_0.IFO");
    ASSERT_GT(ifo.size(), 0x300u);
    EXPECT_EQ(uint8_t(ifo[0x254]) << 8 | uint8_t(ifo[0x255]), 2);  // the title set's sub-picture streams
    EXPECT_EQ(ifo.substr(0x258, 2), "en");
    EXPECT_EQ(ifo.substr(0x25E, 2), "fr");
    qtUi.SetWindow(nullptr);
}

}  // namespace glyphon::test
