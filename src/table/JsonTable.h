// A table's JSON already parsed, for files that hold one inside (the table kept beside a log).
#pragma once

#include "common/Json.h"
#include "table/TableFormats.h"

// A table file's JSON: an object holding arrays.
inline constexpr int kJsonTableDepth = 2;

std::variant<TableFile, std::string> TableOfJson(const nlohmann::json& json);
