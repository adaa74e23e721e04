// tvxctl analyze's own options: where the table comes from, what it writes, and the tuning's
// filters and limits.
#pragma once

#include "tune/TuneOptions.h"

#include <optional>
#include <string>

struct AnalyzeRequest {
    std::string table;  // --table FILE; empty: the device's
    std::string cells;  // --cells FILE
    std::string report; // --report FILE
    std::string target; // --target AFR|FILE; empty: the default target
    TuneOptions tune;
};

// Whether `name` is one of analyze's options (each takes a value).
bool IsAnalyzeOption(const std::string& name);

// Takes one option's value into the request; else why not.
std::optional<std::string> TakeAnalyzeOption(const std::string& name, const std::string& value,
                                             AnalyzeRequest& request);

// The options as analyze's help lists them.
extern const char* const kAnalyzeOptionsHelp;
