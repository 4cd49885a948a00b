#pragma once

#include "app/FileChooser.h"
#include "engine/MessageHost.h"

#include <QPointer>
#include <QWidget>

class QFileDialog;

namespace quorvel {

// Every question the windows of this program ask the user: message boxes and
// file or folder dialogs. The real one shows Qt dialogs; tests answer from a
// script.
class IPromptHost : public IMessageHost, public IFileChooser {};

// Shows real dialogs. Message boxes are parented to `owner` when it is set;
// file dialogs are owned by no window.
class CQtPromptHost : public IPromptHost {
public:
    explicit CQtPromptHost(QWidget* owner = nullptr) : m_pOwner(owner) {}
    void SetOwner(QWidget* owner) { m_pOwner = owner; }

    MsgResult MessageBox(const std::string& text, const std::string& caption,
                         MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    std::string ChooseOpenFile(const FileDialogRequest& request) override;
    std::string ChooseSaveFile(const FileDialogRequest& request) override;
    std::string ChooseFolder(const std::string& caption, const std::string& instruction,
                             const std::string& initialFolder) override;

private:
    QPointer<QWidget> m_pOwner;
};

// Qt's name filter text for a dialog request ("*.app (*.app)").
QStringList FileDialogFilters(const FileDialogRequest& request);
// Sets up an open (or save) dialog for `request`: its type list shows the
// request's texts alone and filters by their patterns.
void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save);

} // namespace quorvel
