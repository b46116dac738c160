#include "app/HeadlessUi.h"

#include <exception>

#include "common/Convert.h"
#include "common/Utf8.h"

namespace glyphon {

std::string MessageAsLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    if (out.empty() || out.back() != '\n') out += '\n';
    return out;
}

void HeadlessUi::WriteText(const std::string& raw) {
    const std::string text = TerminalSafe(raw, "\t\n");
    std::fwrite(text.data(), 1, text.size(), err_);
    std::fflush(err_);
}

void HeadlessUi::ShowMessage(const std::string& text) { WriteText(MessageAsLines(text)); }

void HeadlessUi::ShowError(const std::string& text) { WriteText(MessageAsLines(text)); }

void HeadlessUi::ShowOutputError(const std::string& file, const std::string& text) {
    WriteText(MessageAsLines(file.empty() ? text : file + ": " + text));
}

bool HeadlessUi::Execute(TOpenDialog&) { return false; }

void HeadlessUi::Terminate(int exitStatus) {
    if (!terminated_) terminated_ = exitStatus;
}

int RunHeadless(TextEngine& text, AppEnvironment env, std::FILE* err) {
    HeadlessUi ui(err);
    TForm1 form(ui, text, std::move(env));
    try {
        form.FormCreate();
        if (!form.CommandLineMode) return 1;
        form.FormShow();
        form.FormActivate();
    } catch (const std::exception& e) {
        // What a window would show in its error box before staying open.
        ui.ShowError(WithFullStop(e.what()));
    }
    // The program ends here either way: a window would stay open after a
    // refusal or a failure, but without a display nobody could use it. A run
    // without a window never touches the stored settings, even when it
    // failed before the command line switched the store off.
    form.StoreEnabled = false;
    form.FormClose();
    form.FormDestroy();
    return ui.terminated().value_or(1);
}

}  // namespace glyphon
