// The platform's open and save dialogs. An empty optional means the user cancelled.
#pragma once

#include <optional>
#include <string>

struct FileDialogRequest {
    std::string title;
    std::string filter;
    std::string fileName; // initial name shown
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::string> showOpen(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> showSave(const FileDialogRequest& request) = 0;
};
