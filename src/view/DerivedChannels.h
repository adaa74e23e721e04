// Channels no logger records, worked out from those it does: the air/fuel the device aimed at
// each record, and how far the reading was from it.
#pragma once

#include "table/VeTable.h"
#include "view/ViewedLog.h"

#include <optional>
#include <string>

inline constexpr const char* kTargetChannel = "AFR target";
inline constexpr const char* kErrorChannel = "AFR error";
inline constexpr const char* kVeInForceChannel = "VE in force";
inline constexpr const char* kPredictedChannel = "AFR suggested";

// Adds both when the log has RPM, MAP and an air/fuel reading and a table was kept beside it
// (its breakpoints place each record; the target is the analysis's default). The reading is the
// mean of both widebands where the log has two, as the analysis reads them by default.
void AddTargetChannels(ViewedLog& log);

// The drive as it would have been under `suggested`: the VE the engine was fuelled by at each
// reading's point (the point its exhaust came from, by the wideband's delay kept with the drive,
// under the table in force then with its cell writes), and the air/fuel it would have read with
// the suggested VE there (the engine model run backward to the true VE, then forward). Records
// the delay reaches no point for are left empty (NaN). Else why not: no table kept, or the
// suggestion's breakpoints are not the drive's.
std::optional<std::string> AddSuggestionChannels(ViewedLog& log, const VeTable& suggested);
