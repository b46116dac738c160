// A TForm1 wired to a scripted Ui, a fake text engine and a temporary
// settings file, created as the program creates its main window.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/TForm1.h"
#include "support/FakeTextEngine.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

namespace glyphon::test {

template <typename Engine>
class ModelTestOf : public ::testing::Test {
protected:
    TempDir dir;
    FakeUi ui;
    Engine text;
    std::unique_ptr<TForm1> form;

    AppEnvironment Environment(std::vector<std::string> args = {"glyphon"}) {
        AppEnvironment env;
        env.programDir = dir.path() + "/";
        env.settingsPath = dir.File("Glyphon_Settings.ini");
        env.args = std::move(args);
        env.installedFamilies = {"Liberation Sans", "DejaVu Sans", "Liberation Serif"};
        return env;
    }

    // Creates the window (FormCreate) and shows it (FormShow, FormActivate).
    TForm1& Start(std::vector<std::string> args = {"glyphon"}) {
        form = std::make_unique<TForm1>(ui, text, Environment(std::move(args)));
        form->FormCreate();
        form->FormShow();
        form->FormActivate();
        return *form;
    }
};

using ModelTest = ModelTestOf<FakeTextEngine>;

}  // namespace glyphon::test
