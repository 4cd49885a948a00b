#pragma once

// The prompt host of the window benchmarks: answers the folder chooser with
// the folder to work on and every message box with OK.

#include "app/ui/PromptHost.h"

#include <string>

namespace quorvel::bench {

class CBenchPrompt : public IPromptHost {
public:
    explicit CBenchPrompt(std::string folder) : m_strFolder(std::move(folder)) {}
    MsgResult MessageBox(const std::string&, const std::string&, MsgButtons, MsgIcon) override {
        return MsgResult::Ok;
    }
    std::string ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::string ChooseSaveFile(const FileDialogRequest&) override { return {}; }
    std::string ChooseFolder(const std::string&, const std::string&, const std::string&) override {
        return m_strFolder;
    }

private:
    std::string m_strFolder;
};

} // namespace quorvel::bench
