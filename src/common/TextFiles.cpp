#include "common/TextFiles.h"

#include "common/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace {

// Where one file of a set goes: a plain file, new or old, through a whole file written beside
// it; anything else (a device, a pipe) in place.
struct Planned {
    const TextFileWrite* write;
    std::optional<std::string> temporary;
    std::string target;
};

std::variant<Planned, FileError> Plan(const TextFileWrite& write) {
    errno = 0;
    std::string target = write.path;
    unsigned mode = NewFileMode();
    // Looked at before it is opened: opening a pipe to read it would wait for a writer.
    std::error_code ignored;
    const auto status = std::filesystem::status(write.path, ignored);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return Planned{&write, std::nullopt, target};
    }
    if (File old{std::fopen(write.path.c_str(), "rb")}) {
        const std::optional<OpenFileFacts> facts = FactsOf(old.get(), write.path);
        if (!facts || !facts->regular) {
            return Planned{&write, std::nullopt, target};
        }
        target = facts->target;
        mode = facts->mode;
    }
    auto beside = WriteBeside(target, write.path, write.text, mode);
    if (const auto* error = std::get_if<FileError>(&beside)) {
        return *error;
    }
    return Planned{&write, std::get<std::string>(beside), target};
}

// A device or a pipe: there is nothing to write beside.
std::optional<FileError> WriteInPlace(const Planned& planned) {
    const std::string& path = planned.write->path;
    const std::string& text = planned.write->text;
    File out(std::fopen(path.c_str(), "wb"));
    if (!out || std::fwrite(text.data(), 1, text.size(), out.get()) != text.size() ||
        std::fclose(out.release()) != 0) {
        return ErrorFromErrno("Cannot write", path);
    }
    return std::nullopt;
}

} // namespace

std::variant<std::monostate, FileError> WriteTextFiles(const std::vector<TextFileWrite>& files) {
    // Every plain file is written whole beside its target, every device written in place, and
    // only then is any target replaced; a failure, or a signal meanwhile (it waits), leaves every
    // old file as it was and nothing beside it.
    const SignalsHeld held;
    std::vector<Planned> planned;
    const auto fail = [&planned](const FileError& error) {
        for (const Planned& done : planned) {
            if (done.temporary) {
                std::remove(done.temporary->c_str());
            }
        }
        return error;
    };
    for (const TextFileWrite& write : files) {
        auto plan = Plan(write);
        if (const auto* error = std::get_if<FileError>(&plan)) {
            return fail(*error);
        }
        planned.push_back(std::get<Planned>(plan));
    }
    for (const Planned& plan : planned) {
        if (const auto error = plan.temporary ? std::nullopt : WriteInPlace(plan)) {
            return fail(*error);
        }
    }
    for (const Planned& plan : planned) {
        if (const auto error = plan.temporary
                                   ? MoveOver(*plan.temporary, plan.target, plan.write->path)
                                   : std::nullopt) {
            return *error;
        }
    }
    return std::monostate{};
}

std::variant<std::monostate, FileError> WriteTextFile(const std::string& path,
                                                      const std::string& text) {
    return WriteTextFiles({{path, text}});
}
