#pragma once

#include "engine/PasswordProvider.h"
#include "engine/Secret.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class PasswordDlg;
}

namespace quorvel {

// "Password Required": names a protected file and asks for its password
// (characters hidden), with OK, Skip and, while a batch of files is being
// loaded, "Skip all protected files". Esc or closing the window skips.
class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPasswordDlg(QWidget* parent = nullptr);
    ~CPasswordDlg() override;

    // Runs the dialog for `path`; `wrongBefore` adds the line saying that
    // the last password did not open the file. On Ok, `password` holds what
    // was typed; the field itself is emptied either way.
    PasswordAnswer Ask(const std::string& path, bool wrongBefore, bool offerSkipAll,
                       CSecret& password);

private:
    // Moves the typed text into `password` and wipes the copies it can reach.
    void TakePassword(CSecret& password);

    std::unique_ptr<Ui::PasswordDlg> m_ui;
};

} // namespace quorvel
