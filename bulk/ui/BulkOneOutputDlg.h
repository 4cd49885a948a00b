#pragma once

#include "app/FileChooser.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class BulkOneOutputDlg;
}

namespace quorvel {

// "Bulk Load To One Output File": the text file names must contain, the one
// output file, and whether an existing output is removed first. Values persist
// between uses.
class CBulkOneOutputDlg : public QDialog {
    Q_OBJECT
public:
    CBulkOneOutputDlg(IFileChooser& chooser, QWidget* parent = nullptr);
    ~CBulkOneOutputDlg() override;

    // 1 after OK (fields read from the controls), 0 after Cancel or Esc.
    int DoModal();
    void UpdateData(bool bSaveAndValidate);

    std::string m_strContainsText;
    std::string m_strOutputFile;
    int m_bRemoveExisting = 1;

private:
    void OnOK();
    void OnBrowseOutputFile();

    std::unique_ptr<Ui::BulkOneOutputDlg> m_ui;
    IFileChooser& m_chooser;
};

// The save dialog both one-output dialogs use to pick the output file.
FileDialogRequest AppendToFileRequest();

} // namespace quorvel
