#pragma once

#include "app/FileChooser.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class BulkGroupDlg;
}

namespace quorvel {

// "Bulk Load Options": output directory and suffix of the grouping bulk load.
// One object lives as long as the main window, so the texts typed last are
// shown again next time.
class CBulkGroupDlg : public QDialog {
    Q_OBJECT
public:
    CBulkGroupDlg(IFileChooser& chooser, QWidget* parent = nullptr);
    ~CBulkGroupDlg() override;

    // 1 after OK (fields read from the controls), 0 after Cancel or Esc.
    int DoModal();
    void UpdateData(bool bSaveAndValidate);

    std::string m_strSuffix;
    std::string m_strOutputDir;

private:
    void OnOK();
    void OnBrowseOutputDir();

    std::unique_ptr<Ui::BulkGroupDlg> m_ui;
    IFileChooser& m_chooser;
};

} // namespace quorvel
