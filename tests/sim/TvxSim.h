// tvxsim run for one test, for the simulator's own tests and the end-to-end tests alike: its link
// and logs in a fresh folder, ready once it has printed its first line, killed at the end.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class TvxSim {
public:
    explicit TvxSim(const std::vector<std::string>& options = {}) { start(options); }
    ~TvxSim() {
        stop();
        std::filesystem::remove_all(dir_);
    }
    TvxSim(const TvxSim&) = delete;
    TvxSim& operator=(const TvxSim&) = delete;

    // Starts it again on the same link; true once it says the link is there.
    bool start(std::vector<std::string> options) {
        stop();
        options.insert(options.begin(), {TVXSIM_PATH, "--link", link(), "--log", file("received"),
                                         "--sent-log", file("sent"), "--seed", "7"});
        std::vector<char*> argv;
        for (std::string& arg : options) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0 || (pid_ = fork()) < 0) {
            return false;
        }
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        std::string line;
        for (char c = 0; c != '\n' && read(out[0], &c, 1) == 1;) {
            line += c;
        }
        close(out[0]);
        return line.ends_with('\n');
    }

    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    std::string link() const { return file("ttyTVX"); }
    std::string file(const std::string& name) const { return dir_ + "/" + name; }
    // "received": every message it got; "sent": every record and reply before any fault.
    std::vector<std::string> log(const std::string& name) const {
        std::vector<std::string> lines;
        std::ifstream in(file(name));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

private:
    std::string dir_ = [] {
        char pattern[] = "/tmp/tvxsim-test-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    pid_t pid_ = -1;
};
