#pragma once

#include "app/ui/PromptHost.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class AppendParamsDlg;
}

namespace quorvel {

// Edits the settings of one job entry. The caller fills the fields from the
// entry, runs DoModal and copies the fields back when it returns 1. The one
// object lives as long as the main window, so its fields keep their values
// from one use to the next.
class CAppendParamsDlg : public QDialog {
    Q_OBJECT
public:
    // `showParamsBox` is the owner's "always show" flag, read at each start;
    // null means always shown.
    CAppendParamsDlg(IPromptHost& prompt, const bool* showParamsBox, QWidget* parent = nullptr);
    ~CAppendParamsDlg() override;

    // Runs the dialog: 1 after "Save & Exit" accepted the entry, 0 after
    // Cancel, 2 after Esc. When the owner's flag is off, the dialog first tries
    // to confirm its current values and is shown only when they are refused.
    int DoModal();

    // Copies the fields into the controls (false) or back from them (true).
    void UpdateData(bool bSaveAndValidate);

    std::string m_strFilename;
    int m_nPages = 0;
    std::string m_strParams;
    std::string m_strMoveDir;
    std::string m_strOutputFile;
    int m_bKeepBookmarks = 0;
    int m_bAddFilenameBookmark = 0;
    int m_bUseSameParams = 0;
    bool m_bCreate = false;
    bool m_bAppend = false;
    std::string m_strKeepBookmarks;
    std::string m_strCreate;
    std::string m_strAppend;
    std::string m_strBookmarkFilename;

    // Help context of this dialog.
    static constexpr int kHelpContext = 131201;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInitDialog();
    // Validates and ends the dialog with 1; returns false (staying open) when
    // the validation refused the entry.
    bool OnSaveAndExit();
    void OnAppendMode();
    void OnCreateMode();
    void OnKeepBookmarks();
    void OnFilenameBookmark();
    void OnUseSameParams();
    void OnBrowseMoveDir();
    void OnBrowseOutputFile();
    void OnHelp();

    std::unique_ptr<Ui::AppendParamsDlg> m_ui;
    IPromptHost& m_prompt;
    const bool* m_pShowParamsBox;
};

} // namespace quorvel
