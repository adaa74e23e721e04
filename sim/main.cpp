// tvxsim: a virtual Torvex device on a pseudo-terminal; the loop that joins Device to the pty.
#include "Device.h"
#include "DeviceTable.h"
#include "HelpText.h"
#include "Options.h"
#include "Pty.h"
#include "Replay.h"
#include "WriteLog.h"
#include "common/InputFile.h"
#include "common/Printable.h"
#include "model/AfrTarget.h"
#include "table/TableFit.h"
#include "table/TableFormats.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace tvxsim;
using Clock = Device::Clock;

namespace {

int signalPipe[2] = {-1, -1};

// Names and values from the command line and files may hold anything; the terminal sees them
// escaped.
void complain(const std::string& what) {
    std::fprintf(stderr, "tvxsim: %s\n", Printable(what).c_str());
}

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignals() {
    if (pipe(signalPipe) != 0) {
        return false;
    }
    for (int fd : signalPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

Device::LineSink appendingTo(std::FILE* file) {
    if (file == nullptr) {
        return {};
    }
    return [file](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fputc('\n', file);
        std::fflush(file); // tests read the log while we run
    };
}

// A test's raw bytes: a plain file of at most a megabyte.
bool readWhole(const std::string& path, std::string& text) {
    auto opened = OpenInputFile(path);
    if (std::holds_alternative<std::string>(opened)) {
        return false;
    }
    const File file = std::get<File>(std::move(opened));
    constexpr std::size_t kMostBytes = 1 << 20;
    text.resize(kMostBytes + 1);
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    return std::ferror(file.get()) == 0 && !text.empty() && text.size() <= kMostBytes;
}

// The true VE from a table file on the device's lattice; else why not.
std::string readTrueVe(const std::string& path, const VeTable& device, CellValues& cells) {
    const auto read = ReadTableFile(path);
    if (const auto* error = std::get_if<FileError>(&read)) {
        return error->reason;
    }
    const TableFile& file = std::get<TableFile>(read);
    if (const auto why = FitRefusal(file, {&device})) {
        return path + ": " + *why;
    }
    cells = CellsOf(file.table); // a .vet has none of its own and takes the device's
    return {};
}

int pollTimeout(const Device& device, Clock::time_point now) {
    const auto wake = device.wakeAt();
    if (!wake) {
        return -1;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wake - now).count();
    return static_cast<int>(std::clamp<long long>(wait, 1, 60'000));
}

// Closing the master hangs the serial end up and drops whatever the client has not read yet,
// so wait until the client has emptied its input queue. Written bytes reach that queue a little
// later, so it must stay empty a while before we believe it.
void lingerForReader(const Pty& pty) {
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    int quietChecks = 0;
    for (int waiting = 0; quietChecks < 10 && Clock::now() < deadline; poll(nullptr, 0, 10)) {
        if (ioctl(pty.slave, FIONREAD, &waiting) != 0) {
            return;
        }
        quietChecks = waiting == 0 ? quietChecks + 1 : 0;
    }
}

enum class Ending { Signal, HangUp, Failure };

Ending serve(Device& device, const Pty& pty) {
    char buffer[4096];
    for (;;) {
        const auto now = Clock::now();
        const std::string_view out = device.outgoing(now);
        if (device.hangUpDue()) {
            return Ending::HangUp;
        }
        const short events = static_cast<short>(POLLIN | (out.empty() ? 0 : POLLOUT));
        pollfd fds[2] = {{pty.master, events, 0}, {signalPipe[0], POLLIN, 0}};
        // With output pending we wait for the line to take it, never spinning on a full buffer.
        const int timeout = out.empty() ? pollTimeout(device, now) : -1;
        if (poll(fds, 2, timeout) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("tvxsim: poll");
            return Ending::Failure;
        }
        if (fds[1].revents != 0) {
            return Ending::Signal;
        }
        const short ready = fds[0].revents;
        if (!out.empty() && (ready & POLLOUT) != 0) {
            const ssize_t written = write(pty.master, out.data(), out.size());
            if (written > 0) {
                device.wrote(static_cast<std::size_t>(written), Clock::now());
            }
        }
        bool gotInput = false;
        if ((ready & POLLIN) != 0) {
            const ssize_t got = read(pty.master, buffer, sizeof buffer);
            if (got > 0) {
                device.receive(std::string_view(buffer, static_cast<std::size_t>(got)),
                               Clock::now());
                gotInput = true;
            }
        }
        if (!gotInput && (ready & (POLLHUP | POLLERR)) != 0) {
            poll(nullptr, 0, 20); // should not happen while we hold the slave; never spin on it
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        complain(parsed.error);
        std::fprintf(stderr, "\n%s", helpText().c_str());
        return 2;
    }
    Options options = parsed.options;
    if (options.version) {
        std::printf("tvxsim %s\n", TVX_VERSION);
        return 0;
    }
    if (options.help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }

    DeviceTable table;
    table.setIntakeType(options.intake);
    std::string error;
    if (!options.vetFile.empty() && !table.loadVet(options.vetFile, error)) {
        complain(error);
        return 2;
    }
    for (auto [path, text] : {std::pair{&options.replyFile, &options.replyText},
                              std::pair{&options.streamFile, &options.streamText}}) {
        if (!path->empty() && !readWhole(*path, *text)) {
            complain("cannot read " + *path);
            return 2;
        }
    }
    if (!options.replayFile.empty()) {
        auto opened = ReplayFile::open(options.replayFile);
        if (const auto* why = std::get_if<std::string>(&opened)) {
            complain(*why);
            return 2;
        }
        options.replay = std::get<std::shared_ptr<ReplayFile>>(opened);
    }
    if (!options.trueVeFile.empty() &&
        !(error = readTrueVe(options.trueVeFile, table.values(), options.trueVe.emplace()))
             .empty()) {
        complain(error);
        return 2;
    }
    if (!options.target.empty()) {
        auto target = TargetFromArgument(options.target, table.values());
        if (const auto* why = std::get_if<std::string>(&target)) {
            complain(*why);
            return 2;
        }
        options.targetCells = std::get<CellValues>(target);
    }
    std::FILE* receivedLog = nullptr;
    std::FILE* sentLog = nullptr;
    if ((!options.log.empty() && (receivedLog = std::fopen(options.log.c_str(), "a")) == nullptr) ||
        (!options.sentLog.empty() &&
         (sentLog = std::fopen(options.sentLog.c_str(), "a")) == nullptr)) {
        std::perror("tvxsim: opening a log");
        return 2;
    }
    const std::uint64_t seed =
        options.seed ? *options.seed
                     : (std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}();
    std::fprintf(stderr, "tvxsim: seed %llu\n", static_cast<unsigned long long>(seed));
    if (!options.writeLog.empty()) {
        if (const auto why = WriteDriveLog(options, table, seed)) {
            complain(*why);
            return 2;
        }
        return 0;
    }

    Pty pty;
    if (!installSignals() || !openPty(pty, error) ||
        !makeLink(pty.slavePath, options.link, error)) {
        complain(error.empty() ? "cannot start" : error);
        closePty(pty);
        return 2;
    }
    std::printf("%s\n", pty.slavePath.c_str());
    std::fflush(stdout);

    Device device(options, std::move(table), seed);
    device.setReceivedLog(appendingTo(receivedLog));
    device.setSentLog(appendingTo(sentLog));
    device.setNotices(complain);
    const Ending ending = serve(device, pty);
    if (ending == Ending::HangUp) {
        lingerForReader(pty);
    }
    closePty(pty);
    removeLink(pty.slavePath, options.link);
    return ending == Ending::Failure ? 1 : 0;
}
