// Channels no logger records, worked out from those it does: the air/fuel the device aimed at
// each record, and how far the reading was from it.
#pragma once

#include "view/ViewedLog.h"

inline constexpr const char* kTargetChannel = "AFR target";
inline constexpr const char* kErrorChannel = "AFR error";

// Adds both when the log has RPM, MAP and an air/fuel reading and a table was kept beside it
// (its breakpoints place each record; the target is the analysis's default). The reading is the
// mean of both widebands where the log has two, as the analysis reads them by default.
void AddTargetChannels(ViewedLog& log);
