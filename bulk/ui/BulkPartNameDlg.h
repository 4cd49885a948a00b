#pragma once

#include "app/FileChooser.h"
#include "engine/MessageHost.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class BulkPartNameDlg;
}

namespace quorvel {

// The part-filename bulk load's options: how many leading characters of a
// file's name name its group, and the output directory. Values persist
// between uses.
class CBulkPartNameDlg : public QDialog {
    Q_OBJECT
public:
    CBulkPartNameDlg(IMessageHost& messages, IFileChooser& chooser, QWidget* parent = nullptr);
    ~CBulkPartNameDlg() override;

    // 1 after OK read valid fields, 0 after Cancel or Esc.
    int DoModal();
    // Copies the fields into the controls (false) or back (true). Reading
    // fails when the n field holds no integer: "Please enter an integer." is
    // shown, the field gets the focus and the output directory is not read.
    bool UpdateData(bool bSaveAndValidate);

    int m_nFirstChars = 12;
    std::string m_strOutputDir; // the home directory at first

private:
    void OnOK();
    void OnBrowseOutputDir();

    std::unique_ptr<Ui::BulkPartNameDlg> m_ui;
    IMessageHost& m_messages;
    IFileChooser& m_chooser;
};

} // namespace quorvel
