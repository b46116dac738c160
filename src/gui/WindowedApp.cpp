#include "gui/WindowedApp.h"

#include <QApplication>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "app/Environment.h"
#include "app/FileArgument.h"
#include "gui/MainWindow.h"
#include "gui/QtUi.h"
#include "render/TextEngine.h"

namespace glyphon {

int RunWindowed(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Glyphon");
    const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    QtUi ui;
    TForm1 model(ui, *text, MakeEnvironment(argc, argv));
    model.FormCreate();
    MainWindow window(model, ui);
    ui.SetWindow(&window);
    window.Guard([&] { model.FormShow(); });
    window.ApplyPlacement();
    window.show();
    // Activation runs once the event loop is up, so that a command-line run
    // can end the program from inside it.
    const std::optional<std::string> file = FileArgument(model.env().args);
    QTimer::singleShot(0, &window, [&] {
        window.Guard([&] { model.FormActivate(); });
        window.ApplyPlacement();
        if (file) window.Guard([&] { model.OpenSubtitleFile(*file); });
    });
    const int status = app.exec();
    model.FormDestroy();
    return status;
}

}  // namespace glyphon
