// Whether two names reach one file, so a program never writes over what it reads.
#pragma once

#include <string>

// The same file when both exist (through links, "..", or another spelling); else the same path
// once made whole.
bool SameFile(const std::string& a, const std::string& b);
