#pragma once

#include "engine/MessageHost.h"

#include <QDialog>

#include <memory>
#include <string>

class QFileSystemModel;

namespace Ui {
class FolderChooser;
}

namespace quorvel {

// Picks a folder: a folder tree plus an edit box that shows the selected
// folder's path and accepts any typed path, including one that does not exist
// yet. OK is enabled whenever the box holds text; on OK the text is checked
// with ValidateFolder (its messages go through `messages`) and the chooser
// stays open when it is refused. Creates no folder.
class CFolderChooser : public QDialog {
    Q_OBJECT
public:
    // `caption` (may be null) is the window title, `title` the instruction
    // above the tree, `initialFolder` (null: the current directory) the folder
    // selected at the start.
    CFolderChooser(const char* caption, const char* title, const char* initialFolder,
                   QWidget* parent, IMessageHost& messages);
    ~CFolderChooser() override;

    // Runs the chooser modally: 1 when OK accepted a path, -1 otherwise.
    int ChooseFolder();
    // The path accepted by OK, exactly as it stood in the edit box.
    std::string GetPath() const { return m_strPath; }

public slots:
    // OK: validates the edit box text and closes only when it passes.
    void accept() override;

private:
    void OnSelectionChanged();
    void OnEditChanged(const QString& text);

    std::unique_ptr<Ui::FolderChooser> m_ui;
    QFileSystemModel* m_pModel = nullptr;
    IMessageHost& m_messages;
    std::string m_strPath;
    bool m_bAccepted = false;
};

} // namespace quorvel
