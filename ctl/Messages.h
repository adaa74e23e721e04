// What tvxctl tells the user: messages to stderr in the status bar's words, with whatever came
// from outside (names, keys, values) escaped for the terminal.
#pragma once

#include <string>

void Say(const std::string& text);

// Says why, and gives the failure's exit status.
int Fail(const std::string& why);
