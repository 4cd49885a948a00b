#pragma once

#include "engine/Settings.h"

#include <QDialog>

#include <memory>
#include <string>

class QLineEdit;

namespace Ui {
class SetupDlg;
}

namespace quorvel {

class ISupportPrompt;

// Control ids of the Setup dialog.
namespace SetupId {
inline constexpr int kNoSplash = 1026;
inline constexpr int kOddEvery = 1022;
inline constexpr int kOddFinal = 1024;
inline constexpr int kOnEach = 1025;
inline constexpr int kSaveAndExit = 1014;
inline constexpr int kCancel = 1003;
inline constexpr int kBrowseOddEvery = 1028;
inline constexpr int kBrowseOddFinal = 1029;
inline constexpr int kBrowseOnEach = 1030;
} // namespace SetupId

// The padding files and the splash switch. The main window keeps one object
// for the whole run: the settings live in it, so values read from the controls
// by Browse or the check box stay in effect after Cancel, and only
// "Save && Exit" writes them to setup.ini.
class CSetupDlg : public QDialog {
    Q_OBJECT
public:
    // `settings`: where the settings live when the owner keeps them itself
    // (they must outlive the dialog); null: in the dialog.
    explicit CSetupDlg(QWidget* parent = nullptr, ISupportPrompt* prompt = nullptr,
                       SetupSettings* settings = nullptr);
    ~CSetupDlg() override;

    // Reads setup.ini into the settings (missing file: defaults stay).
    void LoadSettings();
    // Writes setup.ini; false (after the "can't save" message) when it cannot.
    bool SaveSettings();

    // true: controls to settings; false: settings to controls.
    void UpdateData(bool bSaveAndValidate);

    // Shows the settings in the controls and runs the dialog: 1 after
    // "Save && Exit", 0 after "&Cancel".
    int DoModal();

    void SetPrompt(ISupportPrompt* prompt) { m_pPrompt = prompt; }
    void SetIniPath(const std::string& path) { m_strIniPath = path; }

    // Handlers, public so that the window's owner and tests can drive them.
    void OnSaveAndExit();
    void OnCancel();
    void OnNoSplashClicked();
    void OnBrowseOddEvery();
    void OnBrowseOddFinal();
    void OnBrowseOnEach();

private:
    SetupSettings m_ownSettings;

public:
    SetupSettings& m_settings;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Browse(std::string& member);
    ISupportPrompt& Prompt();

    std::unique_ptr<Ui::SetupDlg> m_ui;
    ISupportPrompt* m_pPrompt;
    std::string m_strIniPath = kSetupIniName;
};

} // namespace quorvel
