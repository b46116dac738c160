#pragma once

#include <string>

namespace glyphon {

// Where the readers send the plain messages a user must see
// ("Unsupported Subtitle Format !"). The main window's Ui is one.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A plain modal message box; "\r" separates lines.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace glyphon
