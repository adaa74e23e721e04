// Text from outside (a file name, a JSON key, a value) as a terminal may show it: a control
// character could retitle or clear the user's terminal, and bytes that are no UTF-8 show as junk.
#pragma once

#include <string>
#include <string_view>

// Control characters (C0, DEL and C1) and bytes that are not UTF-8 as \xHH; the rest as it is.
std::string Printable(std::string_view text);
