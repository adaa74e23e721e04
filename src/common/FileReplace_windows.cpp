#include "common/FileReplace.h"

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

// The system's words for a Win32 error: a file held open or read-only is not errno's business.
std::string SystemMessage(DWORD code) {
    char text[256] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : message;
}

} // namespace

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

std::variant<std::string, FileError> WriteBeside(const std::string& target, const std::string& path,
                                                 const std::string& content, unsigned,
                                                 bool* noRoomBeside) {
    // Said before anything is made: Windows would refuse the replace at the very end, and Wine
    // run by root not at all.
    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return FileError{"Cannot write " + path + ": " + SystemMessage(ERROR_ACCESS_DENIED)};
    }
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
    if (!ok) {
        errno = errno ? errno : EIO;
        const FileError error = ErrorFromErrno("Cannot write", path);
        std::remove(temporary.c_str());
        return error;
    }
    return temporary;
}

std::optional<FileError> MoveOver(const std::string& temporary, const std::string& target,
                                  const std::string& path) {
    if (!::MoveFileExA(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const FileError error{"Cannot write " + path + ": " + SystemMessage(::GetLastError())};
        std::remove(temporary.c_str());
        return error;
    }
    return std::nullopt;
}

std::optional<FileError> MoveToNew(const std::string& temporary, const std::string& target,
                                   const std::string& path) {
    if (!::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const FileError error{"Cannot write " + path + ": " + SystemMessage(::GetLastError())};
        std::remove(temporary.c_str());
        return error;
    }
    return std::nullopt;
}

std::FILE* CreateNewFile(const std::string& path) {
    const int fd =
        ::_open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "wb");
    if (!file) {
        ::_close(fd);
    }
    return file;
}

// Windows ends a console program by its own handlers, not by signals a mask could hold.
SignalsHeld::SignalsHeld() = default;
SignalsHeld::~SignalsHeld() = default;
