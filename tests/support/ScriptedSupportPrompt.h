#pragma once

#include "support/SupportPrompt.h"

#include <deque>
#include <string>
#include <vector>

namespace quorvel::testing {

// Answers the support commands' questions from a script and records what was
// asked: message boxes as "caption|text", file dialogs as their request, opened
// documents as their target.
class CScriptedSupportPrompt : public ISupportPrompt {
public:
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        messages.push_back(caption + "|" + text);
        messageButtons.push_back(buttons);
        messageIcons.push_back(icon);
        if (answers.empty())
            return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    std::string ChooseOpenFile(const SupportFileDialog& request) override {
        openSpecs.push_back(request);
        return NextFile();
    }
    std::string ChooseSaveFile(const SupportFileDialog& request) override {
        saveSpecs.push_back(request);
        return NextFile();
    }
    int OpenDocument(const std::string& target) override {
        opened.push_back(target);
        return openResult;
    }

    std::deque<MsgResult> answers;
    std::deque<std::string> files; // "" = cancelled
    int openResult = 42;

    std::vector<std::string> messages;
    std::vector<MsgButtons> messageButtons;
    std::vector<MsgIcon> messageIcons;
    std::vector<SupportFileDialog> openSpecs;
    std::vector<SupportFileDialog> saveSpecs;
    std::vector<std::string> opened;

private:
    std::string NextFile() {
        if (files.empty())
            return {};
        std::string f = files.front();
        files.pop_front();
        return f;
    }
};

} // namespace quorvel::testing
