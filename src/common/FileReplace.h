// What saving needs from the operating system, one source file per platform.
#pragma once

#include "common/File.h"

#include <array>
#include <optional>
#include <string>
#include <variant>

// "Cannot write PATH: <the system's words for errno>".
FileError ErrorFromErrno(const std::string& what, const std::string& path);

// What saving must know of an open file: whether it is a plain file (a device is written in
// place), its permission bits, and the real path behind any symbolic link.
struct OpenFileFacts {
    bool regular = false;
    unsigned mode = 0;
    std::string target;
};
std::optional<OpenFileFacts> FactsOf(std::FILE* file, const std::string& path);

// The permission bits a new file gets.
unsigned NewFileMode();

// Writes content into a fresh file beside target and flushes it to the disk; its name. Sets
// noRoomBeside when no file can be made in that folder at all. path is the name the user gave,
// for the message.
std::variant<std::string, FileError> WriteBeside(const std::string& target, const std::string& path,
                                                 const std::string& content, unsigned mode,
                                                 bool* noRoomBeside = nullptr);

// Renames the file written beside over target; it is removed if that fails.
std::optional<FileError> MoveOver(const std::string& temporary, const std::string& target,
                                  const std::string& path);

// Renames the file written beside to target only where nothing is by that name (a link there
// is not followed); it is removed if that fails.
std::optional<FileError> MoveToNew(const std::string& temporary, const std::string& target,
                                   const std::string& path);

// A new file opened for writing, binary; nothing is created where anything is by that name (a
// link there is not followed). Nothing, with errno set, when it cannot be made.
std::FILE* CreateNewFile(const std::string& path);

// While one lives, a signal that would end the program (interrupt, terminate, hang-up) waits, and
// is taken when it goes: a set of files being written is then all new or all old.
class SignalsHeld {
public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    std::array<unsigned long, 16> saved_{}; // the signal mask before, as the system keeps it
};

// Both: target is either its old self or wholly new.
std::optional<FileError> ReplaceWhole(const std::string& target, const std::string& path,
                                      const std::string& content, unsigned mode,
                                      bool* noRoomBeside = nullptr);
