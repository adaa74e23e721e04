#include "Messages.h"

#include "Arguments.h"
#include "common/Printable.h"

#include <iostream>

void Say(const std::string& text) {
    std::cerr << Printable(text) << "\n";
}

int Fail(const std::string& why) {
    Say(why);
    return kExitFailed;
}
