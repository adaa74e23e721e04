// What tvxsim --help prints: the device it plays, its faults and its engine.
#pragma once

#include <string>

namespace tvxsim {

std::string helpText();

} // namespace tvxsim
