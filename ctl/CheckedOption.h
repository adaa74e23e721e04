// An option whose every value `take` reads, in the order given, refused in tvxctl's words:
// "--com takes a COM number from 1 to 20, not '0'". It takes one value each time it is given,
// so what follows stays an operand; given twice, the last value holds (or, for a list, adds).
#pragma once

#include "tune/TuneOptionTexts.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

inline void CheckedOption(CLI::App& app, const std::string& name, const std::string& what,
                          std::function<bool(const std::string&)> take) {
    app.add_option_function<std::vector<std::string>>(
           name,
           [name, what, take = std::move(take)](const std::vector<std::string>& values) {
               for (const std::string& value : values) {
                   if (!take(value)) {
                       throw CLI::ValidationError(RefusalText(name, what, value));
                   }
               }
           })
        ->allow_extra_args(false);
}
