#pragma once

#include <string>
#include <vector>

namespace quorvel {

// One entry of a file dialog's type list: the text shown and the patterns it
// stands for, e.g. {"*.app", "*.app"} or {"All Files *.*", "*"}.
struct FileFilter {
    std::string label;
    std::string patterns;
};

// What a file dialog is asked: title, type list (the first one selected),
// default extension (added when the typed name has none).
struct FileDialogRequest {
    std::string title;
    std::vector<FileFilter> filters;
    std::string defaultExtension;
};

// Whoever runs a command answers its file and folder questions: the windows
// show dialogs, tests script the answers. An empty result means cancelled.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // An existing file to open.
    virtual std::string ChooseOpenFile(const FileDialogRequest& request) = 0;
    // A file to write, existing or new; no question before replacing it.
    virtual std::string ChooseSaveFile(const FileDialogRequest& request) = 0;
    // A folder, starting at `initialFolder`.
    virtual std::string ChooseFolder(const std::string& caption, const std::string& instruction,
                                     const std::string& initialFolder) = 0;
};

} // namespace quorvel
