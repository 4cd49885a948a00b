#pragma once

#include "engine/MessageHost.h"

#include <string>
#include <vector>

namespace quorvel {

// One entry of a file dialog's type list: the text shown and the patterns it
// stands for, e.g. {"*.csv", "*.csv"} or {"All Files *.*", "*"}.
struct FileTypeFilter {
    std::string label;
    std::string patterns;
};

// What a file dialog is asked: title, type list (the first one selected) and
// the extension added to a typed name that has none.
struct SupportFileDialog {
    std::string title;
    std::vector<FileTypeFilter> filters;
    std::string defaultExtension;
};

// What the log, link and bug report commands ask of whoever runs them: message
// boxes, file dialogs and handing a file or address to the desktop. The windows
// show real dialogs; tests answer from a script.
class ISupportPrompt : public IMessageHost {
public:
    // An existing file to open; empty when cancelled.
    virtual std::string ChooseOpenFile(const SupportFileDialog& request) = 0;
    // A file to write, existing or new; empty when cancelled.
    virtual std::string ChooseSaveFile(const SupportFileDialog& request) = 0;
    // Opens a file, web address or "mailto:" address with the program the
    // desktop associates with it; returns an open-link result code (above 32:
    // success).
    virtual int OpenDocument(const std::string& target) = 0;
};

} // namespace quorvel
