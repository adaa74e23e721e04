// The tuning's options as text: tvxctl analyze's command line and the Tuning window's fields
// read them, refuse them and show them the same way.
#pragma once

#include "tune/TuneOptions.h"

#include <functional>
#include <string>
#include <vector>

struct TuneOptionText {
    const char* name; // "--lag"
    const char* what; // what the option takes, said when a value is refused
    std::function<bool(const std::string&, TuneOptions&)> take;
    std::function<std::string(const TuneOptions&)> show; // as it would be given
};

// Every option but the locks, in the order the help lists them.
const std::vector<TuneOptionText>& TuneOptionTexts();

// "--min-hits takes a whole number of hits, 1 to 1000000, not 'x'": an option refused, here and
// on tvxctl's command line.
std::string RefusalText(const std::string& name, const std::string& what, const std::string& value);
