#include "gui/WindowedApp.h"

#include <QApplication>
#include <QTimer>
#include <clocale>
#include <memory>
#include <optional>
#include <string>

#include "app/Environment.h"
#include "app/FileArgument.h"
#include "gui/EndSignals.h"
#include "gui/MainWindow.h"
#include "gui/QtUi.h"
#include "render/TextEngine.h"

namespace glyphon {

int RunWindowed(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application object has set the process locale from the
    // environment; numbers are read and written with "." whatever it says.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Glyphon");
    const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    QtUi ui;
    TForm1 model(ui, *text, MakeEnvironment(argc, argv));
    model.FormCreate();
    MainWindow window(model, ui);
    ui.SetWindow(&window);
    CloseOnEndSignals(&window);
    window.Guard([&] { model.FormShow(); });
    window.ApplyPlacement();
    window.show();
    // Activation runs once the event loop is up, so that a command-line run
    // can end the program from inside it.
    const WindowStart start = ExamineWindowArguments(model.env().args);
    QTimer::singleShot(0, &window, [&] {
        window.Guard([&] { model.FormActivate(); });
        window.ApplyPlacement();
        window.Guard([&] { CarryOutWindowStart(model, start); });
    });
    const int status = app.exec();
    model.FormDestroy();
    return status;
}

}  // namespace glyphon
