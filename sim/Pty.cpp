#include "Pty.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tvxsim {
namespace {

std::string failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool openPty(Pty& pty, std::string& error) {
    pty.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0) {
        error = failure("posix_openpt");
        return false;
    }
    const char* name = nullptr;
    if (grantpt(pty.master) != 0 || unlockpt(pty.master) != 0 ||
        (name = ptsname(pty.master)) == nullptr) {
        error = failure("preparing the pseudo-terminal");
        closePty(pty);
        return false;
    }
    pty.slavePath = name;
    pty.slave = open(name, O_RDWR | O_NOCTTY);
    termios settings{};
    if (pty.slave < 0 || tcgetattr(pty.slave, &settings) != 0) {
        error = failure(pty.slavePath.c_str());
        closePty(pty);
        return false;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B115200);
    cfsetospeed(&settings, B115200);
    const int flags = fcntl(pty.master, F_GETFL);
    if (tcsetattr(pty.slave, TCSANOW, &settings) != 0 ||
        fcntl(pty.master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = failure("setting up the pseudo-terminal");
        closePty(pty);
        return false;
    }
    fcntl(pty.master, F_SETFD, FD_CLOEXEC);
    fcntl(pty.slave, F_SETFD, FD_CLOEXEC);
    return true;
}

void closePty(Pty& pty) {
    if (pty.master >= 0) {
        close(pty.master);
    }
    if (pty.slave >= 0) {
        close(pty.slave);
    }
    pty.master = pty.slave = -1;
}

bool makeLink(const std::string& target, const std::string& link, std::string& error) {
    struct stat existing {};
    if (lstat(link.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = link + " exists and is not a symlink; not replacing it";
        return false;
    }
    const std::string temporary = link + ".tvxsim." + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0) {
        error = failure(("symlink " + temporary).c_str());
        return false;
    }
    if (rename(temporary.c_str(), link.c_str()) != 0) {
        error = failure(("rename to " + link).c_str());
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

void removeLink(const std::string& target, const std::string& link) {
    char buffer[4096];
    const ssize_t size = readlink(link.c_str(), buffer, sizeof buffer);
    if (size > 0 && std::string(buffer, static_cast<std::size_t>(size)) == target) {
        unlink(link.c_str());
    }
}

} // namespace tvxsim
