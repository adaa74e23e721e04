// The pseudo-terminal the device talks through and the symlink that names its serial end.
#pragma once

#include <string>

namespace tvxsim {

struct Pty {
    int master = -1;
    // Held open by us for the whole run: with no slave open the master reads EIO and polls
    // as hung up, which would spin us between clients.
    int slave = -1;
    std::string slavePath;
};

// Raw mode on the serial end, non-blocking master.
bool openPty(Pty& pty, std::string& error);
void closePty(Pty& pty);

// Points link at target, atomically replacing an existing symlink; refuses any other file.
bool makeLink(const std::string& target, const std::string& link, std::string& error);
// Removes link only if it still points at target: a newer tvxsim may have taken it over.
void removeLink(const std::string& target, const std::string& link);

} // namespace tvxsim
