// A disc of two languages made through the window's own widgets on an X
// server (ctest runs this group under xvfb-run) with the program's text
// engine: files added, folder and film chosen, mux ticked, Generate pressed;
// dvdauthor then authors the project, both streams and languages in the IFO.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <filesystem>

#include "gui/MainWindow.h"
#include "gui/QtUi.h"
#include "render/TextEngine.h"
#include "support/DvdMpeg.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

namespace glyphon::test {

TEST(XvfbDisc, TwoLanguagesThroughTheRealWidgetsAuthoredByDvdauthor) {
    static int argc = 1;
    static char name[] = "tests_gui", *argv[] = {name, nullptr};
    new QApplication(argc, argv);  // never destroyed: its clean-up at exit crashes on xcb
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run (Debian package xvfb)";
    TempDir dir;
    FakeUi dialogs;  // only the file dialogs are scripted
    QtUi qtUi;
    const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    TForm1 model(dialogs, *text,
                 {dir.path() + "/", dir.File("settings.ini"), {"glyphon"}, {"Liberation Sans"}});
    model.FormCreate();
    model.FormShow();
    MainWindow window(model, qtUi);
    qtUi.SetWindow(&window);
    window.show();
    model.FormActivate();
    const auto press = [&](const std::string& caption, std::string answer) {
        if (!answer.empty()) dialogs.dialogAnswers.push_back(std::move(answer));
        for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
            if (QString(b->text()).remove('&').toStdString() == caption && b->isVisible() && b->isEnabled())
                return b->click();
        ADD_FAILURE() << caption;
    };
    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    press(model.ButtonAddFiles.caption,
          dir.Write("film.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n") + "\n" +
              dir.Write("film.fr.srt", "1\n00:00:01,500 --> 00:00:02,500\nBonjour\n\n"));
    press(model.ButtonOutputFolder.caption, out);
    press(model.CheckBoxMux.caption, WideDvdMpeg());
    press(model.ButtonGenerateSup.caption, {});
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    EXPECT_TRUE(model.RunWarnings.empty());
    const std::string log = dir.File("log"), disc = dir.File("disc");
    ASSERT_EQ(
        std::system(
            ("dvdauthor -o '" + disc + "' -x '" + out + "/film.dvdauthor.xml' >'" + log + "' 2>&1").c_str()),
        0)
        << "dvdauthor (Debian package dvdauthor)\n"
        << TempDir::Read(log);
    EXPECT_EQ(TempDir::Read(log).find("WARN"), std::string::npos) << TempDir::Read(log);
    const std::string ifo = TempDir::Read(disc + "/VIDEO_TS/VTS_01_0.IFO");
    ASSERT_GT(ifo.size(), 0x300u);
    EXPECT_EQ(uint8_t(ifo[0x254]) << 8 | uint8_t(ifo[0x255]), 2);  // the title set's sub-picture streams
    EXPECT_EQ(ifo.substr(0x258, 2) + ifo.substr(0x25E, 2), "enfr");
    qtUi.SetWindow(nullptr);
}

}  // namespace glyphon::test
