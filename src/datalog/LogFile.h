// Where a recording's text goes. Each call answers with what went wrong, in plain words, or
// with nothing when it worked. A recording never writes through a link to another file, and never
// over a drive that is there unless told to replace it.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

class LogFile {
public:
    virtual ~LogFile() = default;
    // Creates the file. Anything there by that name already (a link included) is refused, unless
    // `replace`: then that entry itself is replaced, never what a link points to.
    virtual std::optional<std::string> open(const std::string& path, bool replace) = 0;
    // Appends and hands the text to the system, so a killed program keeps it.
    virtual std::optional<std::string> append(std::string_view text) = 0;
    virtual void close() = 0;
    // Writes a small file beside the log whole. `fresh`: the recording's first, made only where
    // nothing is by that name; else it replaces the one made before.
    virtual std::optional<std::string> keep(const std::string& path, const std::string& text,
                                            bool fresh) = 0;
    // Takes away what a recording made and that holds nothing worth keeping.
    virtual void remove(const std::string& path) = 0;
    // Whether anything is by that name: a file, a folder, a link even to nowhere.
    virtual bool taken(const std::string& path) const = 0;
};

class StdioLogFile final : public LogFile {
public:
    StdioLogFile() = default;
    // Writes to a stream already open (stdout), which open() and close() leave as it is.
    explicit StdioLogFile(std::FILE* stream) : file_(stream), borrowed_(true) {}
    ~StdioLogFile() override { close(); }
    std::optional<std::string> open(const std::string& path, bool replace) override;
    std::optional<std::string> append(std::string_view text) override;
    void close() override;
    std::optional<std::string> keep(const std::string& path, const std::string& text,
                                    bool fresh) override;
    void remove(const std::string& path) override;
    bool taken(const std::string& path) const override;

private:
    std::FILE* file_ = nullptr;
    bool borrowed_ = false;
};
