// tvxctl analyze's own options: where the table comes from, what it writes, and the tuning's
// filters and limits.
#pragma once

#include "tune/TuneOptions.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

struct AnalyzeRequest {
    std::string table;  // --table FILE; empty: the device's
    std::string cells;  // --cells FILE
    std::string report; // --report FILE
    std::string target; // --target AFR|FILE; empty: the default target
    std::string lag;    // --lag as given, to say how it was read
    TuneOptions tune;
};

// Analyze's options, each taking its value into `request` or refusing it in our words.
void DeclareAnalyzeOptions(CLI::App& analyze, AnalyzeRequest& request);

// The options as analyze's help lists them.
extern const char* const kAnalyzeOptionsHelp;
