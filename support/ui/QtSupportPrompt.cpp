#include "support/ui/QtSupportPrompt.h"

#include "support/ui/DesktopOpener.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace quorvel {

namespace {

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string RunFileDialog(const SupportFileDialog& request, bool save) {
    // Owned by no window, starting in the working folder, which it leaves as it
    // is (Qt's dialog never changes it).
    QFileDialog dialog(nullptr, FromUtf8(request.title), QDir::currentPath());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The type list shows the request's texts alone; the patterns filter.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(NameFiltersFor(request));
    dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}

} // namespace

QStringList NameFiltersFor(const SupportFileDialog& request) {
    QStringList filters;
    for (const FileTypeFilter& f : request.filters) {
        QString patterns = FromUtf8(f.patterns);
        // "*.*" means every file; Qt's pattern for that is "*".
        if (patterns == QLatin1String("*.*"))
            patterns = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(FromUtf8(f.label), patterns);
    }
    return filters;
}

MsgResult CQtSupportPrompt::MessageBox(const std::string& text, const std::string& caption,
                                       MsgButtons buttons, MsgIcon icon) {
    QMessageBox box(m_pOwner);
    box.setText(FromUtf8(text));
    box.setWindowTitle(FromUtf8(caption));
    switch (icon) {
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::None:
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
}

std::string CQtSupportPrompt::ChooseOpenFile(const SupportFileDialog& request) {
    return RunFileDialog(request, false);
}

std::string CQtSupportPrompt::ChooseSaveFile(const SupportFileDialog& request) {
    return RunFileDialog(request, true);
}

int CQtSupportPrompt::OpenDocument(const std::string& target) {
    return OpenWithDesktop(FromUtf8(target));
}

ISupportPrompt& DefaultSupportPrompt() {
    static CQtSupportPrompt prompt;
    return prompt;
}

} // namespace quorvel
