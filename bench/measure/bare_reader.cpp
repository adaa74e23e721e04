// The least a program can do with the live stream: ask for it, then poll and read the line until
// killed, decoding nothing. scripts/perf/outside-vs-bare.sh sets TVXv17's CPU against this.
// Usage: tvx_bare_reader PATH
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tvx_bare_reader PATH\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 2;
    }
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B115200);
    ::tcsetattr(fd, TCSANOW, &raw);
    if (::write(fd, "<255>", 5) != 5) {
        std::perror("write");
        return 2;
    }
    char buffer[4096];
    pollfd watch{fd, POLLIN, 0};
    while (::poll(&watch, 1, -1) >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
    return 0;
}
