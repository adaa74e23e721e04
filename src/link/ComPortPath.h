// Which device a COM port number opens: TVX_COM<N> when set, else the platform's own name.
#pragma once

#include <string>

// Empty for port 0 (none chosen) or a number outside 1 to 20.
std::string ComPortPath(int port);

// How messages name the port: "COM 3 (/dev/ttyS2)", or "COM 0" when it reaches nothing.
std::string ComPortName(int port);
