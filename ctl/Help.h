// What tvxctl --help prints, for the program and for each command.
#pragma once

#include "Arguments.h"

#include <optional>
#include <string>

// The command's usage line, as its help and its refusals show it.
const char* UsageOf(Command command);

// The program's help, or one command's.
std::string HelpText(std::optional<Command> command);
