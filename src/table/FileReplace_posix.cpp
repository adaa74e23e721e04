#include "table/FileReplace.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

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
