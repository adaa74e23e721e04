#include "table/FileReplace.h"

#include <cerrno>
#include <cstdlib>
#include <random>

#include <io.h>
#include <sys/stat.h>
#include <windows.h>

std::optional<OpenFileFacts> FactsOf(std::FILE* file, const std::string& path) {
    struct _stat64 info {};
    if (::_fstat64(::_fileno(file), &info) != 0) {
        return std::nullopt;
    }
    char resolved[_MAX_PATH];
    return OpenFileFacts{(info.st_mode & _S_IFMT) == _S_IFREG,
                         static_cast<unsigned>(info.st_mode & 0777),
                         ::_fullpath(resolved, path.c_str(), sizeof resolved) ? resolved : path};
}

unsigned NewFileMode() {
    return _S_IREAD | _S_IWRITE;
}

std::optional<FileError> ReplaceWhole(const std::string& target, const std::string& path,
                                      const std::string& content, unsigned, bool* noRoomBeside) {
    const std::string temporary =
        target + ".saving-" + std::to_string(std::random_device{}() % 1000000);
    std::FILE* file = std::fopen(temporary.c_str(), "wbx");
    if (!file) {
        if (noRoomBeside) {
            *noRoomBeside = true;
        }
        return ErrorFromErrno("Cannot write", path);
    }
    bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
              std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
    ok = std::fclose(file) == 0 && ok;
    ok = ok && ::MoveFileExA(temporary.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        errno = errno ? errno : EIO;
        const FileError error = ErrorFromErrno("Cannot write", path);
        std::remove(temporary.c_str());
        return error;
    }
    return std::nullopt;
}
