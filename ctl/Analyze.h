// tvxctl analyze: logs in, a suggested table out, and the summary of what was used and left out.
#pragma once

#include "Arguments.h"
#include "link/Protocol.h"

#include <optional>

// `held` is the device's table when no --table was given. An exit code.
int Analyze(const Invocation& inv, const std::optional<TableReply>& held);
