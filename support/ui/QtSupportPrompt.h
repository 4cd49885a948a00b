#pragma once

#include "support/SupportPrompt.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace quorvel {

// Shows real dialogs: message boxes parented to `owner` when it is set, file
// dialogs owned by no window, documents opened through the desktop.
class CQtSupportPrompt : public ISupportPrompt {
public:
    explicit CQtSupportPrompt(QWidget* owner = nullptr) : m_pOwner(owner) {}
    void SetOwner(QWidget* owner) { m_pOwner = owner; }

    MsgResult MessageBox(const std::string& text, const std::string& caption,
                         MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    std::string ChooseOpenFile(const SupportFileDialog& request) override;
    std::string ChooseSaveFile(const SupportFileDialog& request) override;
    int OpenDocument(const std::string& target) override;

private:
    QPointer<QWidget> m_pOwner;
};

// Qt's name filter texts for a dialog's type list ("*.csv (*.csv)").
QStringList NameFiltersFor(const SupportFileDialog& request);

// The process-wide prompt that windows of this area use unless told otherwise.
ISupportPrompt& DefaultSupportPrompt();

} // namespace quorvel
