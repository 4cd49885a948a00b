#pragma once

#include "app/FileChooser.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class BulkListDlg;
}

namespace quorvel {

// "Bulk Load from .job,.lst,.txt to One Output File": the list file, the one
// output file and whether an existing output is removed first. Values persist
// between uses.
class CBulkListDlg : public QDialog {
    Q_OBJECT
public:
    CBulkListDlg(IFileChooser& chooser, QWidget* parent = nullptr);
    ~CBulkListDlg() override;

    // 1 after OK (fields read from the controls), 0 after Cancel or Esc.
    int DoModal();
    void UpdateData(bool bSaveAndValidate);

    std::string m_strListFile;
    std::string m_strOutputFile;
    int m_bRemoveExisting = 1;

private:
    void OnOK();
    void OnBrowseOutputFile();
    void OnBrowseListFile();

    std::unique_ptr<Ui::BulkListDlg> m_ui;
    IFileChooser& m_chooser;
};

// The open dialog that picks a list file.
FileDialogRequest ListFileRequest();

} // namespace quorvel
