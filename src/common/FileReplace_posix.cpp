#include "common/FileReplace.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <pthread.h>
#include <signal.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<OpenFileFacts> FactsOf(std::FILE* file, const std::string& path) {
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0) {
        return std::nullopt;
    }
    char resolved[PATH_MAX];
    return OpenFileFacts{S_ISREG(info.st_mode), static_cast<unsigned>(info.st_mode & 07777),
                         ::realpath(path.c_str(), resolved) ? resolved : path};
}

unsigned NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::variant<std::string, FileError> WriteBeside(const std::string& target, const std::string& path,
                                                 const std::string& content, unsigned mode,
                                                 bool* noRoomBeside) {
    std::string temporary = target + ".saving-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        if (noRoomBeside) {
            *noRoomBeside = true;
        }
        return ErrorFromErrno("Cannot write", path);
    }
    bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
    for (std::size_t done = 0; ok && done < content.size();) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        ok = put > 0;
        done += ok ? static_cast<std::size_t>(put) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    const int saved = errno;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        errno = errno ? errno : saved;
        const FileError error = ErrorFromErrno("Cannot write", path);
        ::unlink(temporary.c_str());
        return error;
    }
    return temporary;
}

std::optional<FileError> MoveOver(const std::string& temporary, const std::string& target,
                                  const std::string& path) {
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const FileError error = ErrorFromErrno("Cannot write", path);
        ::unlink(temporary.c_str());
        return error;
    }
    return std::nullopt;
}

std::optional<FileError> MoveToNew(const std::string& temporary, const std::string& target,
                                   const std::string& path) {
    // A hard link fails where the name is taken, whatever is there; rename would replace it.
    if (::link(temporary.c_str(), target.c_str()) != 0) {
        const FileError error = ErrorFromErrno("Cannot write", path);
        ::unlink(temporary.c_str());
        return error;
    }
    ::unlink(temporary.c_str());
    return std::nullopt;
}

std::FILE* CreateNewFile(const std::string& path) {
    const int fd =
        ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(0666));
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
    }
    return file;
}

SignalsHeld::SignalsHeld() {
    static_assert(sizeof(sigset_t) <= sizeof(saved_));
    sigset_t ending;
    sigemptyset(&ending);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&ending, signal);
    }
    sigset_t before;
    ::pthread_sigmask(SIG_BLOCK, &ending, &before);
    std::memcpy(saved_.data(), &before, sizeof before);
}

SignalsHeld::~SignalsHeld() {
    sigset_t before;
    std::memcpy(&before, saved_.data(), sizeof before);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
}
