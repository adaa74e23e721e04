// The serial devices this computer has now, and what a COM number reaches among them.
#pragma once

#include "link/ComPorts.h"

#include <optional>
#include <vector>

std::vector<PortRecord> PresentPorts();

// TVX_COM<N> when set and not empty, otherwise the platform's rule on the ports present.
std::optional<PortRecord> ComPortNow(int port, const std::vector<PortRecord>& present);
