// Where the core tells the user what went wrong (or right): one line, never a dialog.
#pragma once

#include <string>

class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void showStatus(const std::string& text) = 0;
};
