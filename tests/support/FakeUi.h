// A scripted Ui for driving TForm1 in tests: records every message, error and
// window request, and answers file dialogs from a queue.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Ui.h"

namespace glyphon::test {

class FakeUi : public Ui {
public:
    std::vector<std::string> messages;  // plain message boxes, in order
    std::vector<std::string> errors;    // error boxes, in order
    std::vector<WindowKind> windows;    // modal windows shown
    std::optional<int> terminated;      // exit status asked for
    int processMessagesCalls = 0;

    // Answers for the next dialogs: a name confirms, nullopt cancels. With
    // the queue empty a dialog is cancelled.
    std::deque<std::optional<std::string>> dialogAnswers;
    std::vector<std::string> dialogTitles;  // filter of each dialog shown, in order

    // Runs inside ProcessMessages, once per call, e.g. to click "Abort".
    std::function<void(int call)> onProcessMessages;

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    bool Execute(TOpenDialog& dialog) override {
        dialogTitles.push_back(dialog.filter);
        if (dialogAnswers.empty()) return false;
        auto answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        if (!answer) return false;
        dialog.fileName = *answer;
        // A dialog choosing several files takes them one a line.
        dialog.fileNames.clear();
        for (size_t at = 0; at <= answer->size();) {
            const size_t end = std::min(answer->find('\n', at), answer->size());
            dialog.fileNames.push_back(answer->substr(at, end - at));
            at = end + 1;
        }
        if (dialog.multiSelect) dialog.fileName = dialog.fileNames.front();
        return true;
    }
    void ProcessMessages() override {
        ++processMessagesCalls;
        if (onProcessMessages) onProcessMessages(processMessagesCalls);
    }
    void ShowModalWindow(WindowKind kind) override { windows.push_back(kind); }
    void Terminate(int exitStatus) override { terminated = exitStatus; }

    bool showsPreview = true;  // false: a run without a window
    bool ShowsPreview() const override { return showsPreview; }
};

}  // namespace glyphon::test
