// tvxsim as a program: a real pseudo-terminal, driven the way the front end drives the device.
#include "Split.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
constexpr auto kPatience = 15s; // far beyond what any step needs; only a broken sim waits it out

int millisLeft(Clock::time_point deadline) {
    return static_cast<int>(std::max<long long>(
        0, std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count()));
}

// Reads fd until done(data) holds, the line hangs up, or the time is over.
bool readUntil(int fd, std::string& data, const std::function<bool()>& done,
               std::chrono::milliseconds patience = kPatience, bool* hungUp = nullptr) {
    const auto deadline = Clock::now() + patience;
    pollfd p{fd, POLLIN, 0};
    while (!done() && poll(&p, 1, millisLeft(deadline)) > 0) {
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
            if (hungUp != nullptr) {
                *hungUp = true;
            }
            break;
        }
        data.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    return done();
}

// A running tvxsim with its link and log in a fresh directory.
struct Sim {
    explicit Sim(std::vector<std::string> args) {
        char pattern[] = "/tmp/tvxsim-smoke-XXXXXX";
        dir = mkdtemp(pattern);
        args.insert(args.begin(), {TVXSIM_PATH, "--link", link(), "--log", log(), "--seed", "7"});
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string text;
        readUntil(out[0], text, [&] { return text.find('\n') != std::string::npos; });
        firstLine = text.substr(0, text.find('\n'));
        close(out[0]);
    }
    ~Sim() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        fs::remove_all(dir);
    }
    std::string link() const { return dir + "/ttyTVX"; }
    std::string log() const { return dir + "/received.log"; }

    // The exit status, or -1 if it does not end in time.
    int waitForExit() {
        for (const auto deadline = Clock::now() + kPatience; Clock::now() < deadline;) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }
    int terminate() {
        kill(pid, SIGTERM);
        return waitForExit();
    }

    std::string dir;
    std::string firstLine;
    pid_t pid = -1;
};

// The host's end, opened through the link like any serial port.
struct Port {
    explicit Port(const std::string& path)
        : fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios settings{};
        if (fd >= 0 && tcgetattr(fd, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(fd, TCSANOW, &settings);
        }
    }
    ~Port() { close(fd); }
    void send(const std::string& text) {
        EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    bool readUntil(const std::function<bool(const std::string&)>& done,
                   std::chrono::milliseconds patience = kPatience) {
        return ::readUntil(
            fd, data, [&] { return done(data) || hungUp; }, patience, &hungUp);
    }
    int fd;
    std::string data;
    bool hungUp = false;
};

// Comma-run output: how many whole records come first, and the fields after them.
std::pair<int, std::vector<std::string>> recordsThenRest(const std::string& data) {
    const auto fields = split(data, ",");
    std::size_t at = 0;
    while (at + 7 < fields.size() && fields[at] == "255") {
        at += 7;
    }
    return {static_cast<int>(at / 7), {fields.begin() + static_cast<long>(at), fields.end()}};
}

bool endsWithWholeReply(const std::string& data) {
    return recordsThenRest(data).second.size() >= 442 && data.ends_with(',');
}

long cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto fields = split(text.substr(text.rfind(')') + 2), " ");
    return std::stol(fields.at(11)) + std::stol(fields.at(12)); // utime + stime
}

} // namespace

TEST(TvxsimSmoke, servesTableEditsAndStreamThenStopsAndExitsCleanly) {
    Sim sim({});
    EXPECT_EQ(fs::read_symlink(sim.link()).string(), sim.firstLine);
    Port port(sim.link());
    ASSERT_GE(port.fd, 0);

    port.send("<121>");
    ASSERT_TRUE(port.readUntil(endsWithWholeReply)) << port.data.size() << " bytes";
    const auto original = split(port.data, ",");
    EXPECT_EQ(original.size(), 442u) << "441 fields and the comma after them";

    port.data.clear();
    port.send("<234,5:-3><121>");
    ASSERT_TRUE(port.readUntil(endsWithWholeReply));
    const auto edited = split(port.data, ",");
    EXPECT_EQ(edited.size(), 442u);
    EXPECT_EQ(edited[5], "-3");
    EXPECT_EQ(edited[4], original[4]);

    port.data.clear();
    port.send("<255>");
    ASSERT_TRUE(port.readUntil([](auto& d) { return recordsThenRest(d).first >= 3; }));
    port.send("<201><121>");
    ASSERT_TRUE(port.readUntil(endsWithWholeReply));
    const auto [records, reply] = recordsThenRest(port.data);
    EXPECT_GE(records, 3);
    ASSERT_EQ(reply.size(), 442u) << "the records stop and the reply follows whole";
    EXPECT_EQ(reply[5], "-3");
    const std::size_t before = port.data.size();
    EXPECT_FALSE(port.readUntil([&](auto& d) { return d.size() > before; }, 300ms))
        << "still sending after <201>";

    std::ifstream log(sim.log());
    const std::string logged((std::istreambuf_iterator<char>(log)), {});
    EXPECT_EQ(logged, "<121>\n<234,5:-3>\n<121>\n<255>\n<201>\n<121>\n");
    EXPECT_EQ(sim.terminate(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(sim.link())));
}

TEST(TvxsimSmoke, survivesReopeningManyTimesAndIdlesWhenNobodyReads) {
    Sim sim({"--terminator", "crlf", "--rate", "max"});
    auto reply = [](const std::string& d) { // the first whole line longer than any record
        const auto whole = d.rfind("\r\n");
        for (const auto& line : split(d.substr(0, whole), "\r\n")) {
            if (whole != std::string::npos && split(line, ",").size() > 7) {
                return split(line, ",");
            }
        }
        return std::vector<std::string>{};
    };
    for (int round = 0; round < 20; ++round) {
        if (round == 18) { // the last round left a full line and nobody is there
            std::this_thread::sleep_for(500ms);
            const long before = cpuTicks(sim.pid);
            std::this_thread::sleep_for(1s);
            EXPECT_LT(cpuTicks(sim.pid) - before, sysconf(_SC_CLK_TCK) / 4) << "busy while idle";
        }
        Port port(sim.link());
        ASSERT_GE(port.fd, 0) << "round " << round;
        if (round % 4 == 1) {
            port.send("<255>"); // and leave without reading: the line fills up
            ASSERT_TRUE(port.readUntil([](auto& d) { return d.size() > 100; }));
            continue;
        }
        port.send("<201><121>");
        ASSERT_TRUE(port.readUntil([&](auto& d) { return !reply(d).empty(); })) << round;
        EXPECT_EQ(reply(port.data).size(), 441u);
    }
    EXPECT_EQ(sim.terminate(), 0);
}

TEST(TvxsimSmoke, hangupsDeliverWhatWasSentThenDropTheLine) {
    for (const char* when : {"3", "reply"}) {
        Sim sim({"--hangup-after", when, "--terminator", "crlf"});
        Port port(sim.link());
        port.send(when == std::string("reply") ? "<121>" : "<255>");
        EXPECT_TRUE(port.readUntil([](auto&) { return false; })) << "the line drops, " << when;
        if (when == std::string("reply")) {
            EXPECT_FALSE(port.data.empty()) << "what was sent before the hang-up arrives";
            EXPECT_LT(split(port.data, ",").size(), 441u);
        } else {
            EXPECT_EQ(split(port.data, "\r\n").size(), 4u) << "three whole records";
        }
        EXPECT_EQ(sim.waitForExit(), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(sim.link())));
    }
}
