#pragma once

// Shared pieces of the window tests: a scripted prompt host, real PDF files
// written on the spot, and a way to answer the next modal dialog.

#include "app/ui/PromptHost.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quorvel::test {

// Records every message box and answers file dialogs from queues.
class CScriptedPrompt : public IPromptHost {
public:
    struct Message {
        std::string text;
        std::string caption;
    };
    std::vector<Message> messages;
    std::vector<std::string> fileTitles; // title of every file dialog asked
    std::deque<std::string> openAnswers;
    std::deque<std::string> saveAnswers;
    std::deque<std::string> folderAnswers;

    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons,
                         MsgIcon) override {
        messages.push_back({text, caption});
        return MsgResult::Ok;
    }
    std::string ChooseOpenFile(const FileDialogRequest& request) override {
        fileTitles.push_back(request.title);
        return Pop(openAnswers);
    }
    std::string ChooseSaveFile(const FileDialogRequest& request) override {
        fileTitles.push_back(request.title);
        return Pop(saveAnswers);
    }
    std::string ChooseFolder(const std::string& caption, const std::string&,
                             const std::string&) override {
        fileTitles.push_back(caption);
        return Pop(folderAnswers);
    }

private:
    static std::string Pop(std::deque<std::string>& queue) {
        if (queue.empty())
            return {};
        std::string front = queue.front();
        queue.pop_front();
        return front;
    }
};

// Writes a small valid PDF with `pages` empty pages.
inline bool WritePdf(const QString& path, int pages) {
    std::string body = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    const auto object = [&](const std::string& text) {
        offsets.push_back(body.size());
        body += std::to_string(offsets.size()) + " 0 obj\n" + text + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int i = 0; i < pages; ++i)
        kids += std::to_string(3 + i) + " 0 R ";
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    for (int i = 0; i < pages; ++i)
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
    const size_t xref = body.size();
    body += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        body += line;
    }
    body += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
            " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(body.data(), static_cast<qint64>(body.size())) ==
           static_cast<qint64>(body.size());
}

// Calls `act` with the next modal dialog once it is up (polling the event
// loop), for code that runs a dialog with exec(); ends it with -1 if `act`
// left it open, unless told not to.
inline void OnNextModal(std::function<void(QDialog*)> act, int attempts = 200,
                        bool closeIfLeftOpen = true) {
    QTimer::singleShot(10, [act, attempts, closeIfLeftOpen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            act(dialog);
            // A check that failed inside `act` returns early; never leave the
            // dialog hanging.
            if (closeIfLeftOpen && dialog->isVisible())
                dialog->done(-1);
        } else if (attempts > 0) {
            OnNextModal(act, attempts - 1, closeIfLeftOpen);
        }
    });
}

} // namespace quorvel::test
