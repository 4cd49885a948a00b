#pragma once

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class ScanningDlg;
}

namespace quorvel {

// The modeless "Scanning" window shown while a folder walk runs: the folder
// being listed and a Stop button. Its title bar has no close box.
class CScanningDlg : public QDialog {
    Q_OBJECT
public:
    explicit CScanningDlg(QWidget* parent = nullptr);
    ~CScanningDlg() override;

    // Shows the window and clears the stop request.
    void Create();
    // Sets m_strFolder and shows it.
    void SetFolder(const std::string& folder);
    // Copies m_strFolder into its control (false) or back (true).
    void UpdateData(bool bSaveAndValidate);

    bool m_bStop = false;
    std::string m_strFolder;

public slots:
    // Esc does not end the window: only Stop does.
    void reject() override {}

private:
    void OnStop();

    std::unique_ptr<Ui::ScanningDlg> m_ui;
};

} // namespace quorvel
