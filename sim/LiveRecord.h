// The text of a live record and what follows each record or reply on the wire.
#pragma once

#include "EngineModel.h"
#include "Options.h"

#include <string>
#include <string_view>

namespace tvxsim {

// At most maxDecimals decimals, trailing zeros dropped: 14.70 -> "14.7", 800.0 -> "800".
std::string formatNumber(double value, int maxDecimals);

// "255,PRESSURE,RPM,TEMP,WB1,AIRFLOW,WB2" with no terminator.
std::string formatRecord(const Reading& reading);

std::string_view terminatorText(Terminator terminator);

} // namespace tvxsim
