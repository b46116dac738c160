// What the version check needs from the toolkit: its dialogs and the
// browser. The About window implements it with message boxes; the tests
// implement it with a recorder.
#pragma once

#include <string>

#include "common/MessageSink.h"

namespace glyphon {

class UpdateUi : public MessageSink {
public:
    ~UpdateUi() override = default;

    // Plain modal message box, one OK button; "\r" separates lines.
    // (ShowMessage comes from MessageSink.)

    // Information dialog (information icon, one OK button).
    virtual void Information(const std::string& text) = 0;

    // Plain dialog without icon, Yes and No buttons; true on Yes.
    virtual bool AskYesNo(const std::string& text) = 0;

    // Shows a web page in the user's default browser.
    virtual void OpenUrl(const std::string& url) = 0;
};

}  // namespace glyphon
