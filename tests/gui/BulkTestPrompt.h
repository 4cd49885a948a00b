#pragma once

// A scripted stand-in for the window's message boxes and file dialogs, shared
// by the bulk-load window tests.

#include "app/FileChooser.h"
#include "engine/MessageHost.h"

#include <deque>
#include <string>
#include <vector>

namespace quorvel::test {

class CBulkTestPrompt : public IMessageHost, public IFileChooser {
public:
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        messages.push_back(caption + "|" + text);
        (void)icon;
        if (buttons == MsgButtons::YesNo && !answers.empty()) {
            const MsgResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
    std::string ChooseOpenFile(const FileDialogRequest& request) override {
        requests.push_back(request);
        asked.push_back("open " + request.title);
        return openFile;
    }
    std::string ChooseSaveFile(const FileDialogRequest& request) override {
        requests.push_back(request);
        asked.push_back("save " + request.title);
        return saveFile;
    }
    std::string ChooseFolder(const std::string& caption, const std::string& instruction,
                             const std::string& initialFolder) override {
        asked.push_back("folder " + caption + "|" + instruction + "|" + initialFolder);
        return folder;
    }

    std::deque<MsgResult> answers; // for Yes/No boxes; No when empty
    std::string openFile, saveFile, folder;
    std::vector<std::string> messages;
    std::vector<std::string> asked;
    std::vector<FileDialogRequest> requests;
};

} // namespace quorvel::test
